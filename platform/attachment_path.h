// The attachment path as a mail client in a process of its own needs it.
#pragma once

#include <string>
#include <string_view>

#include "platform/desktop.h"

namespace platform {

// True for a path that names the same file from any current folder: a drive
// letter, colon and backslash ("C:\"), or two backslashes (a network share,
// "\\?\" and "\\.\").
bool IsFullyQualified(std::u16string_view path);

// The path to hand the mail client for an attachment that passed the lookup:
// a fully qualified one exactly as written, any other as the full path of the
// file the lookup found, resolved against this program's current folder.
std::u16string AttachmentPathForClient(Desktop& desktop, const std::u16string& path);

}  // namespace platform
