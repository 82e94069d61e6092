#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <limits>

#include "documented_errors.h"
#include "fake_desktop.h"
#include "notes/send_with_notes.h"
#include "outlook/send_with_outlook.h"
#include "platform/failure_report.h"
#include "platform/windows1252.h"

namespace {

TEST(GeneralErrorText, WritesTheSignedNumberBlankAndDescription) {
  struct TextCase {
    std::int32_t number;
    std::u16string description;
    std::u16string text;
  };
  const TextCase cases[] = {
      {429, u"ActiveX component can't create object", u"Error: 429 ActiveX component can't create object"},
      {0, u"", u"Error: 0 "},
      {-2147352567, u"Exception occurred.", u"Error: -2147352567 Exception occurred."},
      {std::numeric_limits<std::int32_t>::min(), u"x", u"Error: -2147483648 x"},
      {std::numeric_limits<std::int32_t>::max(), u"\r\n", u"Error: 2147483647 \r\n"},
  };
  for (const TextCase& textCase : cases) {
    EXPECT_EQ(platform::GeneralErrorText(platform::Failure(textCase.number, textCase.description)), textCase.text);
  }
}

// The errors the programs name themselves are the documented ones, number and
// text, and none of the documented list is missing. The rows pair them by
// name; numbers and texts come from the documented list alone.
TEST(RuntimeErrors, GiveTheDocumentedNumberAndText) {
  namespace documented = oracles::errors;
  using platform::RuntimeError;
  struct Row {
    RuntimeError error;
    const oracles::DocumentedError& expected;
  };
  const Row rows[] = {
      {RuntimeError::Overflow, documented::Overflow},
      {RuntimeError::OutOfMemory, documented::OutOfMemory},
      {RuntimeError::TypeMismatch, documented::TypeMismatch},
      {RuntimeError::InternalError, documented::InternalError},
      {RuntimeError::BadFileName, documented::BadFileName},
      {RuntimeError::FileNotFound, documented::FileNotFound},
      {RuntimeError::DeviceIoError, documented::DeviceIoError},
      {RuntimeError::TooManyFiles, documented::TooManyFiles},
      {RuntimeError::DeviceUnavailable, documented::DeviceUnavailable},
      {RuntimeError::PermissionDenied, documented::PermissionDenied},
      {RuntimeError::DiskNotReady, documented::DiskNotReady},
      {RuntimeError::PathFileAccessError, documented::PathFileAccessError},
      {RuntimeError::PathNotFound, documented::PathNotFound},
      {RuntimeError::ObjectVariableNotSet, documented::ObjectVariableNotSet},
      {RuntimeError::ObjectRequired, documented::ObjectRequired},
      {RuntimeError::CannotCreateObject, documented::CannotCreateObject},
      {RuntimeError::NotAutomationObject, documented::NotAutomationObject},
      {RuntimeError::MemberNotSupported, documented::MemberNotSupported},
      {RuntimeError::ArgumentNotOptional, documented::ArgumentNotOptional},
      {RuntimeError::WrongArgumentCount, documented::WrongArgumentCount},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.expected.when);
    const platform::Failure failure = platform::MakeFailure(row.error);
    EXPECT_EQ(failure.number, row.expected.number);
    EXPECT_EQ(failure.description, std::u16string(row.expected.text));
    EXPECT_EQ(platform::GeneralErrorText(failure), oracles::ErrorBox(row.expected));
  }
  const auto rowsFor = [&](std::int32_t number) {
    return std::ranges::count_if(rows, [&](const Row& row) { return row.expected.number == number; });
  };
  for (const oracles::DocumentedError& known : oracles::kDocumentedErrors) {
    EXPECT_EQ(rowsFor(known.number), 1) << "rows for the documented " << known.number;
  }
  // Nor do the programs give a text of their own to any other number.
  for (std::int32_t number = 0; number < 65536; ++number) {
    if (platform::MakeFailure(static_cast<RuntimeError>(number)).description.empty()) continue;
    EXPECT_EQ(rowsFor(number), 1) << number << " has a text but is not documented";
  }
}

// Whatever reaches a composer's handler, or the edge of the program, is told
// in one box; nothing passes the edge, not even when that box fails.
TEST(Failures, AnyExceptionIsToldAsAFailureAndNothingPassesTheEdgeOfTheProgram) {
  using testing_support::FakeDesktop;
  const std::pair<std::exception_ptr, std::string> cases[] = {
      {std::make_exception_ptr(platform::Failure(-5, u"x")), "message 16 \"Error: -5 x\""},
      {std::make_exception_ptr(std::bad_alloc()),
       "message 16 " + testing_support::Quoted(oracles::ErrorBox(oracles::errors::OutOfMemory))},
      {std::make_exception_ptr(42),
       "message 16 " + testing_support::Quoted(oracles::ErrorBox(oracles::errors::InternalError))},
  };
  for (const auto& [escaped, message] : cases) {
    for (const auto compose : {notes::ComposeNotesMemo, outlook::ComposeOutlookItem}) {
      FakeDesktop desktop;
      desktop.FailWhen("set ", escaped);
      mailfile::MailFields fields;
      EXPECT_EQ(compose(desktop, fields), platform::HandOff::Failed);
      EXPECT_EQ(desktop.Lines("message"), std::vector{message});
    }
    for (const std::string boxFails : {"", " FAILS"}) {
      FakeDesktop desktop;
      if (!boxFails.empty()) desktop.FailWhen("message", std::bad_alloc());
      try {
        std::rethrow_exception(escaped);
      } catch (...) {
        platform::ReportUnhandled(desktop);
      }
      EXPECT_EQ(desktop.journal, std::vector{message + boxFails});
    }
  }
}

TEST(DecodeWindows1252, MapsEveryByteAsWindowsDoes) {
  std::string all(256, '\0');
  for (int byte = 0; byte < 256; ++byte) all[static_cast<std::size_t>(byte)] = static_cast<char>(byte);
  const std::u16string text = platform::DecodeWindows1252(all);
  ASSERT_EQ(text.size(), 256u);
  EXPECT_EQ(text[0x00], u'\0');
  EXPECT_EQ(text[0x7F], u'\x7F');
  EXPECT_EQ(text[0x80], u'\u20AC');
  EXPECT_EQ(text[0x81], u'\x81');
  EXPECT_EQ(text[0x8A], u'\u0160');
  EXPECT_EQ(text[0x9F], u'\u0178');
  EXPECT_EQ(text[0xA0], u'\xA0');
  EXPECT_EQ(text[0xFF], u'\xFF');
}

}  // namespace
