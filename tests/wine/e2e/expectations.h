// What every case checks the same way: the boxes the program showed, its end,
// the stand-in's journal against the call table, and the clean-up.
#pragma once

#include <string>
#include <vector>

#include "harness.h"
#include "runner.h"
#include "settings.h"

namespace e2e {

// One row of a composer's call table as the stand-in journals it.
struct CallRow {
  std::wstring target;  // what a fault names to fail this row: member or "create:<class>"
  std::wstring line;    // the journal line up to the outcome
  std::wstring result;  // " -> VT_DISPATCH database#1" where the result is wanted, else ""
  std::wstring makes;   // the object the row makes and the composer keeps to its exit
  std::wstring releasedRightAfter;  // an object released as soon as the row is done (or fails)
};

struct CallTable {
  std::vector<CallRow> rows;
  // The objects the composer releases at its exit point, in that order.
  std::vector<std::wstring> exitReleases;
};

// The events of a run that went through every row.
std::vector<std::wstring> SuccessEvents(const CallTable& table);

// The events of a run whose row `failing` failed with fault: every row before
// it, the failing row, then the releases of what had been made; nothing
// after the failing row when the fault lets the client die there.
std::vector<std::wstring> FailureEvents(const CallTable& table, std::size_t failing, const standins::Fault& fault);

// The index of the row a fault names (its nth call of that target).
std::size_t RowOf(const CallTable& table, const standins::Fault& fault);

// Expected lines that end in "*" match any line that starts with the rest.
void ExpectEvents(Check& check, const Result& result, const std::vector<std::wstring>& expected);

void ExpectNoBox(Check& check, const Result& result);
// Exactly one box: OK only, the program's name as title, the critical icon.
void ExpectCriticalBox(Check& check, const Result& result, Client client, const std::wstring& text);
// The run ended by itself with this exit code, every object was released and
// the stand-ins ended when their windows were closed.
void ExpectCleanEnd(Check& check, const Result& result, DWORD exitCode = 0);

// What COM gives for a call whose server process died: RPC_S_CALL_FAILED.
inline constexpr long kServerDiedHresult = static_cast<long>(0x800706BEu);

// The general message of the composers for a failure number and description.
std::wstring GeneralMessage(long number, const std::wstring& description);

// A fault as the settings file states it.
standins::Fault MakeFault(std::wstring target, standins::Fault::Kind kind, long number = 0,
                          std::optional<std::wstring> description = std::nullopt, int occurrence = 1);

// The journal, for the report of a failed case.
void NoteJournal(Check& check, const Result& result);

}  // namespace e2e
