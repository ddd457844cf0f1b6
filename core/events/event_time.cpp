// Exact decimal seconds of record counts, and the nearest record of a time.
#include "core/events/event_time.h"

#include <charconv>
#include <cmath>
#include <limits>

namespace velbrix {
namespace {

std::string RecordsAsSecondsByDigits(std::uint64_t records, std::uint64_t scaled, int decimals) {
  // records * 10^decimals / scaled by long division over the digits of records followed by
  // `decimals` zeros. scaled < 10^15, so ten times a remainder fits 64 bits.
  const std::string digits = std::to_string(records) + std::string(std::size_t(decimals), '0');
  std::string whole;
  std::uint64_t remainder = 0;
  for (const char c : digits) {
    remainder = remainder * 10 + static_cast<std::uint64_t>(c - '0');
    const auto digit = static_cast<char>('0' + remainder / scaled);
    remainder %= scaled;
    if (!whole.empty() || digit != '0') {
      whole += digit;
    }
  }
  std::string fraction;
  for (int i = 0; i < kMostSecondsDecimals && remainder != 0; ++i) {
    remainder *= 10;
    fraction += static_cast<char>('0' + remainder / scaled);
    remainder %= scaled;
  }
  if (remainder * 2 >= scaled && fraction.size() == std::size_t(kMostSecondsDecimals)) {
    // Round up the last decimal, carrying into the whole seconds where needed.
    std::size_t i = fraction.size();
    while (i > 0 && fraction[i - 1] == '9') {
      fraction[--i] = '0';
    }
    if (i > 0) {
      ++fraction[i - 1];
    } else {
      std::size_t j = whole.size();
      while (j > 0 && whole[j - 1] == '9') {
        whole[--j] = '0';
      }
      if (j > 0) {
        ++whole[j - 1];
      } else {
        whole.insert(whole.begin(), '1');
      }
    }
  }
  while (!fraction.empty() && fraction.back() == '0') {
    fraction.pop_back();
  }
  if (whole.empty()) {
    whole = "0";
  }
  return fraction.empty() ? whole : whole + "." + fraction;
}

}  // namespace

std::string RecordsAsSeconds(std::uint64_t records, const Hertz& rate) {
  // records / rate = records * 10^decimals / scaled, for the rate's digits `scaled` and its
  // decimals.
  std::uint64_t scaled = 0;
  int decimals = 0;
  bool after_point = false;
  for (const char c : rate.text) {
    if (c == '.') {
      after_point = true;
      continue;
    }
    scaled = scaled * 10 + static_cast<std::uint64_t>(c - '0');
    decimals += after_point ? 1 : 0;
  }
  std::uint64_t power = 1;
  for (int i = 0; i < decimals; ++i) {
    power *= 10;
  }
  if (records > std::numeric_limits<std::uint64_t>::max() / power) {
    return RecordsAsSecondsByDigits(records, scaled, decimals);
  }
  // The usual case, one division for the whole seconds and one for each decimal: what every
  // event of an export and every data record of an EDF+ file asks for. scaled < 10^15, so ten
  // times a remainder fits 64 bits.
  const std::uint64_t numerator = records * power;
  std::uint64_t whole = numerator / scaled;
  std::uint64_t remainder = numerator % scaled;
  char fraction[kMostSecondsDecimals];
  int size = 0;
  while (size < kMostSecondsDecimals && remainder != 0) {
    remainder *= 10;
    fraction[size++] = static_cast<char>('0' + remainder / scaled);
    remainder %= scaled;
  }
  if (size == kMostSecondsDecimals && remainder * 2 >= scaled) {
    // Round up the last decimal, carrying into the whole seconds where needed.
    int i = size;
    while (i > 0 && fraction[i - 1] == '9') {
      fraction[--i] = '0';
    }
    if (i > 0) {
      ++fraction[i - 1];
    } else {
      ++whole;
    }
  }
  while (size > 0 && fraction[size - 1] == '0') {
    --size;
  }
  std::string text = std::to_string(whole);
  if (size > 0) {
    text += '.';
    text.append(fraction, static_cast<std::size_t>(size));
  }
  return text;
}

std::optional<std::uint64_t> SecondsAsRecords(std::string_view seconds, const Hertz& rate) {
  double value = 0;
  const char* end = seconds.data() + seconds.size();
  if (seconds.empty() || seconds.front() == '-' ||
      std::from_chars(seconds.data(), end, value, std::chars_format::general).ptr != end ||
      !std::isfinite(value)) {
    return std::nullopt;
  }
  const double records = std::round(value * rate.value);
  if (!(records >= 0 && records <= 9007199254740992.0)) {  // 2^53
    return std::nullopt;
  }
  return static_cast<std::uint64_t>(records);
}

}  // namespace velbrix
