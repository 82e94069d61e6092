// The least any hand-off must do before its first automation call, and so the
// floor of the start-up timing in command-line mode: start COM as a
// single-threaded apartment, look the ProgID up, create the class and look
// one member up by name. Usage: com_client.exe PROGID MEMBER
#include <windows.h>
#include <oleauto.h>

#include <cwchar>

#include "platform/win32/owners.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR tail, int) {
  wchar_t* member = std::wcschr(tail, L' ');
  if (member == nullptr) return 2;
  *member++ = L'\0';
  if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) return 3;
  int status = 4;
  {
    CLSID classId;
    platform::win32::ComPtr<IDispatch> dispatch;
    if (SUCCEEDED(CLSIDFromProgID(tail, &classId)) &&
        SUCCEEDED(CoCreateInstance(classId, nullptr, CLSCTX_SERVER, IID_PPV_ARGS(&dispatch)))) {
      DISPID id = DISPID_UNKNOWN;
      status = SUCCEEDED(dispatch->GetIDsOfNames(IID_NULL, &member, 1, LOCALE_USER_DEFAULT, &id)) ? 0 : 5;
    }
  }  // the object goes before COM does
  CoUninitialize();
  return status;
}
