// The montages' tables and their application to records.
#include "core/signal/montage.h"

#include <utility>

#include "core/base/channel_table.h"
#include "core/base/record.h"

namespace velbrix {
namespace {

constexpr std::array<std::pair<std::string_view, std::string_view>, 18> kDoubleBanana = {{
    {"FP1", "F7"},
    {"F7", "T3"},
    {"T3", "T5"},
    {"T5", "O1"},  // left temporal
    {"FP2", "F8"},
    {"F8", "T4"},
    {"T4", "T6"},
    {"T6", "O2"},  // right temporal
    {"FP1", "F3"},
    {"F3", "C3"},
    {"C3", "P3"},
    {"P3", "O1"},  // left parasagittal
    {"FP2", "F4"},
    {"F4", "C4"},
    {"C4", "P4"},
    {"P4", "O2"},  // right parasagittal
    {"Fz", "Cz"},
    {"Cz", "Pz"},  // midline
}};

bool IsEeg(int position) {
  return ChannelAtPosition(position).kind == ChannelKind::kEeg;
}

int PositionOf(std::string_view name) {
  return *FindChannelPosition(name);
}

bool IsEar(int position) {
  return position == PositionOf("A1") || position == PositionOf("A2");
}

std::vector<MontageRow> Make(MontageKind kind) {
  std::vector<MontageRow> rows;
  if (kind == MontageKind::kBipolarLongitudinal) {
    for (const auto& [from, to] : kDoubleBanana) {
      rows.push_back({std::string(from) + "-" + std::string(to), PositionOf(from),
                      Reference::kChannel, PositionOf(to), true});
    }
  }
  for (int i = 0; i < static_cast<int>(kChannelCount); ++i) {
    const Channel& channel = ChannelAtListIndex(i);
    const bool eeg = IsEeg(channel.position);
    if (eeg && kind == MontageKind::kBipolarLongitudinal) {
      continue;
    }
    Reference reference = Reference::kNone;
    std::string label(channel.name);
    if (eeg && kind == MontageKind::kAverageReference) {
      reference = Reference::kEegAverage;
      label += std::string("-") + kAverageLabel;
    } else if (eeg && kind == MontageKind::kLinkedEars) {
      if (IsEar(channel.position)) {
        continue;  // the reference itself
      }
      reference = Reference::kEars;
      label += std::string("-") + kEarsLabel;
    }
    rows.push_back({std::move(label), channel.position, reference, 0, eeg});
  }
  // The EEG rows come first: the channel list holds the electrodes before the other inputs.
  return rows;
}

}  // namespace

std::string_view MontageName(MontageKind kind) {
  switch (kind) {
    case MontageKind::kAsRecorded:
      return "As recorded";
    case MontageKind::kAverageReference:
      return "Average reference";
    case MontageKind::kLinkedEars:
      return "Linked ears";
    case MontageKind::kBipolarLongitudinal:
      return "Bipolar longitudinal";
  }
  return "";
}

std::string MontageReferenceText(MontageKind kind) {
  if (kind == MontageKind::kLinkedEars) {
    return std::string(kEarsLabel) + ": the mean of A1 and A2";
  }
  if (kind != MontageKind::kAverageReference) {
    return "";
  }
  std::string names;
  int count = 0;
  for (int i = 0; i < static_cast<int>(kChannelCount); ++i) {
    const Channel& channel = ChannelAtListIndex(i);
    if (IsEeg(channel.position)) {
      names += (count++ == 0 ? "" : ", ") + std::string(channel.name);
    }
  }
  return std::string(kAverageLabel) + ": the mean of the " + std::to_string(count) +
         " EEG electrodes " + names;
}

const std::vector<MontageRow>& MontageRows(MontageKind kind) {
  static const std::array<std::vector<MontageRow>, kMontages.size()> tables = {
      Make(kMontages[0]), Make(kMontages[1]), Make(kMontages[2]), Make(kMontages[3])};
  return tables[static_cast<std::size_t>(kind)];
}

int MontageRowOf(MontageKind kind, int position) {
  const std::vector<MontageRow>& rows = MontageRows(kind);
  for (int pass = 0; pass < 2 && position > 0; ++pass) {
    for (std::size_t r = 0; r < rows.size(); ++r) {
      if ((pass == 0 ? rows[r].input : rows[r].minus) == position) {
        return static_cast<int>(r);
      }
    }
  }
  return -1;
}

void ApplyMontage(const std::vector<MontageRow>& rows, const std::uint8_t* records,
                  std::size_t count, double* out) {
  // Each record's values, extended by the references: the 32 channels, the mean of the EEG
  // electrodes, the mean of the ears and 0; a row is one of them minus another.
  constexpr std::size_t kAverage = kChannelCount;
  constexpr std::size_t kEarsMean = kChannelCount + 1;
  constexpr std::size_t kNothing = kChannelCount + 2;
  static const std::vector<std::size_t> eeg = [] {
    std::vector<std::size_t> indexes;
    for (const int position : kAllPositions) {
      if (IsEeg(position)) {
        indexes.push_back(static_cast<std::size_t>(position - 1));
      }
    }
    return indexes;
  }();
  static const std::size_t a1 = static_cast<std::size_t>(PositionOf("A1") - 1);
  static const std::size_t a2 = static_cast<std::size_t>(PositionOf("A2") - 1);
  std::vector<std::size_t> plus(rows.size());
  std::vector<std::size_t> minus(rows.size());
  for (std::size_t r = 0; r < rows.size(); ++r) {
    plus[r] = static_cast<std::size_t>(rows[r].input - 1);
    switch (rows[r].reference) {
      case Reference::kNone:
        minus[r] = kNothing;
        break;
      case Reference::kChannel:
        minus[r] = static_cast<std::size_t>(rows[r].minus - 1);
        break;
      case Reference::kEegAverage:
        minus[r] = kAverage;
        break;
      case Reference::kEars:
        minus[r] = kEarsMean;
        break;
    }
  }
  std::array<double, kChannelCount + 3> values{};
  const double share = 1.0 / static_cast<double>(eeg.size());
  for (std::size_t i = 0; i < count; ++i) {
    const std::uint8_t* record = records + i * kRecordSize;
    for (std::size_t p = 0; p < kChannelCount; ++p) {
      values[p] = ScaleSample(record[p]);
    }
    double sum = 0;
    for (const std::size_t p : eeg) {
      sum += values[p];
    }
    values[kAverage] = sum * share;
    values[kEarsMean] = (values[a1] + values[a2]) / 2;
    double* frame = out + i * rows.size();
    for (std::size_t r = 0; r < rows.size(); ++r) {
      frame[r] = values[plus[r]] - values[minus[r]];
    }
  }
}

}  // namespace velbrix
