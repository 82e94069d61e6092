#include <gtest/gtest.h>

#include <cstdint>
#include <limits>

#include "platform/automation.h"
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
