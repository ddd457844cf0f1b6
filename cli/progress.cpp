// Drawing and erasing the progress line.
#include "cli/progress.h"

#include <algorithm>
#include <cinttypes>

namespace velbrix::cli {
namespace {

constexpr auto kQuietStart = std::chrono::seconds(1);
constexpr auto kRedrawInterval = std::chrono::milliseconds(100);
constexpr std::size_t kLongestName = 40;  // characters of a recording's name shown

bool IsContinuationByte(char c) {
  return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

// Characters (not bytes) of UTF-8 `text`.
std::size_t Width(const std::string& text) {
  std::size_t width = 0;
  for (const char c : text) {
    width += IsContinuationByte(c) ? 0u : 1u;
  }
  return width;
}

// `name`, or "..." and its last characters when it is longer than kLongestName characters.
std::string Shortened(const std::string& name) {
  if (Width(name) <= kLongestName) {
    return name;
  }
  std::size_t start = name.size();
  for (std::size_t kept = 0; kept < kLongestName - 3 && start > 0;) {
    --start;
    kept += IsContinuationByte(name[start]) ? 0u : 1u;
  }
  return "..." + name.substr(start);
}

}  // namespace

ProgressDisplay::ProgressDisplay(std::FILE* out, bool enabled, Clock clock)
    : out_(out), enabled_(enabled), clock_(std::move(clock)), started_(clock_()) {}

void ProgressDisplay::Start(const std::string& name, std::size_t count) {
  name_ = Shortened(name);
  count_ = count;
  done_ = 0;
}

void ProgressDisplay::Update(std::uint64_t bytes_done, std::uint64_t bytes_total,
                             std::size_t recordings_done) {
  done_ = recordings_done;
  if (!enabled_) {
    return;
  }
  const auto now = clock_();
  if (now - started_ < kQuietStart || (shown_width_ > 0 && now - last_drawn_ < kRedrawInterval)) {
    return;
  }
  const std::string line = Line(bytes_done, bytes_total, now);
  const std::size_t width = Width(line);
  // Spaces wipe what is left of a longer previous line.
  const std::string padding(shown_width_ > width ? shown_width_ - width : 0, ' ');
  std::fprintf(out_, "\r%s%s", line.c_str(), padding.c_str());
  std::fflush(out_);
  shown_width_ = width + padding.size();
  last_drawn_ = now;
}

void ProgressDisplay::Clear() {
  if (shown_width_ == 0) {
    return;
  }
  std::fprintf(out_, "\r%s\r", std::string(shown_width_, ' ').c_str());
  std::fflush(out_);
  shown_width_ = 0;
}

std::string ProgressDisplay::Line(std::uint64_t bytes_done, std::uint64_t bytes_total,
                                  std::chrono::steady_clock::time_point now) const {
  char text[96];
  std::string line;
  if (count_ > 1) {
    std::snprintf(text, sizeof text, "%zu of %zu recordings", done_, count_);
    line = text;
  } else {
    line = name_;
  }
  if (bytes_total > 0) {
    std::snprintf(text, sizeof text, "  %3" PRIu64 "%%",
                  std::min(bytes_done, bytes_total) * 100 / bytes_total);
  } else {
    std::snprintf(text, sizeof text, "  %" PRIu64 " MB", bytes_done / 1000000);
  }
  line += text;
  const double seconds = std::chrono::duration<double>(now - started_).count();
  const double megabytes = static_cast<double>(bytes_done) / 1e6;
  std::snprintf(text, sizeof text, "  %" PRIu64 " MB/s",
                static_cast<std::uint64_t>(megabytes / seconds));
  line += text;
  return line;
}

}  // namespace velbrix::cli
