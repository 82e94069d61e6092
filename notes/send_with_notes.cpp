#include "notes/send_with_notes.h"

#include "platform/attachment_path.h"
#include "platform/failure_report.h"

namespace notes {

using platform::AutomationObject;
using platform::Desktop;
using platform::ObjectRef;
using platform::Value;

namespace {

constexpr std::int16_t kEmbedAttachment = 1454;

void EmbedWhenFound(Desktop& desktop, AutomationObject& richTextItem, const std::u16string& path) {
  if (path.empty()) return;
  if (desktop.FindFileName(path).empty()) return;
  // Notes opens the file itself: it gets the file that was found, whatever its current folder.
  const std::u16string clientPath = platform::AttachmentPathForClient(desktop, path);
  desktop.CallMethod(richTextItem, u"EMBEDOBJECT",
                     {Value::Int16(kEmbedAttachment), Value::String(u""), Value::StringByRef(clientPath),
                      Value::String(desktop.FindFileName(path))});
}

}  // namespace

void ActivateNotesWindow(Desktop& desktop) {
  ObjectRef session = desktop.CreateAutomationObject(u"Notes.NotesSession");
  desktop.PumpMessages();
  desktop.PumpMessages();
  const platform::WindowHandle window = desktop.FindWindowA("NOTES", nullptr);
  if (window != 0) {
    desktop.ShowWindow(window, platform::ShowCommand::Maximized);
    desktop.SetForegroundWindow(window);
  }
  session.reset();
}

platform::HandOff SendWithNotes(Desktop& desktop, const std::u16string& subject, const std::u16string& address,
                                const platform::NullableString& copyTo, const std::u16string& blindCopyTo,
                                const std::u16string& body, const std::u16string& attachment,
                                const std::u16string& secondAttachment) {
  ObjectRef session;
  ObjectRef database;
  ObjectRef document;
  ObjectRef richTextItem;
  ObjectRef workspace;
  platform::HandOff outcome = platform::HandOff::Completed;
  try {
    ActivateNotesWindow(desktop);
    // Spelt otherwise than in ActivateNotesWindow, and on purpose: COM matches
    // ProgIDs without regard to letter case, so both name the one class, and
    // each is passed exactly as the Notes hand-off has always spelt it.
    session = desktop.CreateAutomationObject(u"Notes.Notessession");
    database = desktop.CallMethodForObject(*session, u"GETDATABASE", {Value::String(u""), Value::String(u"")});
    desktop.CallMethod(*database, u"OPENMAIL", {});
    document = desktop.CallMethodForObject(*database, u"CreateDocument", {});
    richTextItem = desktop.CallMethodForObject(*document, u"CREATERICHTEXTITEM", {Value::String(u"Body")});
    desktop.SetProperty(*document, u"Subject", Value::String(subject));
    desktop.SetProperty(*document, u"SendTo", Value::String(address));
    desktop.SetProperty(*document, u"CopyTo", Value::String(copyTo));
    desktop.SetProperty(*document, u"BlindCopyTo", Value::String(blindCopyTo));
    desktop.SetProperty(*document, u"Body", Value::String(body));
    EmbedWhenFound(desktop, *richTextItem, attachment);
    EmbedWhenFound(desktop, *richTextItem, secondAttachment);
    workspace = desktop.CreateAutomationObject(u"Notes.NotesUIWorkspace");
    // A failing GOTOFIELD releases the editor document while unwinding, before the handler runs.
    ObjectRef editorDocument = desktop.CallMethodForObject(
        *workspace, u"EDITDOCUMENT", {Value::Boolean(true), Value::ObjectByRef(*document)});
    desktop.CallMethod(*editorDocument, u"GOTOFIELD", {Value::String(u"Subject")});
    editorDocument.reset();
  } catch (...) {
    outcome = platform::ReportFailure(desktop, platform::CurrentFailure(), u"Lotus Notes is not installed!");
  }
  // Exit point: the session first, then workspace, document, rich-text item
  // and database. A fixed order, not that of creation backwards: the document
  // goes before the rich-text item made from it.
  session.reset();
  workspace.reset();
  document.reset();
  richTextItem.reset();
  database.reset();
  return outcome;
}

platform::HandOff ComposeNotesMemo(Desktop& desktop, mailfile::MailFields& fields) {
  return SendWithNotes(desktop, fields.subject, fields.address, platform::NullableString(), std::u16string(),
                       fields.body, fields.attachment, std::u16string());
}

}  // namespace notes
