// Measures the trace window's events on a 24-hour recording at 256 Hz (22,118,400 records, a
// sparse file) with a sidecar of the most events a list holds: the opening with the sidecar's
// reading, the turning of a page with its events drawn, and the finding and drawing of a page's
// events alone, each printed beside its floor.
//
// Usage: velbrix_trace_events_bench [--dir DIR] [--pages N]
//   --dir DIR  where the recording and its sidecar are made (default: a temporary folder)
//   --pages N  pages timed (default 2000)
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "bench/bench_support.h"
#include "bench/null_trace_view.h"
#include "core/events/events_sidecar.h"
#include "window/trace/trace_controller.h"
#include "window/trace/trace_event_marks.h"

namespace fs = std::filesystem;
using velbrix::bench::Die;
using velbrix::bench::Median;
using velbrix::bench::Seconds;

namespace {

constexpr std::uint64_t kRecords = 24ull * 3600 * 256;
constexpr double kPageTurnFloorMs = 2;

using NullView = velbrix::bench::NullTraceView;

// The sidecar's events: kMostEvents of them spread over the day, every fifth a span of 2 s.
velbrix::EventList Events() {
  std::vector<velbrix::Event> events;
  const std::uint64_t step = kRecords / velbrix::kMostEvents;
  for (std::size_t i = 0; i < velbrix::kMostEvents; ++i) {
    events.push_back(
        {i * step + i % 97, i % 5 == 0 ? 512u : 0u, "event " + std::to_string(i % 40)});
  }
  velbrix::EventList list;
  if (!velbrix::EventList::FromEvents(std::move(events), kRecords, &list).ok()) {
    Die("cannot make the events");
  }
  return list;
}

}  // namespace

int main(int argc, char** argv) {
  fs::path dir;
  int pages = 2000;
  for (int i = 1; i + 1 < argc; i += 2) {
    const std::string option = argv[i];
    if (option == "--dir") {
      dir = argv[i + 1];
    } else if (option == "--pages") {
      pages = std::atoi(argv[i + 1]);
    } else {
      Die("unknown option " + option);
    }
  }
  const bool own_dir = dir.empty();
  if (own_dir) {
    dir = fs::temp_directory_path() / ("velbrix-events-bench-" + std::to_string(::getpid()));
  }
  fs::create_directories(dir);
  const fs::path recording = dir / "day_eeg";
  { std::ofstream make(recording, std::ios::binary | std::ios::trunc); }
  fs::resize_file(recording, kRecords * 32);  // sparse: the traces are flat, the events are not
  const velbrix::EventList list = Events();
  {
    std::ofstream sidecar(velbrix::EventsSidecarPath(recording), std::ios::binary);
    sidecar << velbrix::FormatEventsSidecar(list);
  }

  NullView view;
  velbrix::TraceController controller(view);
  controller.OnCanvasResized(1900, 1000);
  const double open = Seconds([&] { controller.Show({recording, "day_eeg", ""}, true); });
  if (controller.events().list().size() != list.size()) {
    Die("the sidecar was not read: " + controller.events().load_status().message());
  }
  while (view.ticking) {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    controller.OnTick();
  }

  std::vector<double> turns;
  for (int i = 0; i < pages; ++i) {
    turns.push_back(Seconds([&] { controller.OnKey(velbrix::TraceKey::kPageForward); }) * 1000);
  }
  // The events alone: found by binary search and drawn on a composed picture.
  std::vector<double> marks;
  velbrix::trace::TracePicture picture = controller.picture();
  const std::size_t steps = picture.steps.size();
  std::uint64_t first = 0;
  for (int i = 0; i < pages; ++i) {
    picture.steps.resize(steps);
    first = (first + 7'777'777) % (kRecords - 2560);
    marks.push_back(Seconds([&] {
                      const auto [begin, end] = controller.events().InPage(first, 2560);
                      velbrix::trace::EventMarksInput input;
                      input.first = first;
                      input.page = 2560;
                      input.events = &controller.events().list().events();
                      input.begin = begin;
                      input.end = end;
                      input.ticks = &controller.events().TickColumns(picture.overview.width());
                      velbrix::trace::AddEventMarks(input, &picture);
                    }) *
                    1000);
  }
  std::printf("24 h at 256 Hz, %llu records, %zu events in the sidecar\n",
              static_cast<unsigned long long>(kRecords), list.size());
  std::printf("open with the sidecar          %8.1f ms\n", open * 1000);
  std::printf("page turn (median of %d)     %8.3f ms   floor %.0f ms\n", pages, Median(turns),
              kPageTurnFloorMs);
  std::printf("page's events found and drawn  %8.3f ms\n", Median(marks));
  if (own_dir) {
    fs::remove_all(dir);
  }
  return Median(turns) <= kPageTurnFloorMs ? 0 : 1;
}
