// Reading back the PNG files that png_file.h writes, for the tests that check them.
#ifndef VELBRIX_CORE_TESTING_STORED_PNG_H_
#define VELBRIX_CORE_TESTING_STORED_PNG_H_

#include <string_view>

#include "core/formats/png_file.h"

namespace velbrix {

// Reads a PNG that EncodePng made (8-bit RGB, stored blocks, unfiltered rows); false for anything
// else.
bool DecodeStoredPng(std::string_view png, RgbImage* image);

}  // namespace velbrix

#endif  // VELBRIX_CORE_TESTING_STORED_PNG_H_
