// The montages a viewer offers: which traces it draws from a record's channels, in which order and
// under which labels. A montage is a table of rows, each row one trace: a derivation, the sum of
// its terms, each a source (a channel, the mean of the EEG electrodes or the mean of the ears)
// times a weight: FP1-F7 is FP1 minus F7, C4-avg is C4 minus the mean of the EEG electrodes. The
// built-in montages below and those a reader writes (montage_text.h) are tables of the same rows.
//
// The EEG electrodes are the channels of kind EEG in the channel table: the 22 electrodes of
// the 10-20 system, A1, A2 and Oz included. Every montage first lists its EEG rows and then the
// other inputs as recorded, in the order of the window's channel list: EKG, BP1, BP2, BP3, BP4,
// DC1, DC2, DC3, PG1, PG2.
//   As recorded:          the 32 channels in the order of the channel list, unchanged.
//   Average reference:    each EEG electrode minus the mean of all 22, in the same order, labelled
//                         "FP2-avg".
//   Linked ears:          each EEG electrode but A1 and A2 minus the mean of A1 and A2, in the
//                         same order, labelled "FP2-A1A2"; the ears, being the reference, have no
//                         rows of their own.
//   Bipolar longitudinal: the 18 pairs of the double banana, left temporal FP1-F7, F7-T3, T3-T5,
//                         T5-O1, right temporal FP2-F8 ... T6-O2, left parasagittal FP1-F3 ...
//                         P3-O1, right parasagittal FP2-F4 ... P4-O2, then Fz-Cz and Cz-Pz.
#ifndef VELBRIX_CORE_SIGNAL_MONTAGE_H_
#define VELBRIX_CORE_SIGNAL_MONTAGE_H_

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace velbrix {

enum class MontageKind { kAsRecorded, kAverageReference, kLinkedEars, kBipolarLongitudinal };

inline constexpr std::array<MontageKind, 4> kMontages = {
    MontageKind::kAsRecorded, MontageKind::kAverageReference, MontageKind::kLinkedEars,
    MontageKind::kBipolarLongitudinal};

// The sources of a row's terms beyond the channels' record positions 1 .. 32.
inline constexpr int kEegAverageSource = 33;  // the mean of the EEG electrodes
inline constexpr int kEarsSource = 34;        // the mean of A1 and A2

// The names of the references in the rows' labels.
inline constexpr char kAverageLabel[] = "avg";
inline constexpr char kEarsLabel[] = "A1A2";

struct MontageTerm {
  int source = 0;  // a record position, kEegAverageSource or kEarsSource
  double weight = 1;
  bool operator==(const MontageTerm&) const = default;
};

struct MontageRow {
  std::string label;  // "FP2", "FP1-F7", "FP2-avg", "FP2-A1A2"
  int input = 0;      // record position (1 .. 32) of the row's first channel added (0: none)
  std::vector<MontageTerm> terms;  // the row's value is the sum of its terms, in this order
  bool eeg = false;                // whether the row's channels are EEG electrodes
  double factor = 1;               // drawn at this many times the window's amplitude
};

// A montage on offer: its name in the Montage box, its rows, and what its labels' reference
// stands for (MontageReferenceText; empty when the labels name their channels alone).
struct Montage {
  std::string name;
  std::vector<MontageRow> rows;
  std::string reference_text;
};

// "As recorded", "Average reference", "Linked ears", "Bipolar longitudinal".
std::string_view MontageName(MontageKind kind);

// What the reference of `kind`'s labels stands for, naming the electrodes it averages:
// "avg: the mean of the 22 EEG electrodes FP2, F8, ... A1", "A1A2: the mean of A1 and A2"; empty
// for the montages whose labels name their channels alone.
std::string MontageReferenceText(MontageKind kind);

// The rows of `kind`, from the top of the window down.
const std::vector<MontageRow>& MontageRows(MontageKind kind);

// The built-in montage `kind`: its name, rows and reference text.
const Montage& BuiltInMontage(MontageKind kind);

// The row of `rows` that follows the channel at record position `position`: the first row that
// adds it (its own row, or in the bipolar montage the first pair that starts at it), or else the
// first that subtracts it; -1 when none does or `position` is 0.
int MontageRowOf(const std::vector<MontageRow>& rows, int position);
inline int MontageRowOf(MontageKind kind, int position) {
  return MontageRowOf(MontageRows(kind), position);
}

// The most a row's terms may weigh on each side: the added terms' weights and the subtracted
// terms' weights each add up to at most 1 (a channel, or a mean of channels), so that no row's
// value exceeds kLargestMontageValue.
inline constexpr double kMostWeightEachSide = 1;

// The rows' values (µV) of `count` records of 32 bytes at `records`: `out` gets count frames of
// rows.size() values each.
void ApplyMontage(const std::vector<MontageRow>& rows, const std::uint8_t* records,
                  std::size_t count, double* out);

// The largest magnitude a row's value can take: the difference of two samples, 956.25 µV (each
// row's weights being within kMostWeightEachSide).
inline constexpr double kLargestMontageValue = 956.25;

}  // namespace velbrix

#endif  // VELBRIX_CORE_SIGNAL_MONTAGE_H_
