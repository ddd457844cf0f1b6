// The one check of UTF-8 text that names, labels and tables share.
#ifndef VELBRIX_CORE_BASE_UTF8_H_
#define VELBRIX_CORE_BASE_UTF8_H_

#include <string_view>

namespace velbrix {

// Whether `text` is valid UTF-8: no stray or missing continuation bytes, no overlong forms, no
// surrogates, nothing beyond U+10FFFF.
bool IsValidUtf8(std::string_view text);

}  // namespace velbrix

#endif  // VELBRIX_CORE_BASE_UTF8_H_
