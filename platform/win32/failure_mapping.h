// How failures of the system and of automation servers become the
// platform::Failure the logic sees: which codes become which run-time error
// (platform/failure.h) is written down in failure_mapping.cpp.
#pragma once

#include <windows.h>
#include <oaidl.h>

#include <string>

#include "platform/failure.h"

namespace platform::win32 {

// What was being done when the system reported a failure: the same code means
// something different to the user at each.
enum class Operation { CreateObject, CallMember, FileAccess };

// A failed HRESULT: a runtime error where the table has one for this
// operation, otherwise the HRESULT itself with the system's text for it.
Failure FailureFromHresult(HRESULT result, Operation operation);

// A Win32 error code as GetLastError gives it.
Failure FailureFromWin32Error(DWORD error, Operation operation);

// The failure a server raised with DISP_E_EXCEPTION. Runs the server's
// deferred fill-in first; the caller still owns and frees the BSTRs.
Failure FailureFromException(EXCEPINFO& exception);

// The system's text for a code, without its line end; "" when it has none.
std::u16string SystemMessageText(HRESULT result);

}  // namespace platform::win32
