// A reader's own montage as a small text file that a person can write and pass to another
// machine, and the derivations its rows are written in.
//
//   # Comments and empty lines are ignored.
//   name: Temporal chains                  the montage's name in the Montage box (optional; the
//                                          file's name without ".montage" otherwise)
//   FP1-F7                                 a row: its derivation, labelled as written
//   FP1-(A1+A2)/2; label FP1-ears          a row with its own label
//   C4-avg; factor 2                       drawn at twice the window's amplitude
//   T3-T5; hidden                          kept in the file, not drawn
//
// A derivation adds and subtracts channels by name (FP2 ... PG2, in any case) and avg, the mean
// of the 22 EEG electrodes, each optionally multiplied or divided by a number, with parentheses:
// "F3-C3", "FP1-(A1+A2)/2", "C4-avg", "(F3+F4)/2-Cz", "0.5*T3-0.5*T5". The weights added and those
// subtracted must each add up to at most 1: a row is a channel or a mean of channels minus
// another, so that its values stay within those of a difference of two samples.
//
// UTF-8, LF or CR LF line ends, a byte order mark; at most kMostMontageFileBytes and
// kMostMontageRows rows.
#ifndef VELBRIX_CORE_SIGNAL_MONTAGE_TEXT_H_
#define VELBRIX_CORE_SIGNAL_MONTAGE_TEXT_H_

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "core/signal/montage.h"

namespace velbrix {

inline constexpr char kMontageFileExtension[] = ".montage";
inline constexpr std::size_t kMostMontageFileBytes = 64 << 10;
inline constexpr std::size_t kMostMontageRows = 256;
inline constexpr std::size_t kMostMontageLabelBytes = 32;
inline constexpr std::size_t kMostMontageNameBytes = 32;  // the Montage box fits it
// A row's factor lies within these, both included.
inline constexpr double kLeastMontageFactor = 0.01;
inline constexpr double kMostMontageFactor = 100;

// A row as written: what a reader edits.
struct MontageLine {
  std::string derivation;  // "FP1-(A1+A2)/2"
  std::string label;       // empty: the derivation, as written
  std::string factor = "1";
  bool shown = true;
  bool operator==(const MontageLine&) const = default;
};

// A montage as written.
struct MontageSource {
  std::string name;
  std::vector<MontageLine> lines;
  bool operator==(const MontageSource&) const = default;
};

// Something wrong with a row or a line: its number (from 1: the file's line, or the row's
// number in an editor) and why, as "\"Fx3\" is not a channel".
struct MontageProblem {
  std::size_t line = 0;
  std::string why;
  bool operator==(const MontageProblem&) const = default;
};

// The terms of the derivation `text`, same sources gathered in the order first named and
// weights of 0 dropped; false with `*why` set when it is not one ("\"Fx3\" is not a channel",
// "a number alone is not a channel", "the added channels weigh more than one channel: write a
// mean, as (F3+F4)/2", ...). `*eeg` tells whether all its channels are EEG electrodes.
bool ParseDerivation(std::string_view text, std::vector<MontageTerm>* terms, bool* eeg,
                     std::string* why);

// `text` as a factor (a plain decimal number within the bounds), or false.
bool ParseMontageFactor(std::string_view text, double* factor);

// The montage written in `text`; `*problems` gets each line that is not a row, a name or a
// comment, with its number (such lines are left out), and `*numbers` each row's line number.
// `fallback_name` names a montage without a name line.
MontageSource ParseMontageText(std::string_view text, std::string_view fallback_name,
                               std::vector<MontageProblem>* problems,
                               std::vector<std::size_t>* numbers);

// The file's text for `source`: a comment that says how it is written, the name, and a line a
// row, with "; label", "; factor" and "; hidden" where they differ from a plain row.
std::string FormatMontageText(const MontageSource& source);

// The montage of `source`'s shown rows: each line whose derivation, label and factor are sound
// gives a row; `*problems` gets the others, numbered by their place in `source.lines` from 1
// (when `numbers` is null) or by `numbers` (the file's line numbers).
Montage BuildMontage(const MontageSource& source, std::vector<MontageProblem>* problems,
                     const std::vector<std::size_t>* numbers = nullptr);

// `montage` as written: the built-in montages as lines of the same table, to start a reader's own
// from them. The built-in ears are written "(A1+A2)/2".
MontageSource MontageSourceOf(const Montage& montage);

// "line 4: \"Fx3\" is not a channel", the problems one a line.
std::string MontageProblemsText(const std::vector<MontageProblem>& problems,
                                std::string_view what = "line");

}  // namespace velbrix

#endif  // VELBRIX_CORE_SIGNAL_MONTAGE_TEXT_H_
