// Converting each recording of a batch, and what is said about it on stderr.
#include "cli/batch.h"

#include <string>
#include <string_view>

#include "core/conversion.h"
#include "core/status.h"

namespace velbrix::cli {
namespace {

constexpr std::string_view kRecordingNameEnd = "_eeg";
constexpr char kNotValidText[] = "Not a Valid EEG file";

bool HasRecordingName(const std::string& path) {
  return path.size() >= kRecordingNameEnd.size() &&
         std::string_view(path).substr(path.size() - kRecordingNameEnd.size()) == kRecordingNameEnd;
}

std::string LeftOutWarning(const std::string& recording, std::uint64_t bytes) {
  return "warning: the last " + std::to_string(bytes) + (bytes == 1 ? " byte of " : " bytes of ") +
         recording + " do not make a whole record of 32 bytes and were not converted";
}

}  // namespace

int RunBatch(const Options& options, std::FILE* err, ProgressDisplay& progress) {
  const auto say = [&](const std::string& message) {
    progress.Clear();
    std::fprintf(err, "%s: %s\n", kProgramName, message.c_str());
  };
  Converter converter;
  int exit_status = kExitOk;
  for (std::size_t i = 0; i < options.recordings.size(); ++i) {
    const std::filesystem::path& recording = options.recordings[i];
    const std::string shown = PathForDisplay(recording);
    if (!HasRecordingName(shown)) {
      say(shown + ": " + kNotValidText);
      exit_status = kExitSomeFailed;
      continue;
    }
    progress.StartRecording(PathForDisplay(recording.filename()), i + 1, options.recordings.size());
    ConversionReport report;
    const Status status = converter.ConvertChannels(
        recording, options.output_dir, recording.filename(), options.positions,
        options.decimal_separator, &report,
        [&](std::uint64_t read, std::uint64_t total) { progress.Update(read, total); });
    if (!status.ok()) {
      say(status.message());
      exit_status = kExitSomeFailed;
    } else if (report.bytes_left_out > 0 && !options.quiet) {
      say(LeftOutWarning(shown, report.bytes_left_out));
    }
  }
  progress.Clear();
  return exit_status;
}

}  // namespace velbrix::cli
