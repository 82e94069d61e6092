// Failures as the logic sees them: a number and a text. The numbers and texts
// that these programs choose themselves are written down once, here and in
// failure.cpp.
#pragma once

#include <cstdint>
#include <exception>
#include <string>
#include <utility>

namespace platform {

// A failure raised by any desktop operation, read by the composers' handlers.
struct Failure : std::exception {
  Failure(std::int32_t number, std::u16string description)
      : number(number), description(std::move(description)) {}
  const char* what() const noexcept override { return "desktop operation failed"; }

  std::int32_t number;
  std::u16string description;
};

// Failures the programs name themselves: the programs' own list of error
// numbers and texts, which the user's guide gives with what each means. Every
// other number comes from the automation server or the system.
enum class RuntimeError : std::int32_t {
  Overflow = 6,
  OutOfMemory = 7,
  TypeMismatch = 13,
  InternalError = 51,
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

constexpr std::int32_t NumberOf(RuntimeError error) { return static_cast<std::int32_t>(error); }

// The failure with the error's number and its text from the programs' list.
Failure MakeFailure(RuntimeError error);

// Called from a handler: the exception being handled as a failure. A
// std::bad_alloc is "Out of memory", an exception of no known kind an
// "Internal error".
Failure CurrentFailure();

// "Error: " + number + " " + description, the general message of both composers.
std::u16string GeneralErrorText(const Failure& failure);

// The decimal digits of number, without sign or grouping.
std::u16string DecimalDigits(std::uint64_t number);

}  // namespace platform
