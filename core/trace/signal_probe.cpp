// A test program: prints a page of a recording as the trace window filters it, or its spectrum, so
// that a test can hold them against scipy.signal.
//
// Usage: velbrix_signal_probe page RECORDING RATE HIGH LOW NOTCH MONTAGE FIRST COUNT
//        velbrix_signal_probe spectrum RECORDING RATE HIGH LOW NOTCH MONTAGE FIRST COUNT
// HIGH, LOW and NOTCH in Hz (0 is off), MONTAGE 0 .. 3 in the order of kMontages or a montage
// file (.montage) of one's own. "page" prints
// "margin M", then one line per record of the rows' values; "spectrum" prints "segment N", then
// one line per frequency: the frequency and each row's density.
#include <algorithm>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "core/signal/montage.h"
#include "core/signal/montage_text.h"
#include "core/signal/spectrum.h"
#include "core/trace/filtered_page.h"
#include "core/trace/trace_recording.h"

int main(int argc, char** argv) {
  if (argc != 10) {
    std::fprintf(stderr,
                 "usage: %s page|spectrum RECORDING RATE HIGH LOW NOTCH MONTAGE FIRST COUNT\n",
                 argv[0]);
    return 2;
  }
  const std::string what = argv[1];
  const double rate = std::atof(argv[3]);
  const velbrix::FilterChoice choice{std::atof(argv[4]), std::atof(argv[5]), std::atof(argv[6])};
  const std::string which = argv[7];
  std::vector<velbrix::MontageRow> rows;
  if (which.ends_with(velbrix::kMontageFileExtension)) {
    std::ifstream file(which, std::ios::binary);
    const std::string text((std::istreambuf_iterator<char>(file)),
                           std::istreambuf_iterator<char>());
    std::vector<velbrix::MontageProblem> problems;
    std::vector<std::size_t> numbers;
    rows = velbrix::BuildMontage(velbrix::ParseMontageText(text, "", &problems, &numbers),
                                 &problems, &numbers)
               .rows;
    if (!file || !problems.empty()) {
      std::fprintf(stderr, "%s: %s\n", which.c_str(),
                   velbrix::MontageProblemsText(problems).c_str());
      return 1;
    }
  } else {
    rows = velbrix::MontageRows(velbrix::kMontages[static_cast<std::size_t>(std::atoi(argv[7]))]);
  }
  const auto first = std::strtoull(argv[8], nullptr, 10);
  const auto count = static_cast<std::size_t>(std::strtoull(argv[9], nullptr, 10));
  velbrix::TraceRecording recording;
  if (velbrix::Status s = recording.Open(argv[2]); !s.ok()) {
    std::fprintf(stderr, "%s\n", s.message().c_str());
    return 1;
  }
  const std::vector<velbrix::Biquad> sections = velbrix::FilterSections(choice, rate);
  const std::uint64_t margin = velbrix::FilterMargin(sections);
  std::vector<double> page(count * rows.size());
  const velbrix::Status status = velbrix::ReadFilteredRecords(
      recording, first, count, rows, sections, margin,
      [&](std::uint64_t from, const double* frames, std::size_t n) {
        std::copy(frames, frames + n * rows.size(),
                  page.begin() + static_cast<std::ptrdiff_t>((from - first) * rows.size()));
      });
  if (!status.ok()) {
    std::fprintf(stderr, "%s\n", status.message().c_str());
    return 1;
  }
  if (what == "page") {
    std::printf("margin %llu\n", static_cast<unsigned long long>(margin));
    for (std::size_t i = 0; i < count; ++i) {
      for (std::size_t r = 0; r < rows.size(); ++r) {
        std::printf(r == 0 ? "%.17g" : " %.17g", page[i * rows.size() + r]);
      }
      std::printf("\n");
    }
    return 0;
  }
  const velbrix::Welch welch(velbrix::SpectrumSegment(rate, count), rate);
  std::vector<std::vector<double>> densities(rows.size());
  for (std::size_t r = 0; r < rows.size(); ++r) {
    welch.Density(&page[r], count, rows.size(), &densities[r]);
  }
  std::printf("segment %zu\n", welch.segment());
  const std::vector<double> frequencies = welch.Frequencies();
  for (std::size_t k = 0; k < frequencies.size(); ++k) {
    std::printf("%.17g", frequencies[k]);
    for (const auto& density : densities) {
      std::printf(" %.17g", density[k]);
    }
    std::printf("\n");
  }
  return 0;
}
