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
      rows.push_back({std::string(from) + "-" + std::string(to),
                      PositionOf(from),
                      {{PositionOf(from), 1}, {PositionOf(to), -1}},
                      true});
    }
  }
  for (int i = 0; i < static_cast<int>(kChannelCount); ++i) {
    const Channel& channel = ChannelAtListIndex(i);
    const bool eeg = IsEeg(channel.position);
    if (eeg && kind == MontageKind::kBipolarLongitudinal) {
      continue;
    }
    std::vector<MontageTerm> terms = {{channel.position, 1}};
    std::string label(channel.name);
    if (eeg && kind == MontageKind::kAverageReference) {
      terms.push_back({kEegAverageSource, -1});
      label += std::string("-") + kAverageLabel;
    } else if (eeg && kind == MontageKind::kLinkedEars) {
      if (IsEar(channel.position)) {
        continue;  // the reference itself
      }
      terms.push_back({kEarsSource, -1});
      label += std::string("-") + kEarsLabel;
    }
    rows.push_back({std::move(label), channel.position, std::move(terms), eeg});
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

const Montage& BuiltInMontage(MontageKind kind) {
  static const std::array<Montage, kMontages.size()> tables = [] {
    std::array<Montage, kMontages.size()> made;
    for (std::size_t i = 0; i < kMontages.size(); ++i) {
      made[i] = {std::string(MontageName(kMontages[i])), Make(kMontages[i]),
                 MontageReferenceText(kMontages[i])};
    }
    return made;
  }();
  return tables[static_cast<std::size_t>(kind)];
}

const std::vector<MontageRow>& MontageRows(MontageKind kind) {
  return BuiltInMontage(kind).rows;
}

int MontageRowOf(const std::vector<MontageRow>& rows, int position) {
  for (int pass = 0; pass < 2 && position > 0; ++pass) {
    for (std::size_t r = 0; r < rows.size(); ++r) {
      for (const MontageTerm& term : rows[r].terms) {
        if (term.source == position && (pass == 0) == (term.weight > 0)) {
          return static_cast<int>(r);
        }
      }
    }
  }
  return -1;
}

void ApplyMontage(const std::vector<MontageRow>& rows, const std::uint8_t* records,
                  std::size_t count, double* out) {
  // Each record's values, extended by the references: the 32 channels (source 1 .. 32 at 0 ..
  // 31), the mean of the EEG electrodes and the mean of the ears; a row is a sum of them weighed.
  constexpr std::size_t kAverage = kEegAverageSource - 1;
  constexpr std::size_t kEarsMean = kEarsSource - 1;
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
  // The rows' terms laid end to end; a row of one channel with weight 1 is copied, which keeps
  // the values as recorded exact and the common case fast.
  std::vector<std::size_t> first(rows.size() + 1);
  std::vector<std::size_t> source;
  std::vector<double> weight;
  bool averaged = false;
  for (std::size_t r = 0; r < rows.size(); ++r) {
    first[r] = source.size();
    for (const MontageTerm& term : rows[r].terms) {
      source.push_back(static_cast<std::size_t>(term.source - 1));
      weight.push_back(term.weight);
      averaged = averaged || term.source == kEegAverageSource;
    }
  }
  first[rows.size()] = source.size();
  std::array<double, kEarsSource> values{};
  const double share = 1.0 / static_cast<double>(eeg.size());
  for (std::size_t i = 0; i < count; ++i) {
    const std::uint8_t* record = records + i * kRecordSize;
    for (std::size_t p = 0; p < kChannelCount; ++p) {
      values[p] = ScaleSample(record[p]);
    }
    if (averaged) {
      double sum = 0;
      for (const std::size_t p : eeg) {
        sum += values[p];
      }
      values[kAverage] = sum * share;
    }
    values[kEarsMean] = (values[a1] + values[a2]) / 2;
    double* frame = out + i * rows.size();
    for (std::size_t r = 0; r < rows.size(); ++r) {
      double value = 0;
      for (std::size_t t = first[r]; t < first[r + 1]; ++t) {
        value += weight[t] * values[source[t]];
      }
      frame[r] = value;
    }
  }
}

}  // namespace velbrix
