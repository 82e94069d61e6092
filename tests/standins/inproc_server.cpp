// A stand-in as an in-process server: the same objects in a DLL that COM
// loads into the client, so that the journal sees each argument exactly as the
// client passed it, with no marshalling in between.
#include <windows.h>

#include "server.h"

namespace {

standins::Server& TheServer() {
  // Made at the first request and never destroyed: a message window it opened
  // lives until the client's thread ends, after the DLL's static objects.
  static standins::Server& server = *new standins::Server(standins::StandinDefinition(), standins::ServerKind::InProcess);
  return server;
}

}  // namespace

extern "C" __declspec(dllexport) HRESULT __stdcall DllGetClassObject(REFCLSID clsid, REFIID iid, void** object) {
  return TheServer().GetClassObject(clsid, iid, object);
}

extern "C" __declspec(dllexport) HRESULT __stdcall DllCanUnloadNow() { return TheServer().CanUnload() ? S_OK : S_FALSE; }
