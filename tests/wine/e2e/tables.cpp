#include "tables.h"

#include "notes_oracle.h"
#include "outlook_oracle.h"

namespace e2e {

namespace {

std::u16string Text(const std::wstring& text) { return {text.begin(), text.end()}; }

std::vector<oracles::Attachment> Found(const std::optional<Attachment>& attachment) {
  if (!attachment) return {};
  // Any name: the lookup is not seen across processes, only that it found a file.
  return {{.path = Text(attachment->path), .name = attachment->name.empty() ? u"found" : Text(attachment->name)}};
}

}  // namespace

CallTable NotesTable(const NotesMemo& memo) {
  return {.steps = oracles::NotesRun({.subject = Text(memo.subject), .address = Text(memo.address),
                                      .body = Text(memo.body), .attachments = Found(memo.attachment)}),
          .nullString = memo.copyTo,
          .session = memo.session};
}

CallTable OutlookTable(const OutlookItem& item) {
  std::vector<oracles::Attachment> attachment = Found(item.attachment);
  return {.steps = oracles::OutlookRun({.subject = Text(item.subject), .address = Text(item.address),
                                        .body = Text(item.body),
                                        .attachment = attachment.empty() ? oracles::Attachment{} : attachment.front()})};
}

std::string SimpleMail(const std::wstring& attachmentPath) {
  return "[ADDRESS]\r\nSales Team\r\n[SUBJECT]\r\nQuarterly figures\r\n[BODY]\r\nDear all,\r\n\r\n"
         "the figures are attached.\r\n[ATTACHMENT]\r\n" + Narrow(attachmentPath) + "\r\n";
}

std::string Narrow(const std::wstring& text) {
  std::string bytes;
  for (const wchar_t c : text) bytes += static_cast<char>(c);
  return bytes;
}

}  // namespace e2e
