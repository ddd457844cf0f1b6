// Converting each recording of a batch, and what is said about it on stderr.
#include "cli/batch.h"

#include <exception>
#include <string>
#include <string_view>
#include <vector>

#include "core/bids_export.h"
#include "core/conversion.h"
#include "core/edf_export.h"
#include "core/os_file_hooks.h"
#include "core/recording_export.h"
#include "core/recording_name.h"
#include "core/status.h"
#include "velbrix_version.h"

namespace velbrix::cli {
namespace {

// The BIDS run of the recording at `index` of the call's recordings: as given by --run, none for
// a single recording, and index + 1 for several.
std::string BidsRun(const Options& options, std::size_t index) {
  if (!options.bids->entities.run.empty() || options.recordings.size() == 1) {
    return options.bids->entities.run;
  }
  return std::to_string(index + 1);
}

// Converts recording `index` of `options` as they ask; adds the warnings worth telling to
// `warnings`.
Status ConvertOne(Converter& converter, const Options& options, std::size_t index,
                  const ProgressCallback& progress, const StopRequest* stop,
                  const LockWaitReporter& lock_wait, std::vector<std::string>* warnings) {
  const std::filesystem::path& recording = options.recordings[index];
  std::uint64_t bytes_left_out = 0;
  std::uint64_t samples_added = 0;
  std::filesystem::path padded;
  Status status;
  if (options.bids) {
    BidsEntities entities = options.bids->entities;
    entities.run = BidsRun(options, index);
    const BidsExportInputs inputs{recording,
                                  options.bids->root,
                                  std::move(entities),
                                  options.format == OutputFormat::kBrainVision
                                      ? BidsDataFormat::kBrainVision
                                      : BidsDataFormat::kEdf,
                                  options.positions,
                                  options.sample_rate,
                                  options.edf_layout,
                                  options.edf_start,
                                  options.bids->line_frequency,
                                  VELBRIX_VERSION,
                                  options.bids->lab};
    BidsExportReport report;
    status = ExportBids(inputs, &report, progress, stop, lock_wait);
    bytes_left_out = report.bytes_left_out;
    samples_added = report.samples_added;
    padded = report.data;
  } else if (options.format == OutputFormat::kText) {
    ConversionReport report;
    status = converter.ConvertChannels(recording, options.output_dir, recording.filename(),
                                       options.positions, options.decimal_separator, &report,
                                       progress, stop, lock_wait);
    bytes_left_out = report.bytes_left_out;
  } else {
    const ExportInputs inputs{
        options.format == OutputFormat::kEdf ? ExportFormat::kEdf : ExportFormat::kBrainVision,
        recording,
        options.output_dir,
        recording.filename(),
        options.positions,
        options.sample_rate,
        options.edf_layout,
        options.edf_start};
    ExportReport report;
    status = ExportRecording(inputs, &report, progress, stop, lock_wait);
    bytes_left_out = report.bytes_left_out;
    samples_added = report.samples_added;
    padded = report.data;
  }
  if (!status.ok()) {
    return status;
  }
  if (samples_added > 0) {
    warnings->push_back("warning: " + PaddingDescription(padded, samples_added));
  }
  if (bytes_left_out > 0) {
    warnings->insert(warnings->begin(),
                     "warning: " + LeftOutDescription(recording, bytes_left_out));
  }
  return Status::Ok();
}

}  // namespace

int RunBatch(const Options& options, std::FILE* err, ProgressDisplay& progress,
             const StopRequest* stop) {
  const auto say = [&](const std::string& message) {
    progress.Clear();
    std::fprintf(err, "%s: %s\n", kProgramName, message.c_str());
  };
  // Told on the converting thread (this one) while it waits for another run's folder lock.
  const LockWaitReporter lock_wait = [&](const std::filesystem::path& lock) {
    say(LockWaitMessage(lock));
  };
  Converter converter;
  int exit_status = kExitOk;
  for (std::size_t i = 0; i < options.recordings.size(); ++i) {
    if (stop != nullptr && stop->requested()) {
      exit_status = kExitStopped;
      break;
    }
    const std::filesystem::path& recording = options.recordings[i];
    const std::string shown = PathForDisplay(recording);
    if (!HasRecordingName(recording)) {
      say(shown + ": " + kNotValidText);
      exit_status = kExitSomeFailed;
      continue;
    }
    progress.StartRecording(PathForDisplay(recording.filename()), i + 1, options.recordings.size());
    std::vector<std::string> warnings;
    Status status;
    try {
      status = ConvertOne(
          converter, options, i,
          [&](std::uint64_t read, std::uint64_t total) { progress.Update(read, total); }, stop,
          lock_wait, &warnings);
    } catch (const std::exception& e) {
      status = Status::Internal(recording, e.what());
    }
    if (status.stopped()) {
      say(status.message());
      exit_status = kExitStopped;
      break;
    }
    if (!status.ok()) {
      say(status.message());
      exit_status = kExitSomeFailed;
      continue;
    }
    for (const std::string& warning : options.quiet ? std::vector<std::string>() : warnings) {
      say(warning);
    }
  }
  progress.Clear();
  return exit_status;
}

}  // namespace velbrix::cli
