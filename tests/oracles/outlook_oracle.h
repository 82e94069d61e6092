// What Zembrik's composer does for a mail item, step by step.
#pragma once

#include "steps.h"

namespace oracles {

struct OutlookItem {
  std::u16string subject{};
  std::u16string address{};
  std::u16string body{};
  Attachment attachment{};
};

inline constexpr char16_t kOutlookNotInstalled[] = u"Microsoft Outlook is not installed!";

// From the application's creation to the last release at the exit point.
std::vector<Step> OutlookRun(const OutlookItem& item);

}  // namespace oracles
