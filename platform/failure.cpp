#include <string>

#include "platform/automation.h"

namespace platform {

std::u16string GeneralErrorText(const Failure& failure) {
  std::u16string text = u"Error: ";
  // Signed decimal, no grouping; widened first so that INT32_MIN negates safely.
  const std::int64_t number = failure.number;
  std::uint64_t magnitude = number < 0 ? static_cast<std::uint64_t>(-number) : static_cast<std::uint64_t>(number);
  std::u16string digits;
  do {
    digits.insert(digits.begin(), static_cast<char16_t>(u'0' + magnitude % 10));
    magnitude /= 10;
  } while (magnitude != 0);
  if (number < 0) text += u'-';
  text += digits;
  text += u' ';
  text += failure.description;
  return text;
}

}  // namespace platform
