#include <gtest/gtest.h>

#include <chrono>

#include "platform/busy_retry.h"

namespace {

using std::chrono::milliseconds;

TEST(BusyRetryPause, PausesBrieflyUntilTheBoundThenGivesUp) {
  // Short enough to notice a freed client soon, and COM takes a pause under
  // 100 ms as "call again at once".
  EXPECT_GE(platform::kBusyRetryPause, milliseconds(100));
  EXPECT_LE(platform::kBusyRetryPause, milliseconds(250));

  for (const milliseconds elapsed : {milliseconds(0), milliseconds(1), milliseconds(2000),
                                     platform::kBusyRetryBound - milliseconds(1)}) {
    EXPECT_EQ(platform::BusyRetryPause(elapsed), platform::kBusyRetryPause) << elapsed.count() << " ms";
  }
  for (const milliseconds elapsed : {platform::kBusyRetryBound, platform::kBusyRetryBound + milliseconds(1),
                                     milliseconds(3600000)}) {
    EXPECT_EQ(platform::BusyRetryPause(elapsed), std::nullopt) << elapsed.count() << " ms";
  }
}

}  // namespace
