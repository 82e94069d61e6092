#include "tables.h"

#include "composers.h"

namespace e2e {

namespace {

std::u16string Text(const std::wstring& text) { return {text.begin(), text.end()}; }

oracles::Message Oracle(const Message& message) {
  oracles::Message oracle{
      .subject = Text(message.subject), .address = Text(message.address), .body = Text(message.body)};
  if (message.attachment) {
    oracle.attachments = {{.path = Text(message.attachment->path), .name = Text(message.attachment->name)}};
  }
  return oracle;
}

}  // namespace

CallTable NotesTable(const Message& memo) {
  return {.steps = oracles::NotesRun(Oracle(memo)), .nullString = memo.copyTo, .session = memo.session};
}

CallTable OutlookTable(const Message& item) { return {.steps = oracles::OutlookRun(Oracle(item))}; }

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

AttachmentRun RunWithAttachment(Client client, const std::wstring& caseName, AttachmentKind kind) {
  const CaseFiles files(caseName);
  const Attachment attachment = MakeAttachment(files, kind);
  Scenario scenario;
  scenario.client = client;
  scenario.mail = SimpleMail(attachment.path);
  Message message = SimpleMessage();
  if (!attachment.name.empty()) message.attachment = attachment;
  return {Run(files, scenario), client == Client::Notes ? NotesTable(message) : OutlookTable(message)};
}

Result RunFault(Client client, const std::wstring& caseName, const FaultCase& test, const std::wstring& notInstalled) {
  const CaseFiles files(caseName);
  const std::wstring attachment = files.Write(L"report.pdf", "%PDF-1.4 figures");
  Scenario scenario;
  scenario.client = client;
  scenario.mail = SimpleMail(attachment);
  scenario.faults = {test.fault};
  Result result = Run(files, scenario);
  SCOPED_TRACE(JournalText(result));
  const Message message = SimpleMessage(Attachment{attachment, L"report.pdf"});
  const CallTable table = client == Client::Notes ? NotesTable(message) : OutlookTable(message);
  ExpectFailedAt(result, table, test.fault, client, test.message, test.message == notInstalled ? 3 : 4);
  return result;
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
