#include "composers.h"

namespace oracles {

std::vector<Step> NotesRun(const NotesMemo& memo) {
  std::vector<Step> steps = {Create(u"Notes.NotesSession", "activation"), {.kind = Step::Kind::Pump},
                             {.kind = Step::Kind::Pump}, {.kind = Step::Kind::FindWindow, .member = u"NOTES"}};
  if (memo.notesWindow) {
    steps.push_back({.kind = Step::Kind::ShowWindow});
    steps.push_back({.kind = Step::Kind::Foreground});
  }
  steps.push_back(Release("activation"));
  // The composer's own session: the ProgID in another letter case.
  steps.push_back(Create(u"Notes.Notessession", "session"));
  steps.push_back(Call("session", u"GETDATABASE", {String(u""), String(u"")}, "database"));
  steps.push_back(Call("database", u"OPENMAIL", {}));
  steps.push_back(Call("database", u"CreateDocument", {}, "document"));
  steps.push_back(Call("document", u"CREATERICHTEXTITEM", {String(u"Body")}, "richtext"));
  steps.push_back(Set("document", u"Subject", String(memo.subject)));
  steps.push_back(Set("document", u"SendTo", String(memo.address)));
  steps.push_back(Set("document", u"CopyTo", {.kind = Argument::Kind::NullString}));
  steps.push_back(Set("document", u"BlindCopyTo", String(u"")));
  steps.push_back(Set("document", u"Body", String(memo.body)));
  for (const Attachment& attachment : memo.attachments) {
    AddLookup(steps, attachment);
    if (attachment.name.empty()) continue;
    // The name given to Notes is looked up once more.
    steps.push_back({.kind = Step::Kind::FindFile, .member = attachment.path, .text = attachment.name});
    steps.push_back(Call(
        "richtext", u"EMBEDOBJECT",
        {Int16(1454), String(u""), StringByRef(attachment.fullPath.empty() ? attachment.path : attachment.fullPath),
         String(attachment.name)}));
  }
  steps.push_back(Create(u"Notes.NotesUIWorkspace", "workspace"));
  steps.push_back(Call("workspace", u"EDITDOCUMENT",
                       {Boolean(true), {.kind = Argument::Kind::ObjectByRef, .object = "document"}}, "uidocument"));
  steps.push_back(Call("uidocument", u"GOTOFIELD", {String(u"Subject")}));
  steps.push_back(Release("uidocument"));
  for (const char* object : {"session", "workspace", "document", "richtext", "database"}) {
    steps.push_back(Release(object, true));
  }
  return steps;
}

}  // namespace oracles
