#include "platform/failure.h"

#include <array>
#include <new>
#include <string_view>

namespace platform {
namespace {

struct RuntimeErrorText {
  RuntimeError error;
  std::u16string_view description;
};

// The text of each of the programs' own errors, as the user's guide lists it.
constexpr std::array kRuntimeErrorTexts = {
    RuntimeErrorText{RuntimeError::Overflow, u"Overflow"},
    RuntimeErrorText{RuntimeError::OutOfMemory, u"Out of memory"},
    RuntimeErrorText{RuntimeError::TypeMismatch, u"Type mismatch"},
    RuntimeErrorText{RuntimeError::InternalError, u"Internal error"},
    RuntimeErrorText{RuntimeError::BadFileName, u"Bad file name or number"},
    RuntimeErrorText{RuntimeError::FileNotFound, u"File not found"},
    RuntimeErrorText{RuntimeError::DeviceIoError, u"Device I/O error"},
    RuntimeErrorText{RuntimeError::TooManyFiles, u"Too many files"},
    RuntimeErrorText{RuntimeError::DeviceUnavailable, u"Device unavailable"},
    RuntimeErrorText{RuntimeError::PermissionDenied, u"Permission denied"},
    RuntimeErrorText{RuntimeError::DiskNotReady, u"Disk not ready"},
    RuntimeErrorText{RuntimeError::PathFileAccessError, u"Path/File access error"},
    RuntimeErrorText{RuntimeError::PathNotFound, u"Path not found"},
    RuntimeErrorText{RuntimeError::ObjectVariableNotSet, u"Object variable or With block variable not set"},
    RuntimeErrorText{RuntimeError::ObjectRequired, u"Object required"},
    RuntimeErrorText{RuntimeError::CannotCreateObject, u"ActiveX component can't create object"},
    RuntimeErrorText{RuntimeError::NotAutomationObject,
                     u"Class does not support Automation or does not support expected interface"},
    RuntimeErrorText{RuntimeError::MemberNotSupported, u"Object doesn't support this property or method"},
    RuntimeErrorText{RuntimeError::ArgumentNotOptional, u"Argument not optional"},
    RuntimeErrorText{RuntimeError::WrongArgumentCount, u"Wrong number of arguments or invalid property assignment"},
};

}  // namespace

Failure MakeFailure(RuntimeError error) {
  for (const RuntimeErrorText& entry : kRuntimeErrorTexts) {
    if (entry.error == error) return Failure(NumberOf(error), std::u16string(entry.description));
  }
  return Failure(NumberOf(error), std::u16string());
}

Failure CurrentFailure() {
  try {
    throw;
  } catch (const Failure& failure) {
    return failure;
  } catch (const std::bad_alloc&) {
    return MakeFailure(RuntimeError::OutOfMemory);
  } catch (...) {
    return MakeFailure(RuntimeError::InternalError);
  }
}

std::u16string GeneralErrorText(const Failure& failure) {
  std::u16string text = u"Error: ";
  // Signed decimal, no grouping; widened first so that INT32_MIN negates safely.
  const std::int64_t number = failure.number;
  if (number < 0) text += u'-';
  text += DecimalDigits(number < 0 ? static_cast<std::uint64_t>(-number) : static_cast<std::uint64_t>(number));
  text += u' ';
  text += failure.description;
  return text;
}

std::u16string DecimalDigits(std::uint64_t number) {
  std::u16string digits;
  do {
    digits.insert(digits.begin(), static_cast<char16_t>(u'0' + number % 10));
    number /= 10;
  } while (number != 0);
  return digits;
}

}  // namespace platform
