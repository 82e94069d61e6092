// How failures of the system and of automation servers become the
// platform::Failure the logic sees. Every number and text this layer chooses
// itself is written down in failure_mapping.cpp.
#pragma once

#include <windows.h>
#include <oaidl.h>

#include <cstdint>
#include <new>
#include <string>

#include "platform/automation.h"

namespace platform::win32 {

// Failures this layer names itself, numbered as Visual Basic numbers its
// run-time errors, so that the messages read as users of such programs know them.
enum class RuntimeError : std::int32_t {
  Overflow = 6,
  OutOfMemory = 7,
  TypeMismatch = 13,
  BadFileName = 52,
  FileNotFound = 53,
  DeviceIoError = 57,
  TooManyFiles = 67,
  DeviceUnavailable = 68,
  PermissionDenied = 70,
  DiskNotReady = 71,
  PathFileAccessError = 75,
  PathNotFound = 76,
  ObjectVariableNotSet = 91,
  ObjectRequired = 424,
  CannotCreateObject = 429,
  NotAutomationObject = 430,
  MemberNotSupported = 438,
  ArgumentNotOptional = 449,
  WrongArgumentCount = 450,
};

// What was being done when the system reported a failure: the same code means
// something different to the user at each.
enum class Operation { CreateObject, CallMember, FileAccess };

Failure MakeFailure(RuntimeError error);

// A failed HRESULT: a runtime error where the table has one for this
// operation, otherwise the HRESULT itself with the system's text for it.
Failure FailureFromHresult(HRESULT result, Operation operation);

// A Win32 error code as GetLastError gives it.
Failure FailureFromWin32Error(DWORD error, Operation operation);

// The failure a server raised with DISP_E_EXCEPTION. Runs the server's
// deferred fill-in first; the caller still owns and frees the BSTRs.
Failure FailureFromException(EXCEPINFO& exception);

// Runs one desktop operation; a std::bad_alloc inside it leaves as the
// failure "Out of memory", since the logic handles only platform::Failure.
template <class Body>
auto WithOutOfMemoryAsFailure(Body&& body) -> decltype(body()) {
  try {
    return body();
  } catch (const std::bad_alloc&) {
    throw MakeFailure(RuntimeError::OutOfMemory);
  }
}

// The system's text for a code, without its line end; "" when it has none.
std::u16string SystemMessageText(HRESULT result);

}  // namespace platform::win32
