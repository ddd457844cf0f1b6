// A frequency given on the command line (a sample rate, the power line's frequency): a positive
// decimal number of hertz, kept both as the shortest decimal text of its value and as a double.
#ifndef VELBRIX_CORE_HERTZ_H_
#define VELBRIX_CORE_HERTZ_H_

#include <string>
#include <string_view>

#include "core/status.h"

namespace velbrix {

struct Hertz {
  std::string text;  // "256", "250.5": no leading zeros, no trailing zeros, no lone full stop
  double value = 0;  // the double nearest the text
};

// Parses digits with at most one full stop between digits, at most 9 decimals and at most 15
// significant digits, of a value above 0 ("256", "250.5", "0256.50"). Fails with kInvalidArgument
// naming `what` ("sample rate") and the text.
Status ParseHertz(std::string_view text, std::string_view what, Hertz* hertz);

// The shortest decimal without an exponent that reads back as `value` ("3992.015968063872"), the
// same in every locale: how the files written give a figure computed from a rate.
std::string ShortestDecimal(double value);

}  // namespace velbrix

#endif  // VELBRIX_CORE_HERTZ_H_
