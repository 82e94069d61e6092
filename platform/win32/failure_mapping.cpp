#include "platform/win32/failure_mapping.h"

#include <initializer_list>
#include <memory>
#include <string_view>
#include <utility>

#include "platform/win32/wide_text.h"

namespace platform::win32 {
namespace {

constexpr HRESULT FromWin32(DWORD error) {
  return static_cast<HRESULT>((error & 0xFFFFu) | (static_cast<DWORD>(FACILITY_WIN32) << 16) | 0x80000000u);
}

enum class Scope { CreateObject, CallMember, FileAccess, Any };

// The run-time error that codes of the system become at an operation.
struct MappedCodes {
  Scope scope;
  RuntimeError error;
  std::initializer_list<HRESULT> codes;
};

// Which system codes reach the user as a run-time error rather than as the raw
// HRESULT. Kept to codes that arise in what these programs do and where the
// number says more than the code: every other code, a server's own ones
// included (RPC_E_SERVERCALL_RETRYLATER from a busy mail client, say), keeps
// its HRESULT as a signed number with the system's text.
const MappedCodes kMappedCodes[] = {
    // Creating an object: nothing is registered under the ProgID, or the
    // server it names cannot be found or started. The composers tell the user
    // the mail client is not installed.
    {Scope::CreateObject, RuntimeError::CannotCreateObject,
     {CO_E_CLASSSTRING, REGDB_E_CLASSNOTREG, CO_E_APPNOTFOUND, CO_E_SERVER_EXEC_FAILURE, CO_E_DLLNOTFOUND,
      CO_E_ERRORINDLL, FromWin32(ERROR_FILE_NOT_FOUND), FromWin32(ERROR_PATH_NOT_FOUND),
      FromWin32(ERROR_MOD_NOT_FOUND), FromWin32(ERROR_BAD_EXE_FORMAT)}},
    // The class exists but gives no IDispatch: it is there, yet cannot be
    // driven, which is not the same as not installed.
    {Scope::CreateObject, RuntimeError::NotAutomationObject, {E_NOINTERFACE}},

    // Calling a member by name.
    {Scope::CallMember, RuntimeError::MemberNotSupported, {DISP_E_UNKNOWNNAME, DISP_E_MEMBERNOTFOUND}},
    {Scope::CallMember, RuntimeError::TypeMismatch, {DISP_E_TYPEMISMATCH}},
    {Scope::CallMember, RuntimeError::Overflow, {DISP_E_OVERFLOW}},
    {Scope::CallMember, RuntimeError::WrongArgumentCount, {DISP_E_BADPARAMCOUNT}},
    {Scope::CallMember, RuntimeError::ArgumentNotOptional, {DISP_E_PARAMNOTOPTIONAL}},

    // Opening and reading the mail file, and the file-name lookup (which
    // gives an empty name for a path naming no file before it gets here).
    {Scope::FileAccess, RuntimeError::FileNotFound, {FromWin32(ERROR_FILE_NOT_FOUND)}},
    {Scope::FileAccess, RuntimeError::PathNotFound, {FromWin32(ERROR_PATH_NOT_FOUND)}},
    {Scope::FileAccess, RuntimeError::PermissionDenied,
     {FromWin32(ERROR_SHARING_VIOLATION), FromWin32(ERROR_LOCK_VIOLATION)}},
    {Scope::FileAccess, RuntimeError::BadFileName,
     {FromWin32(ERROR_INVALID_NAME), FromWin32(ERROR_BAD_PATHNAME), FromWin32(ERROR_DIRECTORY),
      FromWin32(ERROR_FILENAME_EXCED_RANGE)}},
    {Scope::FileAccess, RuntimeError::DeviceUnavailable,
     {FromWin32(ERROR_INVALID_DRIVE), FromWin32(ERROR_DEV_NOT_EXIST)}},
    {Scope::FileAccess, RuntimeError::DiskNotReady, {FromWin32(ERROR_NOT_READY)}},
    {Scope::FileAccess, RuntimeError::TooManyFiles, {FromWin32(ERROR_TOO_MANY_OPEN_FILES)}},
    {Scope::FileAccess, RuntimeError::DeviceIoError,
     {FromWin32(ERROR_READ_FAULT), FromWin32(ERROR_CRC), FromWin32(ERROR_SECTOR_NOT_FOUND),
      FromWin32(ERROR_GEN_FAILURE), FromWin32(ERROR_IO_DEVICE)}},

    // At any operation. E_ACCESSDENIED and E_OUTOFMEMORY are the HRESULTs of
    // ERROR_ACCESS_DENIED and ERROR_OUTOFMEMORY.
    {Scope::Any, RuntimeError::PermissionDenied, {E_ACCESSDENIED}},
    {Scope::Any, RuntimeError::OutOfMemory, {E_OUTOFMEMORY, FromWin32(ERROR_NOT_ENOUGH_MEMORY)}},
};

bool InScope(Scope scope, Operation operation) {
  switch (scope) {
    case Scope::CreateObject:
      return operation == Operation::CreateObject;
    case Scope::CallMember:
      return operation == Operation::CallMember;
    case Scope::FileAccess:
      return operation == Operation::FileAccess;
    case Scope::Any:
      return true;
  }
  return false;
}

// Servers that raise errors numbered like the programs' own list put the
// number in the low word of a scode of the control facility, 0x800A....
constexpr DWORD kControlFacilityMask = 0xFFFF0000u;
constexpr DWORD kControlFacilityErrors = 0x800A0000u;

struct LocalMemoryDeleter {
  void operator()(wchar_t* memory) const { LocalFree(memory); }
};

std::u16string FormatSystemMessage(DWORD code) {
  wchar_t* buffer = nullptr;
  const DWORD length = FormatMessageW(
      FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS | FORMAT_MESSAGE_ALLOCATE_BUFFER, nullptr, code, 0,
      reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
  const std::unique_ptr<wchar_t, LocalMemoryDeleter> owned(buffer);
  if (length == 0 || buffer == nullptr) return std::u16string();
  std::u16string text = FromWide(std::wstring_view(buffer, length));
  while (!text.empty() && (text.back() == u'\r' || text.back() == u'\n')) text.pop_back();
  return text;
}

}  // namespace

std::u16string SystemMessageText(HRESULT result) {
  std::u16string text = FormatSystemMessage(static_cast<DWORD>(result));
  // Not every system knows the HRESULT form of a Win32 code, but all know the code.
  if (text.empty() && HRESULT_FACILITY(result) == FACILITY_WIN32) {
    text = FormatSystemMessage(static_cast<DWORD>(HRESULT_CODE(result)));
  }
  return text;
}

Failure FailureFromHresult(HRESULT result, Operation operation) {
  for (const MappedCodes& entry : kMappedCodes) {
    if (!InScope(entry.scope, operation)) continue;
    for (const HRESULT code : entry.codes) {
      if (code == result) return MakeFailure(entry.error);
    }
  }
  return Failure(static_cast<std::int32_t>(result), SystemMessageText(result));
}

Failure FailureFromWin32Error(DWORD error, Operation operation) {
  // A call that failed without saying why must not become a failure numbered 0.
  return FailureFromHresult(error == ERROR_SUCCESS ? E_FAIL : FromWin32(error), operation);
}

Failure FailureFromException(EXCEPINFO& exception) {
  if (auto fillIn = std::exchange(exception.pfnDeferredFillIn, nullptr)) fillIn(&exception);

  const auto scode = static_cast<DWORD>(exception.scode);
  std::int32_t number;
  if (exception.wCode != 0) {
    number = exception.wCode;
  } else if ((scode & kControlFacilityMask) == kControlFacilityErrors && (scode & 0xFFFFu) != 0) {
    number = static_cast<std::int32_t>(scode & 0xFFFFu);
  } else if (scode != 0) {
    number = exception.scode;
  } else {
    // An exception that names no error at all is still a failure.
    number = DISP_E_EXCEPTION;
  }

  std::u16string description;
  if (exception.bstrDescription != nullptr) {
    description = FromWide(std::wstring_view(exception.bstrDescription, SysStringLen(exception.bstrDescription)));
  }
  return Failure(number, std::move(description));
}

}  // namespace platform::win32
