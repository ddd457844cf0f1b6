// Converting each recording of a batch, and what is said about it on stderr.
#include "cli/batch.h"

#include <exception>
#include <string>
#include <string_view>
#include <vector>

#include "cli/recording_list.h"
#include "core/base/recording_name.h"
#include "core/base/status.h"
#include "core/convert/conversion.h"
#include "core/events/export_events.h"
#include "core/formats/export_run.h"
#include "core/os/os_file_hooks.h"

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
  if (!options.format) {
    ConversionReport report;
    const Status status = converter.ConvertChannels(
        recording, options.output_dir, recording.filename(), options.positions,
        options.decimal_separator, &report, progress, stop, lock_wait);
    if (status.ok() && report.bytes_left_out > 0) {
      warnings->push_back("warning: " + LeftOutDescription(recording, report.bytes_left_out));
    }
    for (const std::string& note : report.left_alone) {
      warnings->push_back("warning: " + note);
    }
    return status;
  }
  ExportRequest request;
  if (Status s = EventsForExport(recording, options.sample_rate, options.events, &request.events,
                                 progress, stop);
      !s.ok()) {
    return s;
  }
  request.format = *options.format;
  request.recording = recording;
  request.output_dir = options.output_dir;
  request.file_name = recording.filename();
  request.positions = options.positions;
  request.sample_rate = options.sample_rate;
  request.edf_layout = options.edf_layout;
  request.start = options.edf_start;
  if (options.bids) {
    request.root = options.bids->root;
    request.entities = options.bids->entities;
    request.entities.run = BidsRun(options, index);
    request.line_frequency = options.bids->line_frequency;
    request.lab = options.bids->lab;
  }
  ExportReport report;
  const Status status = RunExport(request, &report, progress, stop, lock_wait);
  if (status.ok()) {
    for (const std::string& note : ExportNotes(recording, report)) {
      warnings->push_back("warning: " + note);
    }
  }
  return status;
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
  const std::vector<std::size_t> members = ShardMembers(options.recordings.size(), options.shard);
  for (std::size_t n = 0; n < members.size(); ++n) {
    const std::size_t i = members[n];
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
    progress.StartRecording(PathForDisplay(recording.filename()), n + 1, members.size());
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
