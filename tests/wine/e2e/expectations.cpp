#include "expectations.h"

#include <algorithm>
#include <cctype>

#include "same_name.h"

namespace e2e {

namespace {

using oracles::Argument;
using oracles::Step;

std::wstring Wide(std::u16string_view text) { return {text.begin(), text.end()}; }

// The stand-in numbers the objects of each kind: database#1. The window
// activation's session is the first; the composer's comes after it.
std::wstring NameOf(const CallTable& table, const std::string& role) {
  if (role == "activation") return L"session#1";
  if (role == "session") return table.session;
  return std::wstring(role.begin(), role.end()) + L"#1";
}

// The stand-in's class for a ProgID, in its own letter case.
std::wstring ClassOf(std::u16string_view progId) {
  const std::wstring name = Wide(progId.substr(progId.find(u'.') + 1));
  for (const wchar_t* standinClass : {L"NotesSession", L"NotesUIWorkspace", L"Application"}) {
    if (standins::SameName(name, standinClass)) return standinClass;
  }
  return name;
}

std::wstring ValueText(const CallTable& table, const Argument& argument) {
  switch (argument.kind) {
    case Argument::Kind::Int16: return L"VT_I2 " + std::to_wstring(argument.number);
    case Argument::Kind::String: return Bstr(Wide(argument.text));
    case Argument::Kind::NullString: return table.nullString;
    case Argument::Kind::StringByRef: return BstrRef(Wide(argument.text));
    case Argument::Kind::Boolean: return argument.number != 0 ? L"VT_BOOL -1" : L"VT_BOOL 0";
    case Argument::Kind::ObjectByRef: return L"VT_BYREF|VT_DISPATCH " + NameOf(table, argument.object);
  }
  return L"?";
}

// Only what crosses to the mail client reaches the stand-in's journal.
bool Seen(const Step& step) {
  using enum Step::Kind;
  return step.kind == Create || step.kind == Call || step.kind == Get || step.kind == Set || step.kind == Release;
}

std::wstring Target(const Step& step) {
  if (step.kind == Step::Kind::Create) return L"create:" + ClassOf(step.member);
  if (step.kind == Step::Kind::FindFile) return L"find";
  return Wide(step.member);
}

std::wstring Line(const CallTable& table, const Step& step) {
  const std::wstring member = NameOf(table, step.object) + L"." + Wide(step.member);
  switch (step.kind) {
    case Step::Kind::Create: return L"create " + ClassOf(step.member);
    case Step::Kind::Get: return L"get " + member + L"()";
    case Step::Kind::Set: return L"put " + member + L"(" + ValueText(table, step.arguments.front()) + L")";
    case Step::Kind::Release: return L"release " + NameOf(table, step.object);
    default: break;
  }
  std::wstring line = L"call " + member + L"(";
  for (const Argument& argument : step.arguments) {
    line += (&argument == &step.arguments.front() ? L"" : L", ") + ValueText(table, argument);
  }
  return line + L")";
}

std::wstring Outcome(const CallTable& table, const Step& step) {
  if (step.makes.empty()) return L"";
  return (step.kind == Step::Kind::Create ? L" -> " : L" -> VT_DISPATCH ") + NameOf(table, step.makes);
}

std::vector<std::wstring> Events(const CallTable& table, const std::vector<Step>& steps, const standins::Fault* fault) {
  std::vector<std::wstring> events;
  for (const Step& step : steps) {
    if (!Seen(step)) continue;
    if (!step.failed) {
      events.push_back(Line(table, step) + Outcome(table, step));
      continue;
    }
    events.push_back(fault->kind == standins::Fault::Kind::UnknownName
                         ? L"lookup " + NameOf(table, step.object) + L"." + Wide(step.member) +
                               L" -> DISP_E_UNKNOWNNAME [injected]"
                         : Line(table, step) + L" -> *");
    // A client that died sees nothing more, releases included.
    if (standins::Dies(fault->kind)) break;
  }
  return events;
}

}  // namespace

std::vector<std::wstring> SuccessEvents(const CallTable& table) { return Events(table, table.steps, nullptr); }

std::size_t RowOf(const CallTable& table, const standins::Fault& fault) {
  int seen = 0;
  for (std::size_t i = 0; i < table.steps.size(); ++i) {
    if (standins::SameName(Target(table.steps[i]), fault.target) && ++seen == std::max(fault.occurrence, 1)) return i;
  }
  return table.steps.size();
}

std::vector<std::wstring> FailureEvents(const CallTable& table, std::size_t failing, const standins::Fault& fault) {
  return Events(table, oracles::FailedAt(table.steps, failing, u""), &fault);
}

std::wstring CallLine(const CallTable& table, std::size_t step) { return Line(table, table.steps[step]); }

void ExpectEvents(const Result& result, const std::vector<std::wstring>& expected) {
  const std::vector<std::wstring> actual = ClientEvents(result.journal);
  std::vector<std::wstring> matched = expected;
  for (std::size_t i = 0; i < matched.size() && i < actual.size(); ++i) {
    if (matched[i].ends_with(L"*") &&
        actual[i].starts_with(std::wstring_view(matched[i]).substr(0, matched[i].size() - 1))) {
      matched[i] = actual[i];
    }
  }
  EXPECT_EQ(actual, matched) << L"calls the stand-in received";
}

void ExpectNoBox(const Result& result) {
  for (const MessageBoxSeen& box : result.run.boxes) {
    ADD_FAILURE() << L"unexpected box: " + box.title + L": " + box.text;
  }
}

void ExpectCriticalBox(const Result& result, Client client, const std::wstring& text) {
  EXPECT_EQ(result.run.boxes.size(), 1u) << L"number of message boxes";
  if (result.run.boxes.empty()) return;
  const MessageBoxSeen& box = result.run.boxes.front();
  EXPECT_EQ(box.text, text) << L"box text";
  EXPECT_EQ(box.title, ProgramName(client)) << L"box title";
  EXPECT_EQ(IconName(box.icon), IconName(BoxIcon::Critical)) << L"box icon";
  EXPECT_EQ(box.buttons, std::vector<std::wstring>{L"OK"}) << L"buttons";
}

void ExpectCleanEnd(const Result& result, DWORD exitCode) {
  EXPECT_TRUE(result.run.started) << L"the program started";
  EXPECT_TRUE(result.run.ended) << L"the program ended by itself";
  EXPECT_EQ(result.run.exitCode, exitCode) << L"exit code";
  for (const std::wstring& object : UnreleasedObjects(result.journal)) ADD_FAILURE() << L"never released: " + object;
  for (const std::wstring& problem : result.cleanupProblems) ADD_FAILURE() << problem;
}

void ExpectHandOff(const Result& result, const std::vector<std::wstring>& events) {
  ExpectEvents(result, events);
  ExpectNoBox(result);
  ExpectCleanEnd(result);
}

void ExpectFailedAt(const Result& result, const CallTable& table, const standins::Fault& fault, Client client,
                    const std::wstring& box, DWORD exitCode) {
  const std::size_t row = RowOf(table, fault);
  EXPECT_LT(row, table.steps.size()) << L"the fault names a step of the run";
  if (row < table.steps.size()) ExpectEvents(result, FailureEvents(table, row, fault));
  ExpectCriticalBox(result, client, box);
  ExpectCleanEnd(result, exitCode);
}

void ExpectHandOff(const Result& result, const CallTable& table) { ExpectHandOff(result, SuccessEvents(table)); }

void ExpectQuietEnd(const Result& result) {
  ExpectNoBox(result);
  ExpectCleanEnd(result, 2);
  EXPECT_TRUE(result.journal.empty()) << L"no mail client was started";
}

std::wstring GeneralMessage(long number, const std::wstring& description) {
  return L"Error: " + std::to_wstring(number) + L" " + description;
}

std::wstring GeneralMessage(const oracles::DocumentedError& error) {
  const std::u16string text = oracles::ErrorBox(error);
  return std::wstring(text.begin(), text.end());
}

standins::Fault MakeFault(std::wstring target, standins::Fault::Kind kind, long number,
                          std::optional<std::wstring> description, int occurrence) {
  standins::Fault fault;
  fault.target = std::move(target);
  fault.kind = kind;
  fault.number = number;
  fault.occurrence = occurrence;
  fault.hasDescription = description.has_value();
  fault.description = description.value_or(L"");
  return fault;
}

std::wstring JournalText(const Result& result) {
  std::wstring text = L"journal:";
  for (const std::wstring& line : result.journal) text += L"\n        " + line;
  for (const MessageBoxSeen& box : result.run.boxes) {
    text += L"\n      box: [" + box.title + L"] [" + box.text + L"] " + IconName(box.icon);
  }
  if (!result.run.started) {
    text += L"\n      not started: CreateProcessW error " + std::to_wstring(result.run.startError);
  } else {
    text += L"\n      exit code " + std::to_wstring(result.run.exitCode) + L" after " +
            std::to_wstring(result.run.seconds) + L" s";
  }
  return text;
}

bool AddCases(std::vector<TestCase> cases) {
  class Case : public testing::Test {
   public:
    explicit Case(std::function<void()> body) : body_(std::move(body)) {}
    void TestBody() override { body_(); }

   private:
    std::function<void()> body_;
  };
  for (TestCase& one : cases) {
    // "hard.mail.binary_garbage" runs as HardMail.binary_garbage.
    std::string suite;
    std::string name = standins::ToUtf8(one.name);
    for (std::size_t dot = name.find('.'); dot != std::string::npos; dot = name.find('.')) {
      suite += static_cast<char>(std::toupper(static_cast<unsigned char>(name[0]))) + name.substr(1, dot - 1);
      name.erase(0, dot + 1);
    }
    testing::RegisterTest(suite.c_str(), name.c_str(), nullptr, nullptr, __FILE__, __LINE__,
                          [body = std::move(one.run)]() -> testing::Test* { return new Case(body); });
  }
  return true;
}

}  // namespace e2e
