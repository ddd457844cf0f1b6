// Measures the conversion run against the machine's I/O floor and its peak memory.
//
// For each run it prints the median time of several repetitions, MB/s in and out, the floor (the
// time to read the same recording and write the same number of bytes into the same number of files
// with no formatting) and the ratio of the two. Peak resident memory is measured in a child
// process per recording size, so that one measurement does not inherit another's pages.
//
// The row "command (32)" runs velbrix-convert of the same build (../cli/velbrix-convert beside this
// program's folder) as a process, so that its start, its look for killed runs' files, the folder's
// lock and the commit are counted too. Before each timed run the outputs of the last one are
// removed, so that every run writes new files.
//
// With --events-only it times only the exports with 100,000 events against those without.
//
// Usage: velbrix_bench [--dir DIR] [--mib N] [--repeat N] [--rss-mib N,N,...] [--events-only]
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "bench/bench_support.h"
#include "bench/window_bench.h"
#include "core/base/channel_table.h"
#include "core/base/record.h"
#include "core/convert/conversion.h"
#include "core/events/event_list.h"
#include "core/formats/bids_export.h"
#include "core/formats/recording_export.h"

namespace fs = std::filesystem;
using velbrix::kRecordSize;
using velbrix::bench::Die;
using velbrix::bench::kMiB;
using velbrix::bench::Median;
using velbrix::bench::Seconds;
using velbrix::bench::WriteRecording;

namespace {

std::string ReadAll(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// The straightforward rule: the double in its shortest decimal form, a leading space for values of
// zero or more, a trailing space and CR LF.
std::string ReferenceText(const std::string& recording, int position) {
  std::string text;
  for (std::size_t r = 0; r + kRecordSize <= recording.size(); r += kRecordSize) {
    const double value = velbrix::ScaleSample(
        static_cast<std::uint8_t>(recording[r + static_cast<std::size_t>(position) - 1]));
    char digits[32];
    const auto end = std::to_chars(digits, digits + sizeof digits, value).ptr;
    text += value < 0 ? "" : " ";
    text.append(digits, end);
    text += " \r\n";
  }
  return text;
}

velbrix::ConversionInputs Inputs(const fs::path& recording, const fs::path& out_dir, bool all) {
  return {recording, out_dir, recording.filename(), all, all ? "" : "Oz", all ? "" : "28", "."};
}

void Convert(const velbrix::ConversionInputs& inputs, velbrix::ConversionReport* report) {
  const velbrix::Status status = velbrix::RunConversion(inputs, report);
  if (!status.ok()) {
    Die(status.message());
  }
}

// Reads `recording` in blocks of 256 KiB, then writes sizes[i] bytes into file i of `out_dir`,
// one file after the other in writes of 256 KiB: the least that a conversion writing those sizes
// must do, with no formatting. (Writing all files block by block, as a conversion does, costs
// the same on this machine's tmpfs.)
void IoFloor(const fs::path& recording, const fs::path& out_dir,
             const std::vector<std::uint64_t>& sizes) {
  constexpr std::size_t kBlock = 8192 * kRecordSize;
  std::vector<char> block(kBlock, 'x');
  const int in = ::open(recording.c_str(), O_RDONLY | O_CLOEXEC);
  if (in < 0) {
    Die("cannot open " + recording.string());
  }
  while (::read(in, block.data(), kBlock) > 0) {
  }
  ::close(in);
  for (std::size_t i = 0; i < sizes.size(); ++i) {
    const fs::path path = out_dir / ("floor_" + std::to_string(i));
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) {
      Die("cannot create " + path.string());
    }
    for (std::uint64_t left = sizes[i]; left > 0;) {
      const std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(left, kBlock));
      if (::write(fd, block.data(), n) != static_cast<ssize_t>(n)) {
        Die("write failed");
      }
      left -= n;
    }
    ::close(fd);
  }
}

// Times `run` against `floor` `repeat` times each, alternating, and prints the row `label` of the
// table: the median times, MB/s in (of `in_mb`) and out (of `out_bytes`), and their ratio.
// `clear` (if any) runs, untimed, before each of them: it removes what the last one wrote, so that
// both write new files rather than replace old ones.
void PrintTimes(const char* label, const std::function<void()>& run,
                const std::function<void()>& floor, double in_mb, std::uint64_t out_bytes,
                int repeat, const std::function<void()>& clear = {}) {
  std::vector<double> run_times;
  std::vector<double> floor_times;
  for (int i = 0; i < repeat; ++i) {
    if (clear) {
      clear();
    }
    floor_times.push_back(Seconds(floor));
    if (clear) {
      clear();
    }
    run_times.push_back(Seconds(run));
  }
  const double run_median = Median(run_times);
  const double floor_median = Median(floor_times);
  std::printf("%-12s %9.3f %9.0f %10.0f %9.3f %7.2f\n", label, run_median, in_mb / run_median,
              static_cast<double>(out_bytes) / 1e6 / run_median, floor_median,
              run_median / floor_median);
}

