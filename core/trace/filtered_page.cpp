// Reading records through a montage and zero-phase filters, and the rows' column extremes.
#include "core/trace/filtered_page.h"

#include <algorithm>
#include <exception>
#include <limits>

#include "core/base/record.h"

namespace velbrix {
namespace {

constexpr std::size_t kBlockRecords = 8192;  // 256 KiB of the recording per read

// The records of a span, read and turned into rows' values block by block.
class SpanBlocks {
 public:
  SpanBlocks(TraceRecording& recording, const std::vector<MontageRow>& rows, std::uint64_t start,
             std::uint64_t end)
      : recording_(recording), rows_(rows), start_(start), end_(end) {}

  std::size_t blocks() const {
    return static_cast<std::size_t>((end_ - start_ + kBlockRecords - 1) / kBlockRecords);
  }
  std::uint64_t First(std::size_t block) const { return start_ + block * kBlockRecords; }
  std::size_t Count(std::size_t block) const {
    return static_cast<std::size_t>(std::min<std::uint64_t>(kBlockRecords, end_ - First(block)));
  }
  Status Allocate() {
    try {
      const auto most =
          static_cast<std::size_t>(std::min<std::uint64_t>(kBlockRecords, end_ - start_));
      bytes_.resize(most * kRecordSize);
      values_.resize(most * rows_.size());
    } catch (const std::exception& e) {
      return Status::IoError("Cannot read", recording_.path(), e.what());
    }
    return Status::Ok();
  }
  // Reads block `block` into values().
  Status Load(std::size_t block) {
    if (Status s = recording_.ReadRecords(First(block), Count(block), bytes_.data()); !s.ok()) {
      return s;
    }
    ApplyMontage(rows_, bytes_.data(), Count(block), values_.data());
    return Status::Ok();
  }
  double* values() { return values_.data(); }

