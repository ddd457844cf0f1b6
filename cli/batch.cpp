// Converting each recording of a batch, and what is said about it on stderr.
#include "cli/batch.h"

#include <algorithm>
#include <atomic>
#include <exception>
#include <functional>
#include <string>
#include <string_view>
#include <system_error>
#include <thread>
#include <vector>

#include "cli/batch_report.h"
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
// `warnings`. `commit_turn`: as in ExportRequest.
Status ConvertOne(Converter& converter, const Options& options, std::size_t index,
                  const ProgressCallback& progress, const StopRequest* stop,
                  const LockWaitReporter& lock_wait, const std::function<Status()>& commit_turn,
                  std::vector<std::string>* warnings) {
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
    request.commit_turn = commit_turn;
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

// Whether the recording's run ended converted, failed or stopped (never started after a stop
// included).
enum class Outcome { kConverted, kFailed, kStopped };

// Converts member `n` of the call (recording `options.recordings[index]`) with `converter`, and
// finishes it in `report`.
Outcome ConvertMember(Converter& converter, const Options& options, std::size_t n,
                      std::size_t index, BatchReport& report, const StopRequest* stop,
                      bool ordered_commits) {
  if (stop != nullptr && stop->requested()) {
    report.Finish(n, {});
    return Outcome::kStopped;
  }
  const std::filesystem::path& recording = options.recordings[index];
  const std::string shown = PathForDisplay(recording);
  if (!HasRecordingName(recording)) {
    report.Finish(n, {shown + ": " + kNotValidText});
    return Outcome::kFailed;
  }
  // Told on the job's thread while it waits for another run's folder lock, and at once.
  const LockWaitReporter lock_wait = [&](const std::filesystem::path& lock) {
    report.SayNow(shown + ": " + LockWaitMessage(lock));
  };
  std::function<Status()> commit_turn;
  if (ordered_commits) {
    commit_turn = [&] {
      return report.WaitForTurn(n, stop) ? Status::Ok() : Status::Stopped(recording);
    };
  }
  std::vector<std::string> warnings;
  Status status;
  try {
    status = ConvertOne(
        converter, options, index,
        [&](std::uint64_t read, std::uint64_t total) { report.Progress(n, read, total); }, stop,
        lock_wait, commit_turn, &warnings);
  } catch (const std::exception& e) {
    status = Status::Internal(recording, e.what());
  }
  if (!status.ok()) {
    report.Finish(n, {status.message()});
    return status.stopped() ? Outcome::kStopped : Outcome::kFailed;
  }
  if (options.quiet) {
    warnings.clear();
  }
  report.Finish(n, std::move(warnings));
  return Outcome::kConverted;
}

// The size of `recording` for the progress line; 0 when it is not a regular file that can be
// looked at (its run then tells the size it finds, or fails).
std::uint64_t SizeForProgress(const std::filesystem::path& recording) {
  std::error_code ec;
  const std::uintmax_t size = std::filesystem::is_regular_file(recording, ec)
                                  ? std::filesystem::file_size(recording, ec)
                                  : 0;
  return ec ? 0 : static_cast<std::uint64_t>(size);
}

// The folders on the way to the dataset folder `root` that are missing now, `root` first.
std::vector<std::filesystem::path> MissingFolders(const std::filesystem::path& root) {
  std::vector<std::filesystem::path> missing;
  std::error_code ec;
  std::filesystem::path folder = std::filesystem::absolute(root, ec).lexically_normal();
  if (!folder.has_filename()) {
    folder = folder.parent_path();  // a trailing separator
  }
  while (!ec && !folder.empty() &&
         std::filesystem::symlink_status(folder, ec).type() ==
             std::filesystem::file_type::not_found) {
    ec.clear();
    missing.push_back(folder);
    if (folder == folder.parent_path()) {
      break;
    }
    folder = folder.parent_path();
  }
  return missing;
}

// Removes those of `folders` (innermost first) that are empty folders, up to the first that is
// not. Each job's run removes the dataset folder it made when it fails or stops, but only while
// empty: where two jobs' runs made and shared it, the last to go may not be the one that made it.
void RemoveEmptyFolders(const std::vector<std::filesystem::path>& folders) {
  for (const std::filesystem::path& folder : folders) {
    std::error_code ec;
    if (!std::filesystem::is_directory(std::filesystem::symlink_status(folder, ec)) ||
        !std::filesystem::remove(folder, ec)) {
      return;
    }
  }
}

}  // namespace

int RunBatch(const Options& options, std::FILE* err, ProgressDisplay& progress,
             const StopRequest* stop) {
  const std::vector<std::size_t> members = ShardMembers(options.recordings.size(), options.shard);
  std::vector<std::uint64_t> sizes;
  for (const std::size_t i : members) {
    sizes.push_back(SizeForProgress(options.recordings[i]));
  }
  progress.Start(
      members.empty() ? std::string() : PathForDisplay(options.recordings[members[0]].filename()),
      members.size());
  BatchReport report(err, progress, std::move(sizes));
  const std::size_t jobs = std::max<std::size_t>(1, std::min(options.jobs, members.size()));
  // Several jobs into one dataset commit in the recordings' order, as one job does, so that the
  // rows of participants.tsv and of the scans tables come in the same order.
  const bool ordered_commits = options.bids.has_value() && jobs > 1;
  const std::vector<std::filesystem::path> made_for_dataset =
      ordered_commits ? MissingFolders(options.bids->root) : std::vector<std::filesystem::path>();
  std::vector<Outcome> outcomes(members.size(), Outcome::kStopped);
  std::atomic<std::size_t> next{0};
  // Each job takes the next recording not yet taken: the recordings start in their order.
  const auto job = [&] {
    Converter converter;  // the run state of one job, never shared
    for (std::size_t n; (n = next.fetch_add(1)) < members.size();) {
      try {
        outcomes[n] =
            ConvertMember(converter, options, n, members[n], report, stop, ordered_commits);
      } catch (const std::exception& e) {
        // Out of memory before the run: the recording fails, and its turn passes on.
        outcomes[n] = Outcome::kFailed;
        report.Finish(n, {e.what()});
      }
    }
  };
  std::vector<std::thread> helpers;
  for (std::size_t j = 1; j < jobs; ++j) {
    try {
      helpers.emplace_back(job);
    } catch (const std::system_error&) {
      break;  // no thread to spare: fewer jobs
    }
  }
  job();
  for (std::thread& helper : helpers) {
    helper.join();
  }
  progress.Clear();
  if (std::any_of(outcomes.begin(), outcomes.end(),
                  [](Outcome outcome) { return outcome != Outcome::kConverted; })) {
    RemoveEmptyFolders(made_for_dataset);
  }
  int exit_status = kExitOk;
  for (const Outcome outcome : outcomes) {
    if (outcome == Outcome::kStopped) {
      return kExitStopped;
    }
    if (outcome == Outcome::kFailed) {
      exit_status = kExitSomeFailed;
    }
  }
  return exit_status;
}

}  // namespace velbrix::cli