void CheckCorrectness(const fs::path& dir) {
  const fs::path recording = dir / "check_eeg";
  WriteRecording(recording, 3 * kMiB + 17);
  const std::string bytes = ReadAll(recording);
  for (const bool all : {true, false}) {
    velbrix::ConversionReport report;
    Convert(Inputs(recording, dir, all), &report);
    for (const fs::path& output : report.outputs) {
      const std::string name = output.filename().string();
      const std::string channel = name.substr(std::string("check_eeg_").size(),
                                              name.size() - std::string("check_eeg_.eeg").size());
      const int position = *velbrix::FindChannelPosition(channel);
      if (ReadAll(output) != ReferenceText(bytes, position)) {
        Die("output of channel " + channel + " differs from the straightforward rule");
      }
    }
  }
  std::printf(
      "correctness: all 32 channels and the one-channel run match the straightforward "
      "rule byte for byte (3 MiB + 17 bytes)\n");
}

// An export of all channels of `recording` at 256 Hz into `dir`.
velbrix::ExportInputs AllChannelsAt256(velbrix::ExportFormat format, const fs::path& recording,
                                       const fs::path& dir) {
  velbrix::ExportInputs inputs;
  inputs.format = format;
  inputs.recording = recording;
  inputs.output_dir = dir;
  inputs.file_name = recording.filename();
  inputs.positions = velbrix::kAllPositions;
  if (!velbrix::ParseHertz("256", "sample rate", &inputs.sample_rate).ok() ||
      !velbrix::ChooseEdfRecordLayout(inputs.sample_rate, inputs.positions.size(),
                                      &inputs.edf_layout)
           .ok()) {
    Die("no layout for 256 Hz");
  }
  return inputs;
}

// The EDF export of all channels at 256 Hz, against the floor of writing the same bytes into one
// file.
void TimeEdfExport(const fs::path& recording, const fs::path& dir, double in_mb, int repeat) {
  const velbrix::ExportInputs inputs =
      AllChannelsAt256(velbrix::ExportFormat::kEdf, recording, dir);
  velbrix::ExportReport report;
  const auto run_once = [&] {
    if (const velbrix::Status s = velbrix::ExportRecording(inputs, &report); !s.ok()) {
      Die(s.message());
    }
  };
  run_once();
  const std::uint64_t out_bytes = fs::file_size(report.data);
  PrintTimes(
      "EDF (32)", run_once, [&] { IoFloor(recording, dir, {out_bytes}); }, in_mb, out_bytes,
      repeat);
}

// The BrainVision export and the BIDS export (as BrainVision, shared files included) of all
// channels at 256 Hz, against the floor of writing the data file's bytes into one file.
void TimeBrainVisionExports(const fs::path& recording, const fs::path& dir, double in_mb,
                            int repeat) {
  const velbrix::ExportInputs inputs =
      AllChannelsAt256(velbrix::ExportFormat::kBrainVision, recording, dir);
  const auto export_once = [&](velbrix::ExportReport* report) {
    if (const velbrix::Status s = velbrix::ExportRecording(inputs, report); !s.ok()) {
      Die(s.message());
    }
  };
  const velbrix::BidsExportInputs bids{recording,
                                       dir / "bids",
                                       {"01", "", "rest", ""},
                                       velbrix::ExportFormat::kBidsBrainVision,
                                       inputs.positions,
                                       inputs.sample_rate,
                                       inputs.edf_layout,
                                       {},
                                       {},
                                       "bench",
                                       {},
                                       {}};
  const auto bids_once = [&] {
    velbrix::ExportReport report;
    if (const velbrix::Status s = velbrix::ExportBids(bids, &report); !s.ok()) {
      Die(s.message());
    }
  };
  bids_once();
  velbrix::ExportReport report;
  export_once(&report);
  const std::uint64_t out_bytes = fs::file_size(report.outputs.back());  // the data file
  const auto floor = [&] { IoFloor(recording, dir, {out_bytes}); };
  PrintTimes(
      "BV (32)", [&] { export_once(&report); }, floor, in_mb, out_bytes, repeat);
  PrintTimes("BIDS BV (32)", bids_once, floor, in_mb, out_bytes, repeat);
}

