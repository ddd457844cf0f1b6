// A frequency as the user gives it (a sample rate, the power line's frequency) on the command line
// or in a window's field: a positive decimal number of hertz, kept both as the shortest decimal
// text of its value and as a double. The one parser of every such text, with one rule set.
#ifndef VELBRIX_CORE_BASE_HERTZ_H_
#define VELBRIX_CORE_BASE_HERTZ_H_

#include <string>
#include <string_view>

#include "core/base/status.h"

namespace velbrix {

struct Hertz {
  std::string text;  // "256", "250.5": no leading zeros, no trailing zeros, no lone full stop
  double value = 0;  // the double nearest the text
};

// Parses digits with at most one decimal separator between digits, at most 9 decimals and at most
// 15 significant digits, of a value above 0 ("256", "250.5", "0256.50"): no sign, exponent, space
// or unit. The separator is the full stop or `user_separator`, the user's own (a window's fields
// pass the regional setting's, "," say; the command line passes "."). Fails with kInvalidArgument
// naming `what` ("sample rate"), the text and the separators allowed.
Status ParseHertz(std::string_view text, std::string_view what, Hertz* hertz,
                  std::string_view user_separator = ".");

// The shortest decimal without an exponent that reads back as `value` ("3992.015968063872"), the
// same in every locale: how the files written give a figure computed from a rate.
std::string ShortestDecimal(double value);

}  // namespace velbrix

#endif  // VELBRIX_CORE_BASE_HERTZ_H_
