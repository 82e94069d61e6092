#include "platform/attachment_path.h"

namespace platform {

bool IsFullyQualified(std::u16string_view path) {
  if (path.starts_with(u"\\\\")) return true;
  const auto isDriveLetter = [](char16_t c) { return (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z'); };
  return path.size() >= 3 && isDriveLetter(path[0]) && path[1] == u':' && path[2] == u'\\';
}

std::u16string AttachmentPathForClient(Desktop& desktop, const std::u16string& path) {
  if (IsFullyQualified(path)) return path;
  return desktop.FullPathName(path);
}

}  // namespace platform
