// Reading and keeping the trace window's pages.
#include "window/trace/trace_pages.h"

namespace velbrix {

void TracePages::Open(const std::filesystem::path& recording) {
  overview_.reset();
  columns_ = ColumnExtremes();
  page_ = RowExtremes();
  key_.reset();
  page_status_ = Status::Ok();
  envelope_bounds_.clear();
  envelope_min_.clear();
  envelope_max_.clear();
  envelope_done_ = 0;
  open_status_ = recording_.Open(recording);
  loaded_ = true;
  if (open_status_.ok() && recording_.records() > 0) {
    overview_ = std::make_unique<TraceOverview>(recording, recording_.records());
  }
}

void TracePages::Close() {
  overview_.reset();
  recording_ = TraceRecording();
  loaded_ = false;
  columns_ = ColumnExtremes();
  page_ = RowExtremes();
  key_.reset();
  envelope_min_.clear();
}

void TracePages::Load(const TracePageKey& key, const std::vector<Biquad>& sections,
                      std::uint64_t margin) {
  const bool waiting = from_overview_ && columns_.ready < columns_.columns;
  if (key_ == key && !waiting) {
    return;
  }
  key_ = key;
  spectrum_values_.clear();
  if (key.page > DirectRecords(key.filters) && overview_ != nullptr) {
    OverviewColumnExtremes(*overview_, key.first, key.page, key.columns, &columns_);
    RowExtremesAsRecorded(columns_, &page_);
    from_overview_ = true;
    page_status_ = Status::Ok();
    return;
  }
  from_overview_ = false;
  const std::vector<MontageRow>& rows = key.montage->rows;
  page_.Prepare(rows.size(), key.first, key.page, key.columns);
  const std::vector<int>& shown = key.spectrum_rows;
  // A page read directly holds at most kDirectRecords records, so its count fits a size_t.
  const auto page = static_cast<std::size_t>(key.page);
  spectrum_values_.resize(shown.size() * page);
  page_status_ = ReadFilteredRecords(
      recording_, key.first, key.page, rows, sections, margin,
      [&](std::uint64_t from, const double* frames, std::size_t count) {
        page_.Add(from, frames, count);
        for (std::size_t i = 0; i < count; ++i) {
          double* to =
              &spectrum_values_[(static_cast<std::size_t>(from - key.first) + i) * shown.size()];
          for (std::size_t r = 0; r < shown.size(); ++r) {
            to[r] = frames[i * rows.size() + static_cast<std::size_t>(shown[r])];
          }
        }
      });
  if (page_status_.ok()) {
    page_.ready = page_.columns;
  } else {
    page_.Prepare(rows.size(), key.first, 0, 0);
    spectrum_values_.clear();
  }
}

std::optional<double> TracePages::ValueAt(std::uint64_t record, int row,
                                          const std::vector<MontageRow>& rows,
                                          const std::vector<Biquad>& sections,
                                          std::uint64_t margin) {
  if (row < 0 || static_cast<std::size_t>(row) >= rows.size() || record >= records()) {
    return std::nullopt;
  }
  const std::size_t c = page_.ColumnOf(record);
  if (c < page_.ready && page_.bounds[c + 1] - page_.bounds[c] == 1) {
    return page_.Min(row, c);
  }
  // A column of several records: the one record through the montage and the filters.
  const std::vector<MontageRow> one{rows[static_cast<std::size_t>(row)]};
  double value = 0;
  const Status status = ReadFilteredRecords(
      recording_, record, 1, one, from_overview_ ? std::vector<Biquad>() : sections, margin,
      [&](std::uint64_t, const double* frames, std::size_t) { value = frames[0]; });
  return status.ok() ? std::optional<double>(value) : std::nullopt;
}

void TracePages::UpdateEnvelope(std::size_t columns) {
  if (overview_ == nullptr) {
    envelope_min_.clear();
    return;
  }
  const std::uint64_t done = overview_->blocks_done();
  if (done == envelope_done_ && columns == envelope_columns_) {
    return;
  }
  OverviewEnvelope(*overview_, columns, &envelope_bounds_, &envelope_min_, &envelope_max_);
  envelope_done_ = done;
  envelope_columns_ = columns;
}

}  // namespace velbrix
