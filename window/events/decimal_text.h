// Numbers typed into the event dialogs' fields, read with the user's decimal separator as the
// trace window's "Sample rate" field reads them, and positions shown as times.
#ifndef VELBRIX_WINDOW_EVENTS_DECIMAL_TEXT_H_
#define VELBRIX_WINDOW_EVENTS_DECIMAL_TEXT_H_

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "core/base/hertz.h"
#include "core/base/status.h"

namespace velbrix {

// Parses an optional sign, then digits with at most one separator (the full stop or
// `user_separator`) between them; spaces around are ignored. Fails with kInvalidArgument naming
// `what` and the text.
Status ParseDecimal(std::string_view text, std::string_view what, std::string_view user_separator,
                    bool allow_sign, double* value);

// The rate typed into a field: nothing for an empty field, otherwise ParseHertz.
Status ParseOptionalRate(std::string_view text, std::string_view user_separator,
                         std::optional<Hertz>* rate);

// "12.500 s" (3 decimals, the user's separator) for record `record` at `rate`.
std::string SecondsText(std::uint64_t record, const Hertz& rate, std::string_view user_separator);

}  // namespace velbrix

#endif  // VELBRIX_WINDOW_EVENTS_DECIMAL_TEXT_H_
