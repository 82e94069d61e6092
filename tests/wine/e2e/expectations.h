// What every case checks the same way: the boxes the program showed, its end,
// the stand-in's journal against the call table, and the clean-up.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "harness.h"
#include "composers.h"
#include "documented_errors.h"
#include "settings.h"

namespace e2e {

// A composer's expected run, and how the stand-in names what it receives.
struct CallTable {
  std::vector<oracles::Step> steps;
  std::wstring nullString = L"VT_BSTR null";  // a null string as the stand-in journals it
  std::wstring session = L"session#2";        // the composer's own Notes session
};

// The events of a run that went through every step.
std::vector<std::wstring> SuccessEvents(const CallTable& table);

// The events of a run whose step `failing` failed with fault: every step
// before it, the failing one, then the releases of what had been made;
// nothing after the failing step when the fault lets the client die there.
std::vector<std::wstring> FailureEvents(const CallTable& table, std::size_t failing, const standins::Fault& fault);

// The index of the step a fault names (its nth call of that target): a
// member, "create:<class>", or "find" for the attachment's lookup.
std::size_t RowOf(const CallTable& table, const standins::Fault& fault);

// The journal line of a step up to its outcome.
std::wstring CallLine(const CallTable& table, std::size_t step);

// Expected lines that end in "*" match any line that starts with the rest.
void ExpectEvents(const Result& result, const std::vector<std::wstring>& expected);

void ExpectNoBox(const Result& result);
// Exactly one box: OK only, the program's name as title, the critical icon.
void ExpectCriticalBox(const Result& result, Client client, const std::wstring& text);
// The run ended by itself, inside the harness's bound for a hang, with this
// exit code; every object was released and the stand-ins ended when their
// windows were closed.
void ExpectCleanEnd(const Result& result, DWORD exitCode = 0);

// A hand-off that failed at the fault's step: the run up to it and the
// releases after it, one critical box, and a clean end with this exit code.
void ExpectFailedAt(const Result& result, const CallTable& table, const standins::Fault& fault, Client client,
                    const std::wstring& box, DWORD exitCode = 4);

// The whole message reached the client: every step, no box, a clean end.
void ExpectHandOff(const Result& result, const std::vector<std::wstring>& events);
void ExpectHandOff(const Result& result, const CallTable& table);

// A run that found no mail file: no box, no mail client, exit code 2.
void ExpectQuietEnd(const Result& result);

// What COM gives for a call whose server process died: RPC_S_CALL_FAILED.
inline constexpr long kServerDiedHresult = static_cast<long>(0x800706BEu);

// The general message of the composers for a failure number and description,
// and for one of the documented errors the programs name themselves.
std::wstring GeneralMessage(long number, const std::wstring& description);
std::wstring GeneralMessage(const oracles::DocumentedError& error);

// A fault as the settings file states it.
standins::Fault MakeFault(std::wstring target, standins::Fault::Kind kind, long number = 0,
                          std::optional<std::wstring> description = std::nullopt, int occurrence = 1);

// The journal, the boxes and the end of a run, for the report of a failed case.
std::wstring JournalText(const Result& result);

struct TestCase {
  std::wstring name;  // "group.case", or "group.kind.case"
  std::function<void()> run;
};

// Registers cases with GoogleTest at start-up, as Group.case or GroupKind.case:
// `const bool registered = AddCases({...});`.
bool AddCases(std::vector<TestCase> cases);

// Registers a case for each row of a table, named prefix + the row's name.
template <typename Rows, typename Test>
bool AddRows(const std::wstring& prefix, const Rows& rows, Test test) {
  std::vector<TestCase> cases;
  for (const auto& row : rows) cases.push_back({prefix + row.name, [row, test] { test(row); }});
  return AddCases(std::move(cases));
}

}  // namespace e2e
