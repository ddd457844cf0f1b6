// Pictures as PNG files: 8-bit RGB, every row unfiltered, the image data in stored (uncompressed)
// deflate blocks, so that the encoder is a few lines and needs no library. A picture of a window
// of 1920 x 1080 takes some 6 MiB.
#ifndef VELBRIX_CORE_FORMATS_PNG_FILE_H_
#define VELBRIX_CORE_FORMATS_PNG_FILE_H_

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "core/base/status.h"

namespace velbrix {

// An RGB picture: rows from the top, 3 bytes per pixel (red, green, blue).
struct RgbImage {
  int width = 0;
  int height = 0;
  std::vector<std::uint8_t> pixels;  // width * height * 3
};

// The PNG file of `image` (width and height at least 1).
std::string EncodePng(const RgbImage& image);

// Writes `image` to `path` as PNG, whole or not at all, as a run writes its outputs (file_table.h):
// committed under its name (replacing a file there). Fails naming the path and the system's reason.
Status WritePngFile(const std::filesystem::path& path, const RgbImage& image);

}  // namespace velbrix

#endif  // VELBRIX_CORE_FORMATS_PNG_FILE_H_
