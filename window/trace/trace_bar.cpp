// The trace window's tool bar and status line.
#include "window/trace/trace_bar.h"

#include "core/base/record.h"
#include "window/trace/trace_scales.h"
#include "window/trace/trace_tools.h"

namespace velbrix {

using trace::kMicrovoltsPerDivision;

void TraceBar::ShowChoices(const TracePaging& paging, const std::vector<std::string>& montages,
                           int montage, const FilterChoice& filters) {
  std::vector<std::string> pages;
  int page_selected = -1;
  for (double seconds : paging.PageChoices()) {
    if (seconds == paging.page_seconds()) {
      page_selected = static_cast<int>(pages.size());
    }
    pages.push_back(seconds == 0 ? trace::kWholeRecordingText : trace::PageLengthText(seconds));
  }
  if (pages != page_entries_ || page_selected != page_selected_) {
    page_entries_ = pages;
    page_selected_ = page_selected;
    view_.SetPageChoices(page_entries_, page_selected_);
  }
  std::vector<std::string> amplitudes;
  int amplitude_selected = -1;
  for (double microvolts : kMicrovoltsPerDivision) {
    if (microvolts == paging.microvolts()) {
      amplitude_selected = static_cast<int>(amplitudes.size());
    }
    amplitudes.push_back(trace::AmplitudeText(microvolts));
  }
  amplitudes.push_back(trace::kFitPageText);
  if (amplitudes != amplitude_entries_ || amplitude_selected != amplitude_selected_) {
    amplitude_entries_ = amplitudes;
    amplitude_selected_ = amplitude_selected;
    view_.SetAmplitudeChoices(amplitude_entries_, amplitude_selected_);
  }
  for (const TraceTool tool :
       {TraceTool::kHighPass, TraceTool::kLowPass, TraceTool::kNotch, TraceTool::kMontage}) {
    std::vector<std::string> entries;
    int selected = -1;
    if (tool == TraceTool::kMontage) {
      entries = montages;
      selected = montage;
    } else {
      FilterChoice chosen = filters;
      for (const double hz : trace::OfferedHz(tool, paging.rate())) {
        selected =
            hz == trace::ChosenHz(chosen, tool) ? static_cast<int>(entries.size()) : selected;
        entries.push_back(trace::FilterText(hz));
      }
    }
    const auto at = static_cast<std::size_t>(tool);
    if (entries != tool_entries_[at] || selected != tool_selected_[at]) {
      tool_entries_[at] = entries;
      tool_selected_[at] = selected;
      view_.SetToolChoices(tool, entries, selected);
    }
  }
}

void TraceBar::ForgetChoices() {
  tool_selected_ = {-2, -2, -2, -2};
}

void TraceBar::ShowScrollBar(const TracePaging& paging) {
  const TracePaging::ScrollBar bar = paging.scroll_bar();
  view_.SetScrollBar(bar.maximum, bar.page, bar.position);
}

void TraceBar::ShowStatus(const TraceStatusInput& in) {
  std::string text = !in.notice.empty()            ? in.notice
                     : in.loaded && in.records > 0 ? kTraceKeysHint
                                                   : "";
  const trace::CanvasLayout& layout = in.layout;
  const std::uint64_t total = in.records;
  const double rate = in.paging->rate();
  if (in.measure && total > 0) {
    text = *in.measure;
  } else if (in.mouse && total > 0) {
    const auto [x, y] = *in.mouse;
    const int index = layout.ChannelAt(y);
    if (layout.traces.Contains(x, y) && index >= 0) {
      const RowExtremes& page = *in.page;
      const trace::PageMapping mapping{in.paging->first(), in.paging->page_records(),
                                       layout.traces};
      const std::uint64_t record = mapping.RecordAt(x);
      const MontageRow& channel = (*in.rows)[static_cast<std::size_t>(index)];
      const std::size_t c = page.ColumnOf(record);
      const bool ready = c < page.ready;
      if (record < total && ready && page.bounds[c + 1] - page.bounds[c] > 1) {
        const std::uint64_t from = page.bounds[c];
        const std::uint64_t to = page.bounds[c + 1] - 1;
        text = "Records " + std::to_string(from + 1) + "\u2013" + std::to_string(to + 1) +
               "  \u00B7  " + trace::TimeText(static_cast<double>(from) / rate, rate) + " \u2013 " +
               trace::TimeText(static_cast<double>(to) / rate, rate) + "  \u00B7  " +
               channel.label + "  \u00B7  " + trace::MicrovoltText(page.Min(index, c)) + " to " +
               trace::MicrovoltText(page.Max(index, c)) + " \u00B5V";
      } else if (record < total) {
        double value = 0;
        if (ready) {
          value = page.Min(index, c);
        } else {
          EegRecord bytes{};
          if (Status s = in.recording->ReadRecords(record, 1, bytes.data()); !s.ok()) {
            view_.SetStatusText(s.message());
            return;
          }
          value = ScaleSample(bytes[static_cast<std::size_t>(channel.input - 1)]);
        }
        text = "Record " + std::to_string(record + 1) + "  \u00B7  " +
               trace::TimeText(static_cast<double>(record) / rate, rate) + "  \u00B7  " +
               channel.label + "  \u00B7  " + trace::MicrovoltText(value) + " \u00B5V";
      }
    } else if (layout.overview.Contains(x, y)) {
      const trace::PageMapping whole{0, total, layout.overview};
      const std::uint64_t record = whole.RecordAt(x);
      text = "Overview: click to show record " + std::to_string(record + 1) + " at " +
             trace::TimeText(static_cast<double>(record) / rate, rate);
    }
  }
  view_.SetStatusText(text);
}

}  // namespace velbrix