// The EDF, BrainVision and BIDS (EDF) exports of all channels at 256 Hz with 100,000 events spread
// over the recording (every third one lasting 1 s, labels of 5 to 9 bytes) against the same
// exports without events: both median times and their ratio.
void TimeEventsExports(const fs::path& recording, const fs::path& dir, int repeat) {
  const std::uint64_t records = fs::file_size(recording) / kRecordSize;
  constexpr std::size_t kEvents = 100'000;
  if (records < kEvents + 256) {
    Die("the recording is too short for 100,000 events");
  }
  std::vector<velbrix::Event> many;
  for (std::size_t i = 0; i < kEvents; ++i) {
    const std::uint64_t start = i * (records - 256) / kEvents;
    many.push_back({start, i % 3 == 0 ? 256u : 0u, "stim " + std::to_string(i % 1000)});
  }
  velbrix::EventList events;
  if (const velbrix::Status s = velbrix::EventList::FromEvents(std::move(many), records, &events);
      !s.ok()) {
    Die(s.message());
  }
  std::printf("\nexports with %zu events vs none (%llu records), median of %d runs\n", kEvents,
              static_cast<unsigned long long>(records), repeat);
  std::printf("%-13s %12s %12s %7s\n", "export", "none (s)", "events (s)", "ratio");
  const auto row = [&](const char* name, const std::function<void(const velbrix::EventList*)>& run) {
    const velbrix::EventList none;
    std::vector<double> without;
    std::vector<double> with;
    run(&events);  // warm up
    for (int i = 0; i < repeat; ++i) {
      without.push_back(Seconds([&] { run(&none); }));
      with.push_back(Seconds([&] { run(&events); }));
    }
    const double a = Median(without);
    const double b = Median(with);
    std::printf("%-13s %12.3f %12.3f %7.3f\n", name, a, b, b / a);
  };
  for (const velbrix::ExportFormat format :
       {velbrix::ExportFormat::kEdf, velbrix::ExportFormat::kBrainVision}) {
    velbrix::ExportInputs inputs = AllChannelsAt256(format, recording, dir);
    row(format == velbrix::ExportFormat::kEdf ? "EDF (32)" : "BV (32)",
        [&](const velbrix::EventList* chosen) {
          inputs.events = chosen;
          velbrix::ExportReport report;
          if (const velbrix::Status s = velbrix::ExportRecording(inputs, &report); !s.ok()) {
            Die(s.message());
          }
        });
  }
  const velbrix::ExportInputs edf = AllChannelsAt256(velbrix::ExportFormat::kEdf, recording, dir);
  row("BIDS EDF (32)", [&](const velbrix::EventList* chosen) {
    const velbrix::BidsExportInputs bids{recording,
                                         dir / "bids-events",
                                         {"01", "", "task", ""},
                                         velbrix::ExportFormat::kBidsEdf,
                                         edf.positions,
                                         edf.sample_rate,
                                         edf.edf_layout,
                                         {},
                                         {},
                                         "bench",
                                         {},
                                         {},
                                         chosen};
    velbrix::ExportReport report;
    if (const velbrix::Status s = velbrix::ExportBids(bids, &report); !s.ok()) {
      Die(s.message());
    }
  });
}

void TimeRuns(const fs::path& dir, std::size_t mib, int repeat, const fs::path& cli) {
  const fs::path recording = dir / "bench_eeg";
  WriteRecording(recording, mib * kMiB);
  const double in_mb = static_cast<double>(mib * kMiB) / 1e6;
  std::printf("\nrecording: %zu MiB (%zu records), median of %d runs, page cache warm\n", mib,
              mib * kMiB / kRecordSize, repeat);
  std::printf("%-12s %9s %9s %10s %9s %7s\n", "run", "time (s)", "in MB/s", "out MB/s", "floor (s)",
              "ratio");
  for (const bool all : {true, false}) {
    velbrix::ConversionReport report;
    Convert(Inputs(recording, dir, all), &report);  // warm up, and learn the output sizes
    std::vector<std::uint64_t> sizes;
    std::uint64_t out_bytes = 0;
    for (const fs::path& output : report.outputs) {
      sizes.push_back(fs::file_size(output));
      out_bytes += sizes.back();
    }
    const std::vector<fs::path> outputs = report.outputs;
    const auto clear = [&] {
      for (std::size_t i = 0; i < outputs.size(); ++i) {
        fs::remove(outputs[i]);
        fs::remove(dir / ("floor_" + std::to_string(i)));
      }
    };
    const auto floor = [&] { IoFloor(recording, dir, sizes); };
    PrintTimes(
        all ? "all (32)" : "one (Oz)", [&] { Convert(Inputs(recording, dir, all), &report); },
        floor, in_mb, out_bytes, repeat, clear);
    if (all && fs::exists(cli)) {
      // The whole command: the process's start, the look for killed runs' files, the folder's
      // lock, the conversion and the commit.
      const auto command = [&] {
        const pid_t pid = ::fork();
        if (pid == 0) {
          ::execl(cli.c_str(), cli.c_str(), "-q", "-d", ".", "-o", dir.c_str(), recording.c_str(),
                  nullptr);
          std::_Exit(127);
        }
        int status = 0;
        if (pid < 0 || ::waitpid(pid, &status, 0) != pid || !WIFEXITED(status) ||
            WEXITSTATUS(status) != 0) {
          Die("velbrix-convert failed: " + cli.string());
        }
      };
      PrintTimes("command (32)", command, floor, in_mb, out_bytes, repeat, clear);
    }
  }
  TimeEdfExport(recording, dir, in_mb, repeat);
  TimeBrainVisionExports(recording, dir, in_mb, repeat);
  TimeEventsExports(recording, dir, repeat);
}

