// The spectrum window's behaviour.
#include "window/trace/spectrum_controller.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "core/base/channel_table.h"
#include "core/signal/spectrum.h"
#include "window/trace/spectrum_canvas.h"
#include "window/trace/trace_scales.h"
#include "window/trace/trace_tools.h"

namespace velbrix {

void SpectrumController::Open(SpectrumView& view) {
  view_ = &view;
  mouse_.reset();
}

void SpectrumController::Close() {
  view_ = nullptr;
  densities_.clear();
}

void SpectrumController::Resize(int width, int height) {
  width_ = std::max(0, width);
  height_ = std::max(0, height);
}

bool SpectrumController::Choose(int index, const Montage& montage) {
  const std::vector<MontageRow>& rows = montage.rows;
  if (index == 0) {
    choice_ = kAllChannelsText;
  } else if (index > 0 && static_cast<std::size_t>(index) <= rows.size()) {
    choice_ = rows[static_cast<std::size_t>(index - 1)].label;
  } else {
    return false;
  }
  return true;
}

std::vector<int> SpectrumController::Rows(const Montage& montage,
                                          const std::string& channel) const {
  if (view_ == nullptr) {
    return {};
  }
  const std::vector<MontageRow>& rows = montage.rows;
  std::vector<int> shown;
  if (choice_ && *choice_ != kAllChannelsText) {
    for (std::size_t r = 0; r < rows.size(); ++r) {
      if (rows[r].label == *choice_) {
        shown.push_back(static_cast<int>(r));
      }
    }
  } else if (!choice_) {
    const std::optional<int> position = FindChannelPosition(channel);
    if (const int row = position ? MontageRowOf(rows, *position) : -1; row >= 0) {
      shown.push_back(row);
    }
  }
  if (shown.empty()) {  // all of them, or the row chosen is not in this montage
    for (std::size_t r = 0; r < rows.size(); ++r) {
      shown.push_back(static_cast<int>(r));
    }
  }
  return shown;
}

void SpectrumController::Update(const SpectrumPage& page, bool page_changed) {
  if (view_ == nullptr) {
    return;
  }
  const std::vector<MontageRow>& rows = page.montage->rows;
  const std::vector<int> shown = Rows(*page.montage, page.channel);
  const double rate = page.rate;
  trace::SpectrumInput input;
  input.width = width_;
  input.height = height_;
  input.rate = rate;
  const bool all = shown.size() > 1;
  input.title =
      (all ? std::string(kAllChannelsText) : rows[static_cast<std::size_t>(shown[0])].label);
  const bool ready = !page.from_overview && page.drawn && page.page >= 2 &&
                     page.values != nullptr && page.values->size() == shown.size() * page.page;
  if (!ready) {
    densities_.clear();
    frequencies_.clear();
    input.message = page.records == 0    ? "No recording to show"
                    : page.from_overview ? "The spectrum needs a page of at most " +
                                               std::to_string(page.direct_records) + " records"
                                         : "The page is too short for a spectrum";
  } else {
    if (page_changed || densities_.size() != shown.size()) {
      const Welch welch(SpectrumSegment(rate, page.page), rate);
      frequencies_ = welch.Frequencies();
      densities_.assign(shown.size(), {});
      for (std::size_t r = 0; r < shown.size(); ++r) {
        welch.Density(&(*page.values)[r], static_cast<std::size_t>(page.page), shown.size(),
                      &densities_[r]);
      }
    }
    input.title +=
        "  \u00B7  records " + std::to_string(page.first + 1) + "\u2013" +
        std::to_string(page.first + page.page) + "  \u00B7  Welch, Hann windows of " +
        trace::TimeText(static_cast<double>(SpectrumSegment(rate, page.page)) / rate, rate) +
        ", half overlap";
    input.frequencies = frequencies_;
    input.densities = densities_;
    for (std::size_t r = 0; all && r < shown.size(); ++r) {
      input.highlighted =
          shown[r] == page.highlighted_row ? static_cast<int>(r) : input.highlighted;
    }
  }
  const std::string tools = trace::ToolsText(*page.montage, page.filters);
  if (!tools.empty() && !page.from_overview) {
    input.title += "  \u00B7  " + tools;
  }
  picture_ = trace::ComposeSpectrum(input);
  view_->SetCaption(page.caption);
  std::vector<std::string> entries{kAllChannelsText};
  for (const MontageRow& row : rows) {
    entries.push_back(row.label);
  }
  view_->SetChannelChoices(entries, all ? 0 : shown[0] + 1);
  view_->ShowPicture(picture_);
  UpdateStatus(*page.montage, rate, page.channel);
}

void SpectrumController::UpdateStatus(const Montage& montage, double rate,
                                      const std::string& channel) {
  if (view_ == nullptr) {
    return;
  }
  std::string text;
  if (mouse_ && !densities_.empty() && frequencies_.size() > 1) {
    const trace::SpectrumScale scale(width_, height_, rate / 2, densities_, picture_.traces.top);
    const auto [x, y] = *mouse_;
    if (scale.plot.Contains(x, y)) {
      const double step = frequencies_[1];
      const auto k = std::min(frequencies_.size() - 1,
                              static_cast<std::size_t>(std::lround(scale.HzAt(x) / step)));
      // The curve nearest the mouse at that frequency.
      const double pointed = std::log10(scale.DensityAt(y));
      std::size_t nearest = 0;
      for (std::size_t r = 1; r < densities_.size(); ++r) {
        const auto distance = [&](std::size_t i) {
          return std::abs(std::log10(std::max(densities_[i][k], 1e-300)) - pointed);
        };
        nearest = distance(r) < distance(nearest) ? r : nearest;
      }
      const std::vector<int> shown = Rows(montage, channel);
      char density[32];
      std::snprintf(density, sizeof(density), "%.4g", densities_[nearest][k]);
      char hz[32];
      std::snprintf(hz, sizeof(hz), "%.3f", frequencies_[k]);
      text = std::string(hz) + " Hz  \u00B7  " +
             montage.rows[static_cast<std::size_t>(shown[nearest])].label + "  \u00B7  " + density +
             " \u00B5V\u00B2/Hz";
    }
  }
  view_->SetStatusText(text);
}

}  // namespace velbrix
