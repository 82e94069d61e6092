#include "expectations.h"

#include "same_name.h"

namespace e2e {

namespace {

// "lookup database#1.OPENMAIL" for the row "call database#1.OPENMAIL()".
std::wstring LookupLine(const CallRow& row) {
  const std::size_t object = row.line.find(L' ') + 1;
  return L"lookup " + row.line.substr(object, row.line.find(L'(') - object) + L" -> DISP_E_UNKNOWNNAME [injected]";
}

}  // namespace

std::vector<std::wstring> SuccessEvents(const CallTable& table) {
  std::vector<std::wstring> events;
  for (const CallRow& row : table.rows) {
    events.push_back(row.line + row.result);
    if (!row.releasedRightAfter.empty()) events.push_back(L"release " + row.releasedRightAfter);
  }
  for (const std::wstring& object : table.exitReleases) events.push_back(L"release " + object);
  return events;
}

std::size_t RowOf(const CallTable& table, const standins::Fault& fault) {
  int seen = 0;
  for (std::size_t i = 0; i < table.rows.size(); ++i) {
    if (standins::SameName(table.rows[i].target, fault.target) && ++seen == std::max(fault.occurrence, 1)) return i;
  }
  return table.rows.size();
}

std::vector<std::wstring> FailureEvents(const CallTable& table, std::size_t failing, const standins::Fault& fault) {
  std::vector<std::wstring> events;
  std::vector<std::wstring> made;
  for (std::size_t i = 0; i < failing; ++i) {
    const CallRow& row = table.rows[i];
    events.push_back(row.line + row.result);
    if (!row.releasedRightAfter.empty()) events.push_back(L"release " + row.releasedRightAfter);
    if (!row.makes.empty()) made.push_back(row.makes);
  }
  const CallRow& row = table.rows[failing];
  events.push_back(fault.kind == standins::Fault::Kind::UnknownName ? LookupLine(row) : row.line + L" -> *");
  // A client that died sees nothing more, releases included.
  if (standins::Dies(fault.kind)) return events;
  // An object held only around its row goes as the row fails, before the handler.
  if (!row.releasedRightAfter.empty()) events.push_back(L"release " + row.releasedRightAfter);
  for (const std::wstring& object : table.exitReleases) {
    if (std::ranges::find(made, object) != made.end()) events.push_back(L"release " + object);
  }
  return events;
}

void ExpectEvents(Check& check, const Result& result, const std::vector<std::wstring>& expected) {
  const std::vector<std::wstring> actual = ClientEvents(result.journal);
  std::vector<std::wstring> matched = expected;
  for (std::size_t i = 0; i < matched.size() && i < actual.size(); ++i) {
    if (matched[i].ends_with(L"*") && actual[i].starts_with(std::wstring_view(matched[i]).substr(0, matched[i].size() - 1))) {
      matched[i] = actual[i];
    }
  }
  check.Lines(actual, matched, L"calls the stand-in received");
}

void ExpectNoBox(Check& check, const Result& result) {
  for (const MessageBoxSeen& box : result.run.boxes) check.That(false, L"unexpected box: " + box.title + L": " + box.text);
}

void ExpectCriticalBox(Check& check, const Result& result, Client client, const std::wstring& text) {
  check.Equal(static_cast<long long>(result.run.boxes.size()), 1, L"number of message boxes");
  if (result.run.boxes.empty()) return;
  const MessageBoxSeen& box = result.run.boxes.front();
  check.Equal(box.text, text, L"box text");
  check.Equal(box.title, ProgramName(client), L"box title");
  check.Equal(IconName(box.icon), IconName(BoxIcon::Critical), L"box icon");
  check.Equal(static_cast<long long>(box.buttons.size()), 1, L"number of buttons");
  if (!box.buttons.empty()) check.Equal(box.buttons.front(), L"OK", L"button");
}

void ExpectCleanEnd(Check& check, const Result& result, DWORD exitCode) {
  check.That(result.run.started, L"the program started");
  check.That(result.run.ended, L"the program ended by itself");
  check.Equal(static_cast<long long>(result.run.exitCode), exitCode, L"exit code");
  for (const std::wstring& object : UnreleasedObjects(result.journal)) check.That(false, L"never released: " + object);
  for (const std::wstring& problem : result.cleanupProblems) check.That(false, problem);
}

std::wstring GeneralMessage(long number, const std::wstring& description) {
  return L"Error: " + std::to_wstring(number) + L" " + description;
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

void NoteJournal(Check& check, const Result& result) {
  std::wstring text = L"journal:";
  for (const std::wstring& line : result.journal) text += L"\n        " + line;
  for (const MessageBoxSeen& box : result.run.boxes) {
    text += L"\n      box: [" + box.title + L"] [" + box.text + L"] " + IconName(box.icon);
  }
  text += L"\n      exit code " + std::to_wstring(result.run.exitCode) + L" after " +
          std::to_wstring(result.run.seconds) + L" s";
  check.Note(text);
}

}  // namespace e2e
