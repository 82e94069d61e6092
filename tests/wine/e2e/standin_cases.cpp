// The stand-ins themselves: registration by their own /RegServer and
// /UnregServer switches, as a 32-bit client then finds them, and the settings
// file that carries a test's wishes to a server COM starts.
#include <windows.h>

#include <gtest/gtest.h>

#include "harness.h"
#include "platform/win32/owners.h"

namespace e2e {
namespace {

using platform::win32::ComPtr;

bool ProgIdKnown(const wchar_t* progId) {
  CLSID clsid{};
  return SUCCEEDED(CLSIDFromProgID(progId, &clsid));
}

}  // namespace

TEST(Standins, regserver_switches) {
  const StandinLock lock = TakeStandinLock();
  EXPECT_TRUE(lock != nullptr) << L"the stand-ins are ours for the case";
  const std::wstring server = standins::ModuleFolder() + L"\\standins\\NotesStandin.exe";
  ProgramRun run = RunProgram(server, L"\"" + server + L"\" /RegServer NotesSession", std::chrono::seconds(30));
  EXPECT_TRUE(run.ended && run.exitCode == 0) << L"/RegServer NotesSession succeeds";
  EXPECT_TRUE(ProgIdKnown(L"Notes.NotesSession")) << L"Notes.NotesSession is registered";
  EXPECT_TRUE(ProgIdKnown(L"Notes.Notessession")) << L"ProgIDs are found in any letter case";
  EXPECT_TRUE(!ProgIdKnown(L"Notes.NotesUIWorkspace")) << L"the class left out is not registered";

  CLSID clsid{};
  CLSIDFromProgID(L"Notes.NotesSession", &clsid);
  ComPtr<IDispatch> session;
  EXPECT_TRUE(
      SUCCEEDED(CoCreateInstance(clsid, nullptr, CLSCTX_SERVER, IID_IDispatch, reinterpret_cast<void**>(&session))))
      << L"a 32-bit client creates the registered class";
  DISPID id = 0;
  wchar_t name[] = L"getdatabase";
  LPOLESTR names[] = {name};
  EXPECT_TRUE(session && SUCCEEDED(session->GetIDsOfNames(IID_NULL, names, 1, 0, &id)))
      << L"member names are found in any letter case";
  wchar_t unknown[] = L"Quit";
  LPOLESTR unknownNames[] = {unknown};
  EXPECT_TRUE(session && session->GetIDsOfNames(IID_NULL, unknownNames, 1, 0, &id) == DISP_E_UNKNOWNNAME)
      << L"any other member is unknown";
  session.Reset();

  run = RunProgram(server, L"\"" + server + L"\" /RegServer", std::chrono::seconds(30));
  EXPECT_TRUE(run.ended && run.exitCode == 0 && ProgIdKnown(L"Notes.NotesUIWorkspace"))
      << L"/RegServer registers every class";
  run = RunProgram(server, L"\"" + server + L"\" /UnregServer", std::chrono::seconds(30));
  EXPECT_TRUE(run.ended && run.exitCode == 0) << L"/UnregServer succeeds";
  EXPECT_TRUE(!ProgIdKnown(L"Notes.NotesSession") && !ProgIdKnown(L"Notes.NotesUIWorkspace"))
      << L"/UnregServer removes every class";
  // The server started above shows the Notes window: close it to end it
  // (the lock is a mutex, which its holder may take again).
  CloseStandinWindows();
}

// Descriptions with any character survive the trip through the settings file.
TEST(Standins, settings_round_trip) {
  standins::Settings settings;
  settings.journalPath = L"Z:\\some folder\\journal.txt";
  settings.notesWindow = standins::NotesWindowMode::Minimized;
  standins::Fault fault;
  fault.target = L"create:NotesSession";
  fault.occurrence = 2;
  fault.kind = standins::Fault::Kind::ExceptionSCode;
  fault.number = static_cast<long>(0x800A01A8);
  fault.hasDescription = true;
  fault.description =
      std::wstring(L"line\r\nbreak, tab\t, quote \", backslash \\, nul ") + L'\0' + L" \u00E9\u20AC desc=";
  settings.faults = {fault, {L"Display", 0, standins::Fault::Kind::ResultNull, 0, false, L""}};
  const standins::Settings read = standins::ParseSettings(standins::FormatSettings(settings));
  EXPECT_EQ(read.journalPath, settings.journalPath) << L"journal path";
  EXPECT_TRUE(read.notesWindow == settings.notesWindow) << L"Notes window mode";
  EXPECT_EQ(read.faults.size(), 2u) << L"number of faults";
  if (read.faults.size() != 2) return;
  EXPECT_EQ(read.faults[0].target, fault.target) << L"target";
  EXPECT_EQ(read.faults[0].occurrence, 2) << L"occurrence";
  EXPECT_TRUE(read.faults[0].kind == fault.kind) << L"kind";
  EXPECT_EQ(read.faults[0].number, fault.number) << L"number";
  EXPECT_TRUE(read.faults[0].hasDescription) << L"has a description";
  EXPECT_EQ(read.faults[0].description, fault.description) << L"description";
  EXPECT_EQ(read.faults[1].occurrence, 0) << L"every call";
  EXPECT_TRUE(!read.faults[1].hasDescription) << L"a null description stays null";
}

}  // namespace e2e
