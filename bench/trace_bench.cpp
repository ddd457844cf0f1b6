// Measures the trace view: the reading of one page, the overview of a large recording against the
// time to read it once, the turning of a page in the trace controller, as recorded and through the
// bipolar montage and filters, also at 1 and 5 kHz with a 0.1 Hz high-pass, the spectrum of a page,
// and the peak memory that the trace view adds with the filters on, each printed beside its floor.
//
// Usage: velbrix_trace_bench [--dir DIR] [--mib N] [--pages N]
//   --mib N    the large recording's size (default 1024, that is 1 GiB)
//   --pages N  pages timed (default 2000)
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <random>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include "bench/bench_support.h"
#include "bench/null_trace_view.h"
#include "core/base/record.h"
#include "core/os/os_file.h"
#include "core/signal/montage.h"
#include "core/signal/spectrum.h"
#include "core/trace/filtered_page.h"
#include "core/trace/trace_columns.h"
#include "core/trace/trace_overview.h"
#include "core/trace/trace_recording.h"
#include "window/trace/trace_controller.h"

namespace fs = std::filesystem;
using velbrix::bench::Die;
using velbrix::bench::kMiB;
using velbrix::bench::Median;
using velbrix::bench::Seconds;
using velbrix::bench::WriteRecording;

namespace {

constexpr std::uint64_t kPageRecords = 2560;  // 10 s at 256 Hz
constexpr std::size_t kPageColumns = 1000;

// Reads the whole file once in blocks of 256 KiB, as the overview's worker does.
void ReadOnce(const fs::path& path) {
  velbrix::OsFile file;
  if (velbrix::OsFile::OpenForReading(path, &file)) {
    Die("cannot open " + path.string());
  }
  std::vector<std::uint8_t> block(256 * 1024);
  std::size_t got = block.size();
  while (got == block.size()) {
    if (file.Read(block.data(), block.size(), &got)) {
      Die("cannot read " + path.string());
    }
  }
}

// Asks the system to forget the file's pages, so that the next read comes from the disk. Returns
// false where it cannot (tmpfs keeps its files in those pages).
bool DropFromCache(const fs::path& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    return false;
  }
  const bool dropped = ::fdatasync(fd) == 0 && ::posix_fadvise(fd, 0, 0, POSIX_FADV_DONTNEED) == 0;
  ::close(fd);
  return dropped;
}

using NullView = velbrix::bench::NullTraceView;

class NullSpectrumView final : public velbrix::SpectrumView {
 public:
  void SetCaption(const std::string&) override {}
  void SetChannelChoices(const std::vector<std::string>&, int) override {}
  void ShowPicture(const velbrix::trace::TracePicture&) override {}
  void SetStatusText(const std::string&) override {}
};

// High-pass 0.5 Hz, low-pass 70 Hz, notch 50 Hz and the bipolar montage, as the bar offers them.
void ChooseReadingTools(velbrix::TraceController& controller) {
  using velbrix::TraceTool;
  controller.OnToolChosen(TraceTool::kHighPass, 3);
  controller.OnToolChosen(TraceTool::kLowPass, 5);
  controller.OnToolChosen(TraceTool::kNotch, 1);
  controller.OnToolChosen(TraceTool::kMontage, 3);
  const velbrix::FilterChoice chosen{0.5, 70, 50};
  if (!(controller.filters() == chosen) ||
      &controller.montage() !=
          &velbrix::BuiltInMontage(velbrix::MontageKind::kBipolarLongitudinal)) {
    Die("the reading tools were not chosen");
  }
}

// What a window does with a recording: shows it on a full-HD canvas with the reading tools
// chosen, lets the overview finish, pages to the end, zooms out to the whole recording and points
// at a sample.
void UseTheTraceView(velbrix::TraceController& controller, NullView& view, const fs::path& path) {
  controller.OnCanvasResized(1900, 1000);
  ChooseReadingTools(controller);
  controller.Show({path, path.filename(), "EKG"}, true);
  while (view.ticking) {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    controller.OnTick();
  }
  controller.OnKey(velbrix::TraceKey::kEnd);
  for (int i = 0; i < 30; ++i) {
    controller.OnKey(velbrix::TraceKey::kZoomOut);
  }
  controller.OnKey(velbrix::TraceKey::kPageBack);
  controller.OnMouseMove(900, 500, false);
}

// The process's peak resident memory in KiB (VmHWM: unlike getrusage's, it starts afresh at exec).
long PeakRssKib() {
  std::ifstream status("/proc/self/status");
  for (std::string line; std::getline(status, line);) {
    if (line.rfind("VmHWM:", 0) == 0) {
      return std::atol(line.c_str() + 6);
    }
  }
  Die("cannot read VmHWM from /proc/self/status");
}