 private:
  TraceRecording& recording_;
  const std::vector<MontageRow>& rows_;
  std::uint64_t start_;
  std::uint64_t end_;
  std::vector<std::uint8_t> bytes_;
  std::vector<double> values_;
};

}  // namespace

std::vector<Biquad> FilterSections(const FilterChoice& choice, double rate) {
  std::vector<Biquad> sections;
  if (choice.high_pass > 0) {
    sections = ButterworthSections(kHighPassOrder, choice.high_pass, rate, PassKind::kHighPass);
  }
  if (choice.low_pass > 0) {
    const std::vector<Biquad> low =
        ButterworthSections(kLowPassOrder, choice.low_pass, rate, PassKind::kLowPass);
    sections.insert(sections.end(), low.begin(), low.end());
  }
  if (choice.notch > 0) {
    sections.push_back(NotchSection(choice.notch, kNotchQuality, rate));
  }
  return sections;
}

std::uint64_t FilterMargin(const std::vector<Biquad>& sections) {
  return ZeroPhaseMargin(sections, 3 * kLargestMontageValue, kMarginTolerance);
}

std::uint64_t BoundedMargin(std::uint64_t margin, std::uint64_t page) {
  return page >= kFilteredSpanRecords ? 0 : std::min(margin, (kFilteredSpanRecords - page) / 2);
}

Status ReadFilteredRecords(TraceRecording& recording, std::uint64_t first, std::uint64_t count,
                           const std::vector<MontageRow>& rows, const std::vector<Biquad>& sections,
                           std::uint64_t margin, const FrameSink& sink) {
  if (count == 0 || rows.empty()) {
    return Status::Ok();
  }
  if (sections.empty()) {
    margin = 0;
  }
  const std::uint64_t start = first > margin ? first - margin : 0;
  const std::uint64_t end = first + count + std::min(margin, recording.records() - first - count);
  SpanBlocks span(recording, rows, start, end);
  if (Status s = span.Allocate(); !s.ok()) {
    return s;
  }
  const std::size_t width = rows.size();
  // Hands on the part of block `block` that lies in the range.
  const auto hand_on = [&](std::size_t block) {
    const std::uint64_t from = std::max(first, span.First(block));
    const std::uint64_t to = std::min(first + count, span.First(block) + span.Count(block));
    if (from < to) {
      sink(from, span.values() + (from - span.First(block)) * width,
           static_cast<std::size_t>(to - from));
    }
  };
  const std::size_t blocks = span.blocks();
  if (sections.empty()) {
    for (std::size_t b = 0; b < blocks; ++b) {
      if (Status s = span.Load(b); !s.ok()) {
        return s;
      }
      hand_on(b);
    }
    return Status::Ok();
  }
  // Forward over the span, keeping the state at the start of every block; the last block's
  // forward values stay in the buffer.
  SosCascade forward(sections, width);
  std::vector<std::vector<double>> checkpoints(blocks);
  for (std::size_t b = 0; b < blocks; ++b) {
    if (Status s = span.Load(b); !s.ok()) {
      return s;
    }
    if (b == 0) {
      forward.Settle(span.values());
    }
    checkpoints[b] = forward.state();
    forward.Run(span.values(), span.Count(b), false);
  }
  // Backward from the last block to the first, each block's forward values made again from its
  // checkpoint.
  SosCascade backward(sections, width);
  for (std::size_t b = blocks; b-- > 0;) {
    if (b + 1 == blocks) {
      backward.Settle(span.values() + (span.Count(b) - 1) * width);
    } else {
      if (Status s = span.Load(b); !s.ok()) {
        return s;
      }
      forward.set_state(checkpoints[b]);
      forward.Run(span.values(), span.Count(b), false);
    }
    backward.Run(span.values(), span.Count(b), true);
    hand_on(b);
  }
  return Status::Ok();
}

std::size_t RowExtremes::ColumnOf(std::uint64_t record) const {
  if (columns == 0 || record < bounds.front() || record >= bounds.back()) {
    return columns;
  }
  const auto after = std::upper_bound(bounds.begin(), bounds.end(), record);
  return static_cast<std::size_t>(after - bounds.begin()) - 1;
}

void RowExtremes::Prepare(std::size_t row_count, std::uint64_t first, std::uint64_t count,
                          std::size_t column_count) {
  rows = row_count;
  columns = static_cast<std::size_t>(std::min<std::uint64_t>(column_count, count));
  ready = 0;
  bounds.resize(columns + 1);
  for (std::size_t c = 0; c <= columns; ++c) {
    bounds[c] = first + ColumnBoundary(count, columns, c);
  }
  min.assign(rows * columns, std::numeric_limits<double>::infinity());
  max.assign(rows * columns, -std::numeric_limits<double>::infinity());
}

void RowExtremes::Add(std::uint64_t first, const double* frames, std::size_t count) {
  std::size_t c = ColumnOf(first);
  for (std::size_t i = 0; i < count; ++i) {
    while (first + i >= bounds[c + 1]) {
      ++c;
    }
    const double* frame = frames + i * rows;
    for (std::size_t r = 0; r < rows; ++r) {
      double& low = min[r * columns + c];
      double& high = max[r * columns + c];
      low = std::min(low, frame[r]);
      high = std::max(high, frame[r]);
    }
  }
}

void RowExtremesAsRecorded(const ColumnExtremes& columns, RowExtremes* out) {
  const std::vector<MontageRow>& rows = MontageRows(MontageKind::kAsRecorded);
  out->rows = rows.size();
  out->columns = columns.columns;
  out->ready = columns.ready;
  out->bounds = columns.bounds;
  out->min.assign(out->rows * out->columns, 0.0);
  out->max.assign(out->rows * out->columns, 0.0);
  for (std::size_t r = 0; r < rows.size(); ++r) {
    for (std::size_t c = 0; c < columns.ready; ++c) {
      out->min[r * out->columns + c] = ScaleSample(columns.Min(rows[r].input, c));
      out->max[r * out->columns + c] = ScaleSample(columns.Max(rows[r].input, c));
    }
  }
}

}  // namespace velbrix
