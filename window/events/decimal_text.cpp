#include "window/events/decimal_text.h"

#include <charconv>
#include <cstdio>
#include <system_error>

namespace velbrix {
namespace {

std::string_view Trimmed(std::string_view text) {
  while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
  while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
  return text;
}

}  // namespace

Status ParseDecimal(std::string_view text, std::string_view what, std::string_view user_separator,
                    bool allow_sign, double* value) {
  const std::string_view trimmed = Trimmed(text);
  std::string plain;
  std::string_view rest = trimmed;
  if (allow_sign && !rest.empty() && (rest.front() == '-' || rest.front() == '+')) {
    if (rest.front() == '-') plain += '-';
    rest.remove_prefix(1);
  }
  bool separator_seen = false;
  bool digit_before = false;
  bool digit_last = false;
  bool bad = rest.empty();
  while (!rest.empty() && !bad) {
    if (rest.front() >= '0' && rest.front() <= '9') {
      plain += rest.front();
      rest.remove_prefix(1);
      digit_before = digit_last = true;
      continue;
    }
    std::size_t length = 0;
    if (rest.front() == '.') {
      length = 1;
    } else if (!user_separator.empty() && rest.substr(0, user_separator.size()) == user_separator) {
      length = user_separator.size();
    }
    bad = length == 0 || separator_seen || !digit_last;
    separator_seen = true;
    digit_last = false;
    plain += '.';
    rest.remove_prefix(length == 0 ? 1 : length);
  }
  double parsed = 0;
  if (!bad && digit_before && digit_last) {
    const auto [end, error] = std::from_chars(plain.data(), plain.data() + plain.size(), parsed);
    bad = error != std::errc() || end != plain.data() + plain.size();
  } else {
    bad = true;
  }
  if (bad) {
    std::string separators = "\".\"";
    if (!user_separator.empty() && user_separator != ".") {
      separators += " or \"" + std::string(user_separator) + "\"";
    }
    return Status::InvalidArgument("The " + std::string(what) + " " + Quoted(text) +
                                   " is not a number (decimal separator " + separators + ")");
  }
  *value = parsed;
  return Status::Ok();
}

Status ParseOptionalRate(std::string_view text, std::string_view user_separator,
                         std::optional<Hertz>* rate) {
  const std::string_view trimmed = Trimmed(text);
  if (trimmed.empty()) {
    rate->reset();
    return Status::Ok();
  }
  Hertz parsed;
  Status status = ParseHertz(trimmed, "sample rate", &parsed, user_separator);
  if (status.ok()) *rate = parsed;
  return status;
}

std::string SecondsText(std::uint64_t record, const Hertz& rate, std::string_view user_separator) {
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%.3f", static_cast<double>(record) / rate.value);
  std::string text = buffer;
  if (const std::size_t dot = text.find('.'); dot != std::string::npos) {
    text.replace(dot, 1, user_separator.empty() ? std::string_view(".") : user_separator);
  }
  return text + " s";
}

}  // namespace velbrix
