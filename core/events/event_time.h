// Positions in records as seconds at a sample rate, and back: how every exported file and every
// imported table gives an event's time.
#ifndef VELBRIX_CORE_EVENTS_EVENT_TIME_H_
#define VELBRIX_CORE_EVENTS_EVENT_TIME_H_

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "core/base/hertz.h"

namespace velbrix {

// The most decimals written for a time in seconds; a time whose decimal goes on is rounded to
// the nearest 10^-12 s, far below any rate's sample interval.
inline constexpr int kMostSecondsDecimals = 12;

// records / rate seconds as decimal text without exponent or trailing zeros ("0", "2.5",
// "0.00390625", "0.003992015968"), exact where the decimal ends within kMostSecondsDecimals
// decimals. Requires `rate` from ParseHertz.
std::string RecordsAsSeconds(std::uint64_t records, const Hertz& rate);

// The nearest whole record to `seconds` (a decimal number, an exponent allowed: "12.5", "1e-3")
// at `rate`. Nothing for text that is not such a number, a negative or infinite one, or one
// beyond 2^53 records.
std::optional<std::uint64_t> SecondsAsRecords(std::string_view seconds, const Hertz& rate);

}  // namespace velbrix

#endif  // VELBRIX_CORE_EVENTS_EVENT_TIME_H_
