// The parts of the failure mapping that no server or file in these tests
// reaches: codes that mean different things at different operations.
#include <gtest/gtest.h>

#include "documented_errors.h"
#include "platform/win32/failure_mapping.h"

namespace desktop_tests {
namespace {

using platform::win32::FailureFromHresult;
using platform::win32::FailureFromWin32Error;
using platform::win32::Operation;

TEST(FailureMapping, AMissingFileMeansAnUnstartableServerOnlyWhenCreatingAnObject) {
  const HRESULT missingFile = HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(FailureFromHresult(missingFile, Operation::CreateObject).number,
            oracles::errors::CannotCreateObject.number);
  EXPECT_EQ(FailureFromHresult(missingFile, Operation::FileAccess).number,
            oracles::errors::FileNotFound.number);
  EXPECT_EQ(FailureFromHresult(missingFile, Operation::CallMember).number, static_cast<std::int32_t>(missingFile));
  EXPECT_EQ(FailureFromHresult(DISP_E_UNKNOWNNAME, Operation::FileAccess).number,
            static_cast<std::int32_t>(DISP_E_UNKNOWNNAME));
}

TEST(FailureMapping, AnErrorThatSaysNothingIsStillAFailure) {
  const platform::Failure failure = FailureFromWin32Error(ERROR_SUCCESS, Operation::FileAccess);
  EXPECT_EQ(failure.number, static_cast<std::int32_t>(E_FAIL));
}

}  // namespace
}  // namespace desktop_tests
