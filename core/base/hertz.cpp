// Parsing a frequency in hertz, the same way in every locale.
#include "core/base/hertz.h"

#include <charconv>

namespace velbrix {
namespace {

constexpr std::size_t kMostDecimals = 9;
constexpr std::size_t kMostSignificantDigits = 15;  // a double holds every such decimal

bool AllDigits(std::string_view text) {
  for (const char c : text) {
    if (c < '0' || c > '9') {
      return false;
    }
  }
  return true;
}

}  // namespace

Status ParseHertz(std::string_view text, std::string_view what, Hertz* hertz,
                  std::string_view user_separator) {
  const bool other_separator = !user_separator.empty() && user_separator != ".";
  const Status invalid = Status::InvalidArgument(
      "The " + std::string(what) + " " + Quoted(text) +
      " is not a positive number of hertz written with digits and at most one " +
      (other_separator ? "decimal separator (\".\" or \"" + std::string(user_separator) + "\")"
                       : std::string("full stop")));
  std::size_t point = text.find('.');
  std::size_t separator_size = 1;
  if (const std::size_t user = other_separator ? text.find(user_separator) : std::string_view::npos;
      user != std::string_view::npos && user < point) {
    if (point != std::string_view::npos) {
      return invalid;  // both separators
    }
    point = user;
    separator_size = user_separator.size();
  }
  std::string_view whole = text.substr(0, point);
  std::string_view fraction =
      point == std::string_view::npos ? std::string_view() : text.substr(point + separator_size);
  if (whole.empty() || !AllDigits(whole) || !AllDigits(fraction) ||
      (point != std::string_view::npos && fraction.empty()) || fraction.size() > kMostDecimals) {
    return invalid;
  }
  while (whole.size() > 1 && whole.front() == '0') {
    whole.remove_prefix(1);
  }
  while (!fraction.empty() && fraction.back() == '0') {
    fraction.remove_suffix(1);
  }
  std::string digits = std::string(whole == "0" ? "" : whole) + std::string(fraction);
  digits.erase(0, digits.find_first_not_of('0'));
  if (digits.empty() || digits.size() > kMostSignificantDigits) {
    return invalid;
  }
  Hertz parsed;
  parsed.text = std::string(whole);
  if (!fraction.empty()) {
    parsed.text += '.';
    parsed.text += fraction;
  }
  const char* end = parsed.text.data() + parsed.text.size();
  if (std::from_chars(parsed.text.data(), end, parsed.value).ptr != end) {
    return invalid;
  }
  *hertz = std::move(parsed);
  return Status::Ok();
}

std::string ShortestDecimal(double value) {
  char digits[512];  // room for every finite double, 1e308 included
  const auto result =
      std::to_chars(digits, digits + sizeof digits, value, std::chars_format::fixed);
  return std::string(digits, result.ptr);
}

}  // namespace velbrix
