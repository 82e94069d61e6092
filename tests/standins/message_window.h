// The window in which a stand-in shows the message it was asked to put on
// screen, as the user would review it: labelled recipient and subject fields,
// the attachments, and the body with its line breaks. It belongs to the
// server, not to the client, and stays open after the client has ended.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>
#include <vector>

namespace standins {

class Server;

struct MessageField {
  std::wstring key;    // the client's name for it: "Subject", "SendTo"
  std::wstring label;  // what the user reads: "Subject:", "To:"
  std::wstring value;
  bool multiLine = false;  // the body: takes the rest of the window
};

struct MessageContent {
  std::wstring title;
  std::wstring banner;  // one line above the fields
  std::vector<MessageField> fields;
};

// Opens and shows the window in front; it keeps the server running until it
// is closed. owner may be null.
HWND OpenMessageWindow(Server& server, const MessageContent& content, HWND owner);

// Puts the caret at the start of the field named key (letter case ignored).
// False when the window has no such field or it did not take the focus.
bool FocusMessageField(HWND window, std::wstring_view key);

// The window class of message windows, for tests that look for them.
inline constexpr wchar_t kMessageWindowClass[] = L"QzStandinMessage";

}  // namespace standins
