// The two composers' expected runs for the cases' memos and mail items, and
// the mail files the cases share.
#pragma once

#include <optional>
#include <string>
#include <utility>

#include "expectations.h"

namespace e2e {

struct Attachment {
  std::wstring path;  // the full path the client gets
  std::wstring name;  // the file name the lookup finds
};

struct NotesMemo {
  std::wstring subject;
  std::wstring address;
  std::wstring body;
  // CopyTo goes over as a null BSTR. Out of process Wine's marshalling turns a
  // null BSTR into an empty one on the way, so only the in-process stand-in
  // can tell the two apart.
  std::wstring copyTo = kNullBstr;
  std::optional<Attachment> attachment;  // one the lookup found
  // The composer's own session. A stand-in without a main window ends when
  // the activation releases its session, and the next one numbers afresh.
  std::wstring session = L"session#2";
};

struct OutlookItem {
  std::wstring subject;
  std::wstring address;
  std::wstring body;
  std::optional<Attachment> attachment;  // one the lookup found
};

// From the first creation in the window activation to the last release.
CallTable NotesTable(const NotesMemo& memo);
CallTable OutlookTable(const OutlookItem& item);

// What an out-of-process Notes stand-in receives for a null BSTR.
inline const std::wstring kNullBstrOutOfProcess = L"VT_BSTR \"\"";

// The worked example: sixteen lines with CR LF line ends.
inline const std::string kWorkedExample =
    "Order export\r\n[ADDRESS]\r\nSales Team\r\n\r\nPurchasing Team\r\n[SUBJECT]\r\nOrder confirmed\r\n"
    "[BODY]\r\nHello,\r\n\r\nthe order has been confirmed.\r\n[Body]\r\n[ATTACHMENT]\r\n"
    "C:\\Orders\\confirmation.pdf\r\n[BODY]\r\nRegards\r\n";
inline const std::wstring kWorkedAddress = L"Purchasing Team";
inline const std::wstring kWorkedSubject = L"Order confirmed";
inline const std::wstring kWorkedBody = L"Hello,\r\rthe order has been confirmed.\r[Body]\rRegards\r";

// A mail file with every section and the given attachment line.
std::string SimpleMail(const std::wstring& attachmentPath);
inline const std::wstring kSimpleAddress = L"Sales Team";
inline const std::wstring kSimpleSubject = L"Quarterly figures";
inline const std::wstring kSimpleBody = L"Dear all,\r\rthe figures are attached.\r";

// Text as the 8-bit mail file holds it (the cases use plain ASCII paths).
std::string Narrow(const std::wstring& text);

}  // namespace e2e
