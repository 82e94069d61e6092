// The stand-ins are test doubles: most of their faults make the end-to-end
// cases fail, and need no test of their own. What is tested here is the one
// kind that would make them pass wrongly: a stand-in that answers a member
// the real client's object lacks would let a program calling it hand off.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "harness.h"
#include "platform/win32/owners.h"

namespace e2e {
namespace {

using platform::win32::ComPtr;

struct MembersCase {
  Client client;
  const wchar_t* progId;
  std::vector<const wchar_t*> lacking;  // members of other objects or clients, and none at all
};

TEST(Standins, refuse_members_their_objects_lack) {
  const MembersCase cases[] = {
      {Client::Notes, L"Notes.NotesSession", {L"Quit", L"EDITDOCUMENT", L"CreateItem"}},
      {Client::Outlook, L"Outlook.Application", {L"Quit", L"Display", L"GETDATABASE"}},
  };
  for (const MembersCase& test : cases) {
    SCOPED_TRACE(test.progId);
    const CaseFiles files(std::wstring(L"standins.members_") + (test.client == Client::Notes ? L"notes" : L"outlook"));
    StandinSetup setup;
    setup.client = test.client;
    StandinSession standin(files, setup);
    ASSERT_TRUE(standin.Registered());
    CLSID clsid{};
    ComPtr<IDispatch> object;
    ASSERT_TRUE(SUCCEEDED(CLSIDFromProgID(test.progId, &clsid)) &&
                SUCCEEDED(CoCreateInstance(clsid, nullptr, CLSCTX_LOCAL_SERVER, IID_IDispatch,
                                           reinterpret_cast<void**>(&object))));
    for (const wchar_t* member : test.lacking) {
      std::wstring name = member;
      LPOLESTR names[] = {name.data()};
      DISPID id = 0;
      EXPECT_EQ(object->GetIDsOfNames(IID_NULL, names, 1, 0, &id), DISP_E_UNKNOWNNAME) << member;
    }
    object.Reset();
    EXPECT_EQ(standin.End(), std::vector<std::wstring>{});
  }
}

}  // namespace
}  // namespace e2e