// Runs one conversion over all channels in a child process and returns its peak RSS in KiB.
long ChildPeakRss(const char* self, const fs::path& dir, std::size_t mib) {
  const fs::path recording = dir / ("rss_" + std::to_string(mib) + "_eeg");
  WriteRecording(recording, mib * kMiB);
  const pid_t pid = ::fork();
  if (pid == 0) {
    ::execl(self, self, "--child-run", recording.c_str(), dir.c_str(), nullptr);
    std::_Exit(127);
  }
  int status = 0;
  rusage usage{};
  ::wait4(pid, &status, 0, &usage);
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    Die("the measuring child failed");
  }
  fs::remove(recording);
  for (const auto& entry : fs::directory_iterator(dir)) {
    if (entry.path().filename().string().rfind("rss_", 0) == 0) {
      fs::remove(entry.path());
    }
  }
  return usage.ru_maxrss;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 4 && std::string(argv[1]) == "--child-run") {
    velbrix::ConversionReport report;
    Convert(Inputs(argv[2], argv[3], true), &report);
    return 0;
  }
  fs::path dir = fs::temp_directory_path() / ("velbrix-bench-" + std::to_string(::getpid()));
  std::size_t mib = 64;
  int repeat = 5;
  std::vector<std::size_t> rss_sizes = {64, 1024};
  bool events_only = false;
  for (int i = 1; i < argc; i += 2) {
    const std::string flag = argv[i];
    if (flag == "--events-only") {
      events_only = true;
      --i;
      continue;
    }
    if (i + 1 == argc) {
      Die("no value for " + flag);
    }
    const std::string value = argv[i + 1];
    if (flag == "--dir") {
      dir = fs::path(value) / ("velbrix-bench-" + std::to_string(::getpid()));
    } else if (flag == "--mib") {
      mib = std::stoul(value);
    } else if (flag == "--repeat") {
      repeat = std::stoi(value);
    } else if (flag == "--rss-mib") {
      rss_sizes.clear();
      std::stringstream list(value);
      for (std::string item; std::getline(list, item, ',');) {
        rss_sizes.push_back(std::stoul(item));
      }
    } else {
      Die("unknown option " + flag);
    }
  }
  fs::create_directories(dir);
  if (events_only) {
    WriteRecording(dir / "bench_eeg", mib * kMiB);
    TimeEventsExports(dir / "bench_eeg", dir, repeat);
    fs::remove_all(dir);
    return 0;
  }
  CheckCorrectness(dir);
  // velbrix-convert of the same build, for the row of the whole command.
  const fs::path cli =
      fs::absolute(argv[0]).parent_path().parent_path() / "cli" / "velbrix-convert";
  TimeRuns(dir, mib, repeat, cli);
  std::printf("\npeak resident memory of a run over all channels (separate process each):\n");
  for (const std::size_t size : rss_sizes) {
    std::printf("  %5zu MiB recording: %6.1f MiB\n", size,
                static_cast<double>(ChildPeakRss(argv[0], dir, size)) / 1024.0);
  }
  // After the memory figures: a child's peak counts its parent's pages from before its exec.
  velbrix::bench::PrintWindowRunCost(dir / "bench_eeg", dir, repeat);
  WriteRecording(dir / "stop_eeg", 1024 * kMiB);
  velbrix::bench::PrintStopLatency(dir / "stop_eeg", dir);
  fs::remove_all(dir);
  return 0;
}
