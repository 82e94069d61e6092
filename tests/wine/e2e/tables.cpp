#include "tables.h"

#include "composers.h"

namespace e2e {

namespace {

std::u16string Text(const std::wstring& text) { return {text.begin(), text.end()}; }

std::vector<oracles::Attachment> Found(const std::optional<Attachment>& attachment) {
  if (!attachment) return {};
  return {{.path = Text(attachment->path), .name = Text(attachment->name)}};
}

}  // namespace

CallTable NotesTable(const Message& memo) {
  return {.steps = oracles::NotesRun({.subject = Text(memo.subject), .address = Text(memo.address),
                                      .body = Text(memo.body), .attachments = Found(memo.attachment)}),
          .nullString = memo.copyTo,
          .session = memo.session};
}

CallTable OutlookTable(const Message& item) {
  std::vector<oracles::Attachment> attachment = Found(item.attachment);
  return {.steps =
              oracles::OutlookRun({.subject = Text(item.subject),
                                   .address = Text(item.address),
                                   .body = Text(item.body),
                                   .attachment = attachment.empty() ? oracles::Attachment{} : attachment.front()})};
}

Attachment MakeAttachment(const CaseFiles& files, AttachmentKind kind) {
  switch (kind) {
    case AttachmentKind::Present: return {files.Write(L"report.pdf", "%PDF-1.4 figures"), L"report.pdf"};
    case AttachmentKind::Missing: return {files.Path(L"no-such-report.pdf"), L""};
    case AttachmentKind::Hidden: return {files.WriteHidden(L"hidden-report.pdf", "%PDF-1.4 hidden"), L""};
    case AttachmentKind::Folder: return {files.MakeFolder(L"report-folder.pdf"), L""};
    case AttachmentKind::Wildcard:
      files.Write(L"report.pdf", "%PDF-1.4 figures");
      return {files.Path(L"rep*.p?f"), L"report.pdf"};
  }
  return {};
}

std::string SimpleMail(const std::wstring& attachmentPath) {
  return "[ADDRESS]\r\nSales Team\r\n[SUBJECT]\r\nQuarterly figures\r\n[BODY]\r\nDear all,\r\n\r\n"
         "the figures are attached.\r\n[ATTACHMENT]\r\n" + Narrow(attachmentPath) + "\r\n";
}

Message SimpleMessage(std::optional<Attachment> attachment) {
  return {.subject = L"Quarterly figures",
          .address = L"Sales Team",
          .body = L"Dear all,\r\rthe figures are attached.\r",
          .attachment = std::move(attachment)};
}

std::string Narrow(const std::wstring& text) {
  std::string bytes;
  for (const wchar_t c : text) bytes += static_cast<char>(c);
  return bytes;
}

}  // namespace e2e
