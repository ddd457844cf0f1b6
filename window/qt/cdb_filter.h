// Translates the open dialog's filter from the window's form into Qt's.
#ifndef VELBRIX_WINDOW_QT_CDB_FILTER_H_
#define VELBRIX_WINDOW_QT_CDB_FILTER_H_

#include <string>
#include <string_view>

namespace velbrix {

// `filter` holds pairs "Description|pattern;pattern|...", as in "All Files (*.*)|*.*". The result
// is Qt's form, entries "Description (pattern pattern)" joined by ";;". Qt reads the patterns from
// the parentheses, so a description's own parenthesised patterns are replaced; and the pattern
// "*.*", which means every file in the window's form but only names with a dot to Qt, becomes "*".
// A description without a pattern is dropped; an empty filter gives an empty result.
std::string QtFilterFromCdb(std::string_view filter);

}  // namespace velbrix

#endif  // VELBRIX_WINDOW_QT_CDB_FILTER_H_
