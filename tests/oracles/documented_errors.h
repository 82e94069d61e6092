// The programs' own error numbers and texts, written out from the list the
// user's guide gives. Every test that expects an "Error: N text" box, or a
// failure's number and text, takes it from here and never from the programs'
// table, so that a changed text or number in the programs fails the tests.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace oracles {

struct DocumentedError {
  std::int32_t number;
  std::u16string_view text;
  std::string_view when;  // for the reader of a failing test
};

namespace errors {
inline constexpr DocumentedError Overflow{6, u"Overflow", "the mail client refused a number argument as too large"};
inline constexpr DocumentedError OutOfMemory{7, u"Out of memory", "the mail file is too large to hold, or memory ran out"};
inline constexpr DocumentedError TypeMismatch{13, u"Type mismatch", "the mail client refused the kind of an argument"};
inline constexpr DocumentedError InternalError{51, u"Internal error", "an unexpected fault inside the program"};
inline constexpr DocumentedError BadFileName{
    52, u"Bad file name or number", "wildcards, a NUL character or a device name in a path, or a path too long"};
inline constexpr DocumentedError FileNotFound{53, u"File not found", "the mail file went away after the lookup"};
inline constexpr DocumentedError DeviceIoError{57, u"Device I/O error", "the disk failed while the file was read"};
inline constexpr DocumentedError TooManyFiles{67, u"Too many files", "the system could open no further file"};
inline constexpr DocumentedError DeviceUnavailable{68, u"Device unavailable", "a drive or network device that is gone"};
inline constexpr DocumentedError PermissionDenied{
    70, u"Permission denied", "a file locked, being written or not to be read; access refused"};
inline constexpr DocumentedError DiskNotReady{71, u"Disk not ready", "a drive with no medium in it"};
inline constexpr DocumentedError PathFileAccessError{
    75, u"Path/File access error", "the mail file was replaced by a folder between the lookup and the opening"};
inline constexpr DocumentedError PathNotFound{76, u"Path not found", "a folder on the way went away after the lookup"};
inline constexpr DocumentedError ObjectVariableNotSet{
    91, u"Object variable or With block variable not set", "the mail client gave back no object"};
inline constexpr DocumentedError ObjectRequired{424, u"Object required",
                                                "the mail client gave back something else than an object"};
inline constexpr DocumentedError CannotCreateObject{
    429, u"ActiveX component can't create object", "shown as the \"... is not installed!\" box, never as a number"};
inline constexpr DocumentedError NotAutomationObject{
    430, u"Class does not support Automation or does not support expected interface",
    "the mail client's class is registered but offers no automation"};
inline constexpr DocumentedError MemberNotSupported{438, u"Object doesn't support this property or method",
                                                    "the mail client has no member of that name"};
inline constexpr DocumentedError ArgumentNotOptional{449, u"Argument not optional",
                                                     "the mail client wants an argument the program does not give"};
inline constexpr DocumentedError WrongArgumentCount{
    450, u"Wrong number of arguments or invalid property assignment",
    "the mail client wants another number of arguments"};
}  // namespace errors

// All of them, in number order: the list the user's guide gives.
inline constexpr std::array kDocumentedErrors = {
    errors::Overflow,          errors::OutOfMemory,          errors::TypeMismatch,       errors::InternalError,
    errors::BadFileName,       errors::FileNotFound,         errors::DeviceIoError,      errors::TooManyFiles,
    errors::DeviceUnavailable, errors::PermissionDenied,     errors::DiskNotReady,       errors::PathFileAccessError,
    errors::PathNotFound,      errors::ObjectVariableNotSet, errors::ObjectRequired,     errors::CannotCreateObject,
    errors::NotAutomationObject, errors::MemberNotSupported, errors::ArgumentNotOptional, errors::WrongArgumentCount,
};

// The box text for one of them: "Error: " + number + " " + text.
inline std::u16string ErrorBox(const DocumentedError& error) {
  std::u16string box = u"Error: ";
  for (const char digit : std::to_string(error.number)) box += static_cast<char16_t>(digit);
  box += u' ';
  box += error.text;
  return box;
}

}  // namespace oracles