// In a child process: the peak resident memory that the trace view adds, in KiB.
int ChildTraceMemory(const fs::path& path) {
  const long before = PeakRssKib();
  {
    NullView view;
    velbrix::TraceController controller(view);
    UseTheTraceView(controller, view, path);
  }
  std::printf("%ld\n", PeakRssKib() - before);
  return 0;
}

double AddedMemoryMib(const char* self, const fs::path& path) {
  int pipe_ends[2];
  if (::pipe(pipe_ends) != 0) {
    Die("cannot make a pipe");
  }
  const pid_t pid = ::fork();
  if (pid == 0) {
    ::dup2(pipe_ends[1], STDOUT_FILENO);
    ::execl(self, self, "--child-memory", path.c_str(), nullptr);
    std::_Exit(127);
  }
  ::close(pipe_ends[1]);
  char text[64] = {};
  const ssize_t got = ::read(pipe_ends[0], text, sizeof(text) - 1);
  ::close(pipe_ends[0]);
  int status = 0;
  ::waitpid(pid, &status, 0);
  if (got <= 0 || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    Die("the measuring child failed");
  }
  return static_cast<double>(std::atol(text)) / 1024.0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 3 && std::string(argv[1]) == "--child-memory") {
    return ChildTraceMemory(argv[2]);
  }
  fs::path dir = fs::temp_directory_path() / ("velbrix-trace-bench-" + std::to_string(::getpid()));
  std::size_t mib = 1024;
  int pages = 2000;
  for (int i = 1; i + 1 < argc; i += 2) {
    const std::string flag = argv[i];
    if (flag == "--dir") {
      dir = fs::path(argv[i + 1]) / ("velbrix-trace-bench-" + std::to_string(::getpid()));
    } else if (flag == "--mib") {
      mib = std::stoul(argv[i + 1]);
    } else if (flag == "--pages") {
      pages = std::stoi(argv[i + 1]);
    } else {
      Die("unknown option " + flag);
    }
  }
  fs::create_directories(dir);
  const fs::path large = dir / "large_eeg";
  const fs::path small = dir / "small_eeg";
  WriteRecording(large, mib * kMiB);
  WriteRecording(small, kMiB);
  std::printf("trace view, %zu MiB recording, page cache warm\n\n", mib);

  // One page: 10 s at 256 Hz over 1000 columns, at random places.
  velbrix::TraceRecording recording;
  if (velbrix::Status s = recording.Open(large); !s.ok()) {
    Die(s.message());
  }
  std::mt19937_64 random(7);
  std::vector<double> page_times;
  velbrix::ColumnExtremes columns;
  for (int i = 0; i < pages; ++i) {
    const std::uint64_t first = random() % (recording.records() - kPageRecords);
    page_times.push_back(Seconds([&] {
      if (!velbrix::ReadColumnExtremes(recording, first, kPageRecords, kPageColumns, &columns)
               .ok()) {
        Die("cannot read a page");
      }
    }));
  }
  std::printf("%-52s %8.3f ms   floor 1 ms\n", "one page (10 s, 32 channels, 1000 columns)",
              Median(page_times) * 1e3);

  // The overview against reading the file once, in the same process: page cache warm, then cold
  // (where the file system lets its pages be dropped).
  const auto overview_once = [&] {
    velbrix::TraceOverview overview(large, recording.records());
    overview.Wait();
    if (!overview.status().ok()) {
      Die(overview.status().message());
    }
  };
  for (const bool cold : {false, true}) {
    if (!cold) {
      ReadOnce(large);
    } else if (!DropFromCache(large)) {
      std::printf("%-52s (the file system keeps its pages)\n", "overview, page cache cold");
      break;
    }
    std::vector<double> reads;
    std::vector<double> overviews;
    for (int i = 0; i < 3; ++i) {
      if (cold) {
        DropFromCache(large);
      }
      reads.push_back(Seconds([&] { ReadOnce(large); }));
      if (cold) {
        DropFromCache(large);
      }
      overviews.push_back(Seconds(overview_once));
    }
    const double read = Median(reads);
    const double overview = Median(overviews);
    std::printf(
        "%-52s %8.3f s    read once %.3f s, ratio %.2f (floor 1.5)\n",
        cold ? "overview, page cache cold" : "overview on its worker thread, page cache warm",
        overview, read, overview / read);
  }

  // A page of the whole recording, from the overview, and a page turn in the controller.
  velbrix::TraceOverview finished(large, recording.records());
  finished.Wait();
  std::vector<double> whole;
  for (int i = 0; i < 20; ++i) {
    whole.push_back(Seconds([&] {
      velbrix::OverviewColumnExtremes(finished, 0, recording.records(), kPageColumns, &columns);
    }));
  }
  std::printf("%-52s %8.3f ms\n", "whole recording as one page (from the overview)",
              Median(whole) * 1e3);
  NullView view;
  velbrix::TraceController controller(view);
  controller.OnCanvasResized(1060, 900);  // 1000 columns
  controller.Show({large, "large_eeg", ""}, true);
  std::vector<double> turns;
  for (int i = 0; i < pages / 4; ++i) {
    turns.push_back(Seconds([&] { controller.OnKey(velbrix::TraceKey::kPageForward); }));
  }
  std::printf("%-52s %8.3f ms\n", "page turn in the controller (read and compose)",
              Median(turns) * 1e3);

  // The same through the bipolar montage and the filters: read, filter and compose.
  ChooseReadingTools(controller);
  controller.OnKey(velbrix::TraceKey::kStart);
  std::vector<double> filtered;
  for (int i = 0; i < pages / 4; ++i) {
    filtered.push_back(Seconds([&] { controller.OnKey(velbrix::TraceKey::kPageForward); }));
  }
  std::printf("%-52s %8.3f ms   floor 2 ms (margin %llu records a side)\n",
              "page turn, bipolar, 0.5-70 Hz, notch 50 Hz", Median(filtered) * 1e3,
              static_cast<unsigned long long>(controller.filter_margin()));

  // Pages at high rates with a 0.1 Hz high-pass, whose settling time is long: the margin read on
  // each side is bounded (kFilteredSpanRecords), and a turn must stay within a frame of the
  // window. The last, 100000 records, is longer than the bound by itself and shows what a long
  // filtered page costs.
  for (const auto& [rate, page, seconds] :
       {std::tuple{"1000", 8, "10 s"}, std::tuple{"5000", 8, "10 s"},
        std::tuple{"5000", 9, "20 s"}}) {
    controller.OnSampleRateEntered(rate);
    controller.OnToolChosen(velbrix::TraceTool::kHighPass, 1);  // 0.1 Hz
    if (controller.filters().high_pass != 0.1) {
      Die("the 0.1 Hz high-pass was not chosen");
    }
    controller.OnPageChosen(page);
    controller.OnKey(velbrix::TraceKey::kStart);
    std::vector<double> slow;
    for (int i = 0; i < std::max(5, pages / 20); ++i) {
      slow.push_back(Seconds([&] { controller.OnKey(velbrix::TraceKey::kPageForward); }));
    }
    const std::string name =
        std::string("page turn, ") + seconds + " at " + rate + " Hz, high-pass 0.1 Hz";
    std::printf("%-52s %8.3f ms   floor 16 ms (%llu records, margin %llu a side)\n", name.c_str(),
                Median(slow) * 1e3, static_cast<unsigned long long>(controller.page_records()),
                static_cast<unsigned long long>(controller.filter_margin()));
  }
  controller.OnSampleRateEntered("256");
  ChooseReadingTools(controller);
  controller.OnPageChosen(8);

  // The spectrum of 32 channels over a 10 s page, and a page turn with the spectrum of all
  // channels open.
  std::vector<double> page_values(kPageRecords * 32);
  const auto& rows = velbrix::MontageRows(velbrix::MontageKind::kAsRecorded);
  if (!velbrix::ReadFilteredRecords(
           recording, 1000, kPageRecords, rows, {}, 0,
           [&](std::uint64_t from, const double* frames, std::size_t n) {
             std::copy(frames, frames + n * 32,
                       page_values.begin() + static_cast<std::ptrdiff_t>((from - 1000) * 32));
           })
           .ok()) {
    Die("cannot read a page");
  }
  std::vector<double> spectra;
  std::vector<double> density;
  for (int i = 0; i < pages / 10; ++i) {
    spectra.push_back(Seconds([&] {
      const velbrix::Welch welch(velbrix::SpectrumSegment(256, kPageRecords), 256);
      for (std::size_t r = 0; r < 32; ++r) {
        welch.Density(&page_values[r], kPageRecords, 32, &density);
      }
    }));
  }
  std::printf("%-52s %8.3f ms   floor 20 ms\n", "spectrum of 32 channels over a 10 s page",
              Median(spectra) * 1e3);
  NullSpectrumView spectrum_view;
  controller.OnSpectrumResized(1000, 600);
  controller.OnSpectrumOpened(spectrum_view);
  controller.OnSpectrumChannelChosen(0);  // all channels
  std::vector<double> with_spectrum;
  for (int i = 0; i < pages / 10; ++i) {
    with_spectrum.push_back(Seconds([&] { controller.OnKey(velbrix::TraceKey::kPageForward); }));
  }
  controller.OnSpectrumClosed();
  std::printf("%-52s %8.3f ms\n", "page turn as above, spectrum of all channels open",
              Median(with_spectrum) * 1e3);

  std::printf(
      "\npeak resident memory added by the trace view, bipolar and filtered (separate process "
      "each):\n");
  for (const auto& [name, path] :
       {std::pair{std::to_string(mib) + " MiB", large}, std::pair{std::string("1 MiB"), small}}) {
    std::printf("  %-9s recording: %6.1f MiB   floor 32 MiB\n", name.c_str(),
                AddedMemoryMib(argv[0], path));
  }
  fs::remove_all(dir);
  return 0;
}
