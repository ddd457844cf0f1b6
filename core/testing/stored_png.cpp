// Decoding the stored deflate blocks of png_file.cpp's PNG files.
#include "core/testing/stored_png.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace velbrix {
namespace {

constexpr char kSignature[] = "\x89PNG\r\n\x1A\n";

std::uint32_t BigEndian(std::string_view bytes, std::size_t at) {
  std::uint32_t value = 0;
  for (std::size_t i = 0; i < 4; ++i) {
    value = value << 8 | static_cast<std::uint8_t>(bytes[at + i]);
  }
  return value;
}

}  // namespace

bool DecodeStoredPng(std::string_view png, RgbImage* image) {
  if (png.size() < 8 + 25 || png.substr(0, 8) != std::string_view(kSignature, 8) ||
      png.substr(12, 4) != "IHDR" ||
      png.substr(24, 5) != std::string_view("\x08\x02\x00\x00\x00", 5)) {
    return false;
  }
  image->width = static_cast<int>(BigEndian(png, 16));
  image->height = static_cast<int>(BigEndian(png, 20));
  std::string zlib;
  for (std::size_t at = 8; at + 12 <= png.size();) {
    const std::uint32_t length = BigEndian(png, at);
    if (at + 12 + length > png.size()) {
      return false;
    }
    if (png.substr(at + 4, 4) == "IDAT") {
      zlib.append(png.substr(at + 8, length));
    }
    at += 12 + length;
  }
  std::string raw;
  for (std::size_t at = 2; at + 5 <= zlib.size();) {
    const auto header = static_cast<std::uint8_t>(zlib[at]);
    if ((header & 0x06) != 0) {
      return false;  // not a stored block
    }
    const std::size_t size = static_cast<std::uint8_t>(zlib[at + 1]) |
                             static_cast<std::size_t>(static_cast<std::uint8_t>(zlib[at + 2])) << 8;
    raw.append(zlib, at + 5, size);
    at += 5 + size;
    if ((header & 1) != 0) {
      break;
    }
  }
  const auto width = static_cast<std::size_t>(image->width);
  const auto height = static_cast<std::size_t>(image->height);
  if (raw.size() != (width * 3 + 1) * height) {
    return false;
  }
  image->pixels.clear();
  for (std::size_t y = 0; y < height; ++y) {
    if (raw[y * (width * 3 + 1)] != '\0') {
      return false;
    }
    const char* row = &raw[y * (width * 3 + 1) + 1];
    image->pixels.insert(image->pixels.end(), row, row + width * 3);
  }
  return true;
}

}  // namespace velbrix
