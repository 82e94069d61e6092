// The resources in Quorvel.exe and Zembrik.exe, read from the files as
// Explorer reads them: the version resource and the icon group.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <tuple>
#include <map>
#include <string>
#include <vector>

#include "ui_driver.h"

namespace ui_tests {
namespace {

std::wstring ProgramFile(const std::wstring& name) { return BinFolder() + L"\\" + name + L".exe"; }

UniqueModule LoadAsData(const std::wstring& name) {
  return UniqueModule(
      LoadLibraryExW(ProgramFile(name).c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE));
}

// A copy of a resource's bytes; empty when there is none.
std::vector<BYTE> ResourceBytes(HMODULE module, LPCWSTR name, LPCWSTR type) {
  const HRSRC found = FindResourceW(module, name, type);
  if (found == nullptr) return {};
  const HGLOBAL loaded = LoadResource(module, found);
  const auto* bytes = static_cast<const BYTE*>(LockResource(loaded));
  if (bytes == nullptr) return {};
  return std::vector<BYTE>(bytes, bytes + SizeofResource(module, found));
}

struct VersionNode {
  std::wstring key;
  std::size_t offset = 0;
  bool operator==(const VersionNode&) const = default;
};

// The children of a node of a version resource. Each node is: length,
// value length, type (1: text), key, padding, value, padding, children.
std::vector<VersionNode> Children(const std::vector<BYTE>& block, std::size_t node) {
  const auto word = [&](std::size_t at) {
    WORD value = 0;
    if (at + sizeof value <= block.size()) std::memcpy(&value, block.data() + at, sizeof value);
    return value;
  };
  const auto align = [](std::size_t at) { return (at + 3) & ~std::size_t{3}; };
  const auto key = [&](std::size_t at) {
    std::wstring text;
    for (at += 6; at + 2 <= block.size() && word(at) != 0; at += 2) text += static_cast<wchar_t>(word(at));
    return text;
  };
  const std::size_t nodeEnd = std::min(block.size(), node + word(node));
  const std::size_t valueBytes = word(node + 2) * (word(node + 4) == 1 ? 2u : 1u);
  std::size_t child = align(align(node + 6 + (key(node).size() + 1) * 2) + valueBytes);
  std::vector<VersionNode> children;
  while (child + 6 < nodeEnd && word(child) != 0) {
    children.push_back({key(child), child});
    child = align(child + word(child));
  }
  return children;
}

std::vector<std::wstring> Keys(const std::vector<VersionNode>& nodes) {
  std::vector<std::wstring> keys;
  for (const VersionNode& node : nodes) keys.push_back(node.key);
  return keys;
}

class Resources : public testing::TestWithParam<const wchar_t*> {};

TEST_P(Resources, VersionResourceNamesTheProgramInOneGermanUnicodeTable) {
  const std::wstring name = GetParam();
  const UniqueModule module = LoadAsData(name);
  ASSERT_TRUE(module) << "cannot load " << std::string(name.begin(), name.end());
  std::vector<BYTE> version = ResourceBytes(module.Get(), MAKEINTRESOURCEW(VS_VERSION_INFO), RT_VERSION);
  ASSERT_FALSE(version.empty());

  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT length = 0;
  ASSERT_TRUE(VerQueryValueW(version.data(), L"\\", reinterpret_cast<void**>(&fixed), &length));
  EXPECT_EQ(fixed->dwSignature, VS_FFI_SIGNATURE);
  EXPECT_EQ(fixed->dwFileVersionMS, 0x00010000u);
  EXPECT_EQ(fixed->dwFileVersionLS, 0u);
  EXPECT_EQ(fixed->dwProductVersionMS, 0x00010000u);
  EXPECT_EQ(fixed->dwProductVersionLS, 0u);
  EXPECT_EQ(fixed->dwFileType, static_cast<DWORD>(VFT_APP));

  const std::map<std::wstring, std::wstring> expected = {
      {L"FileVersion", L"1.00"},      {L"ProductVersion", L"1.00"},          {L"ProductName", name},
      {L"InternalName", name},        {L"OriginalFilename", name + L".exe"},
  };
  for (const auto& [key, value] : expected) {
    wchar_t* text = nullptr;
    UINT characters = 0;
    const std::wstring path = L"\\StringFileInfo\\040704B0\\" + key;
    ASSERT_TRUE(VerQueryValueW(version.data(), path.c_str(), reinterpret_cast<void**>(&text), &characters))
        << std::string(key.begin(), key.end());
    EXPECT_EQ(std::wstring(text), value) << std::string(key.begin(), key.end());
  }

  const WORD* translation = nullptr;
  ASSERT_TRUE(VerQueryValueW(version.data(), L"\\VarFileInfo\\Translation", reinterpret_cast<void**>(
                                 const_cast<WORD**>(&translation)), &length));
  ASSERT_EQ(length, 4u) << "exactly one language and code page";
  EXPECT_EQ(translation[0], 0x0407);
  EXPECT_EQ(translation[1], 1200);

  // The root holds StringFileInfo and VarFileInfo, and the first one table.
  const std::vector<VersionNode> sections = Children(version, 0);
  ASSERT_EQ(Keys(sections), (std::vector<std::wstring>{L"StringFileInfo", L"VarFileInfo"}));
  EXPECT_EQ(Keys(Children(version, sections[0].offset)), std::vector<std::wstring>{L"040704B0"});
}

TEST_P(Resources, ManifestDeclaresTheProgramDpiAware) {
  const UniqueModule module = LoadAsData(GetParam());
  ASSERT_TRUE(module);
  const std::vector<BYTE> manifest = ResourceBytes(module.Get(), MAKEINTRESOURCEW(1), RT_MANIFEST);
  const std::string text(manifest.begin(), manifest.end());
  EXPECT_NE(text.find(">true</dpiAware>"), std::string::npos) << text;
}

// One decoded icon image: a colour per pixel, -1 where transparent.
struct IconImage {
  int size = 0;
  int bitCount = 0;
  std::vector<COLORREF> pixels;  // top row first
  static constexpr COLORREF kClear = 0xFFFFFFFF;
  COLORREF At(int x, int y) const { return pixels[static_cast<std::size_t>(y * size + x)]; }
};

IconImage DecodeIcon(const std::vector<BYTE>& bytes) {
  IconImage image;
  BITMAPINFOHEADER header{};
  if (bytes.size() < sizeof header) return image;
  std::memcpy(&header, bytes.data(), sizeof header);
  image.size = header.biWidth;
  image.bitCount = header.biBitCount;
  if (header.biBitCount != 4 || header.biHeight != 2 * header.biWidth) return image;
  const int size = header.biWidth;
  const std::size_t paletteAt = header.biSize;
  const std::size_t colourAt = paletteAt + 16 * sizeof(RGBQUAD);
  const std::size_t colourStride = static_cast<std::size_t>((size * 4 + 31) / 32 * 4);
  const std::size_t maskAt = colourAt + colourStride * static_cast<std::size_t>(size);
  const std::size_t maskStride = static_cast<std::size_t>((size + 31) / 32 * 4);
  if (bytes.size() < maskAt + maskStride * static_cast<std::size_t>(size)) return image;
  image.pixels.resize(static_cast<std::size_t>(size * size));
  for (int y = 0; y < size; ++y) {
    // Rows are stored bottom up.
    const std::size_t row = static_cast<std::size_t>(size - 1 - y);
    for (int x = 0; x < size; ++x) {
      const BYTE maskByte = bytes[maskAt + row * maskStride + static_cast<std::size_t>(x / 8)];
      const BYTE colourByte = bytes[colourAt + row * colourStride + static_cast<std::size_t>(x / 2)];
      const int index = x % 2 == 0 ? colourByte >> 4 : colourByte & 0x0F;
      RGBQUAD quad{};
      std::memcpy(&quad, bytes.data() + paletteAt + static_cast<std::size_t>(index) * sizeof quad, sizeof quad);
      const bool clear = (maskByte & (0x80 >> (x % 8))) != 0;
      image.pixels[static_cast<std::size_t>(y * size + x)] =
          clear ? IconImage::kClear : RGB(quad.rgbRed, quad.rgbGreen, quad.rgbBlue);
    }
  }
  return image;
}

constexpr COLORREF kYellow = RGB(255, 255, 0);
constexpr COLORREF kBlack = RGB(0, 0, 0);
constexpr COLORREF kGrey = RGB(128, 128, 128);
bool IsPurple(COLORREF colour) { return colour == RGB(128, 0, 128) || colour == RGB(255, 0, 255); }

// The envelope as described: yellow above all, a black outline and address
// lines, a purple stamp in the upper right, a grey shadow right and bottom,
// and the flap's tip at the top centre.
void ExpectEnvelope(const IconImage& image) {
  const int size = image.size;
  std::map<COLORREF, int> counts;
  int top = size, right = -1, bottom = -1;
  int greyRight = -1, greyBottom = -1, othersRight = -1, othersBottom = -1;
  for (int y = 0; y < size; ++y) {
    for (int x = 0; x < size; ++x) {
      const COLORREF colour = image.At(x, y);
      if (colour == IconImage::kClear) continue;
      ++counts[colour];
      top = std::min(top, y);
      right = std::max(right, x);
      bottom = std::max(bottom, y);
      if (colour == kGrey) {
        greyRight = std::max(greyRight, x);
        greyBottom = std::max(greyBottom, y);
      } else {
        othersRight = std::max(othersRight, x);
        othersBottom = std::max(othersBottom, y);
      }
      if (IsPurple(colour)) {
        EXPECT_GE(x, size / 2) << "stamp pixel left of the middle at " << x << "," << y;
        EXPECT_LT(y, size * 2 / 3) << "stamp pixel in the lower part at " << x << "," << y;
      }
    }
  }
  EXPECT_EQ(image.At(0, 0), IconImage::kClear) << "the corners are transparent";
  ASSERT_FALSE(counts.empty());
  COLORREF commonest = 0;
  int most = 0;
  for (const auto& [colour, count] : counts) {
    if (count > most) std::tie(commonest, most) = std::tie(colour, count);
  }
  EXPECT_EQ(commonest, kYellow) << std::hex << commonest;
  EXPECT_GT(counts[kBlack], 0);
  EXPECT_GT(counts[kGrey], 0);
  EXPECT_GT(counts[RGB(128, 0, 128)] + counts[RGB(255, 0, 255)], 0);
  EXPECT_GT(greyRight, othersRight) << "the shadow lies right of the envelope";
  EXPECT_GT(greyBottom, othersBottom) << "the shadow lies below the envelope";
  // The open flap ends in a tip near the top centre.
  int tipWidth = 0, tipCentre = 0;
  for (int x = 0; x < size; ++x) {
    if (image.At(x, top) != IconImage::kClear) {
      ++tipWidth;
      tipCentre += x;
    }
  }
  ASSERT_GT(tipWidth, 0);
  EXPECT_LT(tipWidth, size / 4);
  EXPECT_LE(std::abs(tipCentre / tipWidth - size / 2), size / 8);
  EXPECT_LE(top, size / 8);
}

#pragma pack(push, 2)
struct GroupIconEntry {
  BYTE width, height, colourCount, reserved;
  WORD planes, bitCount;
  DWORD bytes;
  WORD id;
};
#pragma pack(pop)

BOOL CALLBACK TakeFirstName(HMODULE, LPCWSTR, LPWSTR name, LONG_PTR first) {
  *reinterpret_cast<ULONG_PTR*>(first) = IS_INTRESOURCE(name) ? reinterpret_cast<ULONG_PTR>(name) : 0;
  return FALSE;
}

TEST_P(Resources, FirstIconGroupIsTheEnvelopeAt32And16PixelsIn16Colours) {
  const UniqueModule module = LoadAsData(GetParam());
  ASSERT_TRUE(module);
  ULONG_PTR firstGroup = 0;
  EnumResourceNamesW(module.Get(), RT_GROUP_ICON, TakeFirstName, reinterpret_cast<LONG_PTR>(&firstGroup));
  EXPECT_EQ(firstGroup, 1u) << "Explorer shows the first icon group";

  const std::vector<BYTE> group = ResourceBytes(module.Get(), MAKEINTRESOURCEW(1), RT_GROUP_ICON);
  ASSERT_GE(group.size(), 6u);
  WORD count = 0;
  std::memcpy(&count, group.data() + 4, sizeof count);
  ASSERT_EQ(count, 2);
  ASSERT_GE(group.size(), 6 + count * sizeof(GroupIconEntry));
  std::vector<int> sizes;
  for (WORD index = 0; index < count; ++index) {
    GroupIconEntry entry{};
    std::memcpy(&entry, group.data() + 6 + index * sizeof entry, sizeof entry);
    SCOPED_TRACE(testing::Message() << "icon of " << int{entry.width} << " pixels");
    sizes.push_back(entry.width);
    EXPECT_EQ(entry.height, entry.width);
    EXPECT_EQ(entry.colourCount, 16);
    EXPECT_EQ(entry.bitCount, 4);
    const IconImage image = DecodeIcon(ResourceBytes(module.Get(), MAKEINTRESOURCEW(entry.id), RT_ICON));
    ASSERT_EQ(image.bitCount, 4);
    ASSERT_EQ(image.size, entry.width);
    ASSERT_FALSE(image.pixels.empty()) << "image cut short";
    ExpectEnvelope(image);
  }
  EXPECT_EQ(sizes, (std::vector<int>{32, 16}));
}

INSTANTIATE_TEST_SUITE_P(Programs, Resources, testing::Values(L"Quorvel", L"Zembrik"),
                         [](const testing::TestParamInfo<const wchar_t*>& info) {
                           const std::wstring name = info.param;
                           return std::string(name.begin(), name.end());
                         });

}  // namespace
}  // namespace ui_tests
