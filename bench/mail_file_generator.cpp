#include "bench/mail_file_generator.h"

#include <array>
#include <cstdint>
#include <fstream>
#include <stdexcept>
#include <string>
#include <string_view>

namespace reader_tools {
namespace {

constexpr std::string_view kHead =
    "Export of the shop system\r\n"
    "[ADDRESS]\r\nSales Team\r\n\r\nPurchasing Team\r\n"
    "[SUBJECT]\r\nOrder 4711 confirmed\r\n"
    "[BODY]\r\n";
constexpr std::string_view kTail = "[ATTACHMENT]\r\nC:\\Orders\\confirmation.pdf\r\n";

// Words in Windows-1252, some with umlauts, the sharp s and the euro sign.
constexpr std::array<std::string_view, 16> kWords = {
    "order", "delivery", "invoice", "Bestellung", "Lieferung", "Gr\xFC\xDF" "e", "\x80", "19,99",
    "confirmed", "the", "and", "Stra\xDF" "e", "M\xFCller", "please", "K\xF6ln", "shipped"};

// xorshift32: small, fast and the same everywhere.
class Random {
 public:
  std::uint32_t Next() {
    state_ ^= state_ << 13;
    state_ ^= state_ >> 17;
    state_ ^= state_ << 5;
    return state_;
  }
  std::size_t Below(std::size_t bound) { return Next() % bound; }

 private:
  std::uint32_t state_ = 2463534242u;
};

void AppendBodyLine(std::string& out, Random& random) {
  if (random.Below(20) == 0) {  // one line in twenty is empty
    out += "\r\n";
    return;
  }
  const std::size_t length = 20 + random.Below(81);
  std::string line;
  while (line.size() < length) {
    if (!line.empty()) line += ' ';
    line += kWords[random.Below(kWords.size())];
  }
  line.resize(length);
  out += line;
  out += "\r\n";
}

}  // namespace

void WriteMailFile(const std::filesystem::path& path, std::size_t size) {
  if (size < kHead.size() + kTail.size() + 2) throw std::invalid_argument("mail file too small");
  std::ofstream file(path, std::ios::binary | std::ios::trunc);
  Random random;
  std::string block(kHead);
  std::size_t written = 0;
  const std::size_t bodyEnd = size - kTail.size();
  for (;;) {
    std::string line;
    AppendBodyLine(line, random);
    if (written + block.size() + line.size() + 2 > bodyEnd) break;
    block += line;
    if (block.size() >= (1u << 20)) {
      file.write(block.data(), static_cast<std::streamsize>(block.size()));
      written += block.size();
      block.clear();
    }
  }
  // One last line fills the body up to the exact size.
  const std::size_t fill = bodyEnd - written - block.size() - 2;
  block.append(fill, 'x');
  block += "\r\n";
  block += kTail;
  file.write(block.data(), static_cast<std::streamsize>(block.size()));
  if (!file.flush()) throw std::runtime_error("cannot write " + path.string());
  // Every figure is per byte of this size: it must be exact.
  if (written + block.size() != size) throw std::logic_error("mail file of the wrong size");
}

}  // namespace reader_tools
