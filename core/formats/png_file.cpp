// Encoding and writing PNG files of stored deflate blocks.
#include "core/formats/png_file.h"

#include <algorithm>
#include <array>
#include <cassert>
#include <string_view>

#include "core/commit/file_table.h"

namespace velbrix {
namespace {

constexpr char kSignature[] = "\x89PNG\r\n\x1A\n";
constexpr std::size_t kLargestStoredBlock = 65535;

std::uint32_t Crc32(std::string_view bytes) {
  static const std::array<std::uint32_t, 256> table = [] {
    std::array<std::uint32_t, 256> t{};
    for (std::uint32_t n = 0; n < 256; ++n) {
      std::uint32_t c = n;
      for (int k = 0; k < 8; ++k) {
        c = (c & 1) != 0 ? 0xEDB88320u ^ (c >> 1) : c >> 1;
      }
      t[n] = c;
    }
    return t;
  }();
  std::uint32_t crc = 0xFFFFFFFFu;
  for (const char byte : bytes) {
    crc = table[(crc ^ static_cast<std::uint8_t>(byte)) & 0xFF] ^ (crc >> 8);
  }
  return crc ^ 0xFFFFFFFFu;
}

void PutBigEndian(std::string* out, std::uint32_t value) {
  for (int shift = 24; shift >= 0; shift -= 8) {
    out->push_back(static_cast<char>((value >> shift) & 0xFF));
  }
}

void PutChunk(std::string* out, std::string_view type, std::string_view data) {
  PutBigEndian(out, static_cast<std::uint32_t>(data.size()));
  const std::string typed = std::string(type) + std::string(data);
  out->append(typed);
  PutBigEndian(out, Crc32(typed));
}

}  // namespace

std::string EncodePng(const RgbImage& image) {
  assert(image.width >= 1 && image.height >= 1);
  const auto width = static_cast<std::size_t>(image.width);
  const auto height = static_cast<std::size_t>(image.height);
  // The rows, each after its filter byte 0 (none).
  std::string raw;
  raw.reserve((width * 3 + 1) * height);
  for (std::size_t y = 0; y < height; ++y) {
    raw.push_back('\0');
    raw.append(reinterpret_cast<const char*>(&image.pixels[y * width * 3]), width * 3);
  }
  // A zlib stream of stored blocks, and the Adler-32 of the rows.
  std::string zlib = "\x78\x01";
  for (std::size_t at = 0; at < raw.size() || at == 0;) {
    const std::size_t size = std::min(kLargestStoredBlock, raw.size() - at);
    const bool last = at + size == raw.size();
    zlib.push_back(last ? '\x01' : '\x00');
    const auto length = static_cast<std::uint16_t>(size);
    const auto inverse = static_cast<std::uint16_t>(~length);
    for (const std::uint16_t v : {length, inverse}) {
      zlib.push_back(static_cast<char>(v & 0xFF));
      zlib.push_back(static_cast<char>(v >> 8));
    }
    zlib.append(raw, at, size);
    at += size;
    if (last) {
      break;
    }
  }
  std::uint32_t a = 1;
  std::uint32_t b = 0;
  for (const char byte : raw) {
    a = (a + static_cast<std::uint8_t>(byte)) % 65521;
    b = (b + a) % 65521;
  }
  PutBigEndian(&zlib, b << 16 | a);

  std::string header;
  PutBigEndian(&header, static_cast<std::uint32_t>(width));
  PutBigEndian(&header, static_cast<std::uint32_t>(height));
  header +=
      std::string("\x08\x02\x00\x00\x00", 5);  // 8 bits, RGB, deflate, no filter, no interlace
  std::string png(kSignature, 8);
  PutChunk(&png, "IHDR", header);
  PutChunk(&png, "IDAT", zlib);
  PutChunk(&png, "IEND", "");
  return png;
}

Status WritePngFile(const std::filesystem::path& path, const RgbImage& image) {
  const std::string png = EncodePng(image);
  FileTable files;
  int number = 0;
  Status status = files.OpenOutputOnFreeNumber(path, &number);
  if (status.ok()) {
    status = files.Write(number, png);
  }
  return files.EndRun(status);
}

}  // namespace velbrix
