#include "composers.h"

#include <algorithm>

namespace oracles {
namespace {

Argument Int16(int value) { return {.kind = Argument::Kind::Int16, .number = value}; }
Argument String(std::u16string text) { return {.kind = Argument::Kind::String, .text = std::move(text)}; }
Argument Boolean(bool value) { return {.kind = Argument::Kind::Boolean, .number = value ? 1 : 0}; }

Step Create(std::u16string progId, std::string makes) {
  return {.kind = Step::Kind::Create, .member = std::move(progId), .makes = std::move(makes)};
}

Step Call(std::string object, std::u16string member, std::vector<Argument> arguments, std::string makes = {}) {
  return {.kind = Step::Kind::Call, .object = std::move(object), .member = std::move(member),
          .arguments = std::move(arguments), .makes = std::move(makes)};
}

Step Set(std::string object, std::u16string member, Argument value) {
  return {.kind = Step::Kind::Set, .object = std::move(object), .member = std::move(member),
          .arguments = {std::move(value)}};
}

Step Release(std::string object, bool atExit = false) {
  return {.kind = Step::Kind::Release, .object = std::move(object), .atExit = atExit};
}

Step Find(const Attachment& attachment) {
  return {.kind = Step::Kind::FindFile, .member = attachment.path, .text = attachment.name};
}

// The lookup of an attachment and, where it names a file, the path the
// client gets for it.
Argument LookUp(std::vector<Step>& steps, const Attachment& attachment) {
  steps.push_back(Find(attachment));
  if (!attachment.name.empty() && !attachment.fullPath.empty()) {
    steps.push_back({.kind = Step::Kind::FullPath, .member = attachment.path, .text = attachment.fullPath});
  }
  return {.kind = Argument::Kind::StringByRef,
          .text = attachment.fullPath.empty() ? attachment.path : attachment.fullPath};
}

}  // namespace

bool CanFail(const Step& step) {
  using enum Step::Kind;
  return step.kind == Create || step.kind == Call || step.kind == Get || step.kind == Set || step.kind == FindFile;
}

std::vector<Step> FailedAt(const std::vector<Step>& complete, std::size_t failing, std::u16string box) {
  std::vector<Step> steps(complete.begin(), complete.begin() + static_cast<std::ptrdiff_t>(failing) + 1);
  steps.back().failed = true;
  std::vector<std::string> held;
  for (std::size_t i = 0; i < failing; ++i) {
    if (!complete[i].makes.empty()) held.push_back(complete[i].makes);
    if (complete[i].kind == Step::Kind::Release) std::erase(held, complete[i].object);
  }
  const auto releases = [&](bool atExit) {
    for (std::size_t i = failing + 1; i < complete.size(); ++i) {
      const Step& step = complete[i];
      if (step.kind == Step::Kind::Release && step.atExit == atExit && std::ranges::count(held, step.object) > 0) {
        steps.push_back(step);
      }
    }
  };
  releases(false);
  steps.push_back({.kind = Step::Kind::Box, .text = std::move(box)});
  releases(true);
  return steps;
}

std::vector<Step> NotesRun(const Message& memo) {
  std::vector<Step> steps = {Create(u"Notes.NotesSession", "activation"), {.kind = Step::Kind::Pump},
                             {.kind = Step::Kind::Pump}, {.kind = Step::Kind::FindWindow, .member = u"NOTES"}};
  if (memo.notesWindow) steps.insert(steps.end(), {{.kind = Step::Kind::ShowWindow}, {.kind = Step::Kind::Foreground}});
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
    if (attachment.path.empty()) continue;
    const Argument clientPath = LookUp(steps, attachment);
    if (attachment.name.empty()) continue;
    // The name given to Notes is looked up once more.
    steps.push_back(Find(attachment));
    steps.push_back(Call("richtext", u"EMBEDOBJECT", {Int16(1454), String(u""), clientPath, String(attachment.name)}));
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

std::vector<Step> OutlookRun(const Message& item) {
  std::vector<Step> steps = {
      Create(u"Outlook.Application", "application"),
      Call("application", u"CreateItem", {Int16(0)}, "mailitem"),
      Set("mailitem", u"To", String(item.address)),
      Set("mailitem", u"Subject", String(item.subject)),
      Set("mailitem", u"Body", String(item.body)),
  };
  for (const Attachment& attachment : item.attachments) {
    if (attachment.path.empty()) continue;
    const Argument clientPath = LookUp(steps, attachment);
    if (attachment.name.empty()) continue;
    steps.push_back({.kind = Step::Kind::Get, .object = "mailitem", .member = u"Attachments", .makes = "attachments"});
    steps.push_back(Call("attachments", u"Add", {clientPath}));
    steps.push_back(Release("attachments"));
  }
  steps.push_back(Set("mailitem", u"ReadReceiptRequested", Boolean(false)));
  steps.push_back(Call("mailitem", u"Display", {}));
  steps.push_back(Release("application", true));
  steps.push_back(Release("mailitem", true));
  return steps;
}

}  // namespace oracles
