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

// A message as a composer hands it to the client.
struct Message {
  std::wstring subject{};
  std::wstring address{};
  std::wstring body{};
  std::optional<Attachment> attachment{};  // one the lookup found
  // Notes' CopyTo goes over as a null BSTR. Out of process Wine's marshalling
  // turns a null BSTR into an empty one on the way, so only the in-process
  // stand-in can tell the two apart.
  std::wstring copyTo = L"VT_BSTR \"\"";
  // The composer's own Notes session. A stand-in without a main window ends
  // when the activation releases its session, and the next one numbers afresh.
  std::wstring session = L"session#2";
};

// The attachment lines both programs' cases try.
enum class AttachmentKind { Present, Missing, Hidden, Folder, Wildcard };

struct AttachmentCase {
  const wchar_t* name;
  AttachmentKind kind;
};

inline constexpr AttachmentCase kAttachmentCases[] = {
    {L"present", AttachmentKind::Present}, {L"missing", AttachmentKind::Missing},
    {L"hidden", AttachmentKind::Hidden},   {L"folder", AttachmentKind::Folder},
    {L"wildcard", AttachmentKind::Wildcard},
};

// The attachment line for kind, and what the lookup finds for it (no name: nothing).
Attachment MakeAttachment(const CaseFiles& files, AttachmentKind kind);

// A run of client's program on SimpleMail with the attachment line of kind,
// and the client's expected run where every step succeeds.
struct AttachmentRun {
  Result result;
  CallTable table;
};
AttachmentRun RunWithAttachment(Client client, const std::wstring& caseName, AttachmentKind kind);

// A failure at one step, and the box it gives.
struct FaultCase {
  const wchar_t* name;
  standins::Fault fault;
  std::wstring message;
};

// Runs client's program on SimpleMail with a report attached, the case's
// fault set: the client's events up to the failure and the releases after
// it, one critical box with the case's message, exit code 3 for notInstalled
// and 4 for any other message.
Result RunFault(Client client, const std::wstring& caseName, const FaultCase& test, const std::wstring& notInstalled);

// From the first creation in the window activation to the last release.
CallTable NotesTable(const Message& memo);
CallTable OutlookTable(const Message& item);

// The worked example: sixteen lines with CR LF line ends.
inline const std::string kWorkedExample =
    "Order export\r\n[ADDRESS]\r\nSales Team\r\n\r\nPurchasing Team\r\n[SUBJECT]\r\nOrder confirmed\r\n"
    "[BODY]\r\nHello,\r\n\r\nthe order has been confirmed.\r\n[Body]\r\n[ATTACHMENT]\r\n"
    "C:\\Orders\\confirmation.pdf\r\n[BODY]\r\nRegards\r\n";
inline const Message kWorkedMessage{.subject = L"Order confirmed", .address = L"Purchasing Team",
                                    .body = L"Hello,\r\rthe order has been confirmed.\r[Body]\rRegards\r"};

// A mail file with every section and the given attachment line.
std::string SimpleMail(const std::wstring& attachmentPath);
// Its message, with the attachment if the lookup finds it.
Message SimpleMessage(std::optional<Attachment> attachment = std::nullopt);

// Text as the 8-bit mail file holds it (the cases use plain ASCII paths).
std::string Narrow(const std::wstring& text);

}  // namespace e2e
