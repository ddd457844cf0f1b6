// The column extremes of a range of records, read or taken from the overview.
#include "core/trace/trace_columns.h"

#include <algorithm>
#include <exception>

#include "core/trace/record_extremes.h"

namespace velbrix {
namespace {

constexpr std::size_t kReadRecords = 8192;  // 256 KiB of the recording per read

// Sizes `out` for `columns` columns whose bounds are `bound(0)` .. `bound(columns)`.
template <typename Bound>
void Prepare(std::size_t columns, const Bound& bound, ColumnExtremes* out) {
  out->columns = columns;
  out->ready = 0;
  out->bounds.resize(columns + 1);
  for (std::size_t c = 0; c <= columns; ++c) {
    out->bounds[c] = bound(c);
  }
  out->min.assign(columns * kChannelCount, 0);
  out->max.assign(columns * kChannelCount, 0);
}

void Store(const RecordExtremes& extremes, std::size_t column, ColumnExtremes* out) {
  for (std::size_t p = 0; p < kChannelCount; ++p) {
    out->min[p * out->columns + column] = extremes.min[p];
    out->max[p * out->columns + column] = extremes.max[p];
  }
  out->ready = column + 1;
}

}  // namespace

std::size_t ColumnExtremes::ColumnOf(std::uint64_t record) const {
  if (columns == 0 || record < bounds.front() || record >= bounds.back()) {
    return columns;
  }
  const auto after = std::upper_bound(bounds.begin(), bounds.end(), record);
  return static_cast<std::size_t>(after - bounds.begin()) - 1;
}

Status ReadColumnExtremes(TraceRecording& recording, std::uint64_t first, std::uint64_t count,
                          std::size_t columns, ColumnExtremes* out) {
  const auto used = static_cast<std::size_t>(std::min<std::uint64_t>(columns, count));
  Prepare(
      used, [&](std::size_t c) { return first + ColumnBoundary(count, used, c); }, out);
  if (used == 0) {
    return Status::Ok();
  }
  std::vector<std::uint8_t> buffer;
  try {
    buffer.resize(static_cast<std::size_t>(std::min<std::uint64_t>(count, kReadRecords)) *
                  kRecordSize);
  } catch (const std::exception& e) {
    Prepare(
        0, [&](std::size_t) { return first; }, out);
    return Status::IoError("Cannot read", recording.path(), e.what());
  }
  RecordExtremes extremes;
  std::size_t column = 0;
  const std::uint64_t end = first + count;
  for (std::uint64_t at = first; at < end;) {
    const auto got = static_cast<std::size_t>(std::min<std::uint64_t>(kReadRecords, end - at));
    if (Status s = recording.ReadRecords(at, got, buffer.data()); !s.ok()) {
      Prepare(
          0, [&](std::size_t) { return first; }, out);
      return s;
    }
    for (std::size_t i = 0; i < got;) {
      const std::uint64_t column_end = out->bounds[column + 1];
      const auto take = static_cast<std::size_t>(std::min<std::uint64_t>(got - i, column_end - at));
      extremes.Add(&buffer[i * kRecordSize], take);
      i += take;
      at += take;
      if (at == column_end) {
        Store(extremes, column++, out);
        extremes = RecordExtremes();
      }
    }
  }
  return Status::Ok();
}

void OverviewColumnExtremes(const TraceOverview& overview, std::uint64_t first, std::uint64_t count,
                            std::size_t columns, ColumnExtremes* out) {
  const std::uint64_t size = overview.block_records();
  const std::uint64_t first_block = first / size;
  const std::uint64_t end_block = std::min(overview.blocks(), (first + count + size - 1) / size);
  const std::uint64_t units = end_block > first_block ? end_block - first_block : 0;
  const auto used = static_cast<std::size_t>(std::min<std::uint64_t>(columns, units));
  const auto block_of = [&](std::size_t c) { return first_block + ColumnBoundary(units, used, c); };
  Prepare(
      used, [&](std::size_t c) { return overview.BlockStart(block_of(c)); }, out);
  const std::uint64_t done = overview.blocks_done();
  for (std::size_t c = 0; c < used && block_of(c + 1) <= done; ++c) {
    RecordExtremes extremes;
    for (std::uint64_t b = block_of(c); b < block_of(c + 1); ++b) {
      extremes.Add(overview.BlockMin(b), overview.BlockMax(b));
    }
    Store(extremes, c, out);
  }
}

void OverviewEnvelope(const TraceOverview& overview, std::size_t columns,
                      std::vector<std::uint64_t>* bounds, std::vector<std::uint8_t>* min,
                      std::vector<std::uint8_t>* max) {
  const std::uint64_t units = overview.blocks();
  const auto used = static_cast<std::size_t>(std::min<std::uint64_t>(columns, units));
  bounds->resize(used + 1);
  for (std::size_t c = 0; c <= used; ++c) {
    (*bounds)[c] = overview.BlockStart(ColumnBoundary(units, used, c));
  }
  min->clear();
  max->clear();
  const std::uint64_t done = overview.blocks_done();
  for (std::size_t c = 0; c < used; ++c) {
    const std::uint64_t from = ColumnBoundary(units, used, c);
    const std::uint64_t to = ColumnBoundary(units, used, c + 1);
    if (to > done) {
      break;
    }
    std::uint8_t lo = 255;
    std::uint8_t hi = 0;
    for (std::uint64_t b = from; b < to; ++b) {
      lo = std::min(lo, overview.EnvelopeMin(b));
      hi = std::max(hi, overview.EnvelopeMax(b));
    }
    min->push_back(lo);
    max->push_back(hi);
  }
}

}  // namespace velbrix
