// The EDF export run: read blocks of records, transpose them into data records, write those in
// the background, and commit the file when the whole recording is in it.
#include "core/formats/edf_export.h"

#include <algorithm>
#include <cstring>
#include <exception>
#include <limits>
#include <memory>
#include <optional>
#include <string>

#include "core/base/run_support.h"
#include "core/commit/file_table.h"
#include "core/convert/background_writer.h"
#include "core/convert/record_blocks.h"
#include "core/events/edf_annotations.h"
#include "core/events/export_events.h"
#include "core/formats/edf_samples.h"

namespace velbrix {
namespace {

constexpr std::size_t kBatchBytes = 1 << 20;  // data records handed to the writer at once

Status CheckInputs(const ExportInputs& inputs) {
  if (Status s = CheckPositions(inputs.positions); !s.ok()) {
    return s;
  }
  if (inputs.edf_layout.samples_per_record == 0 || inputs.edf_layout.duration.empty()) {
    return Status::InvalidArgument("The data record layout is not set");
  }
  if (HasEvents(inputs) && (inputs.sample_rate.text.empty() || !(inputs.sample_rate.value > 0))) {
    return Status::InvalidArgument("The sample rate of the events is not set");
  }
  // A data record is held in memory whole; its size must fit a size_t (32 bits on some systems).
  if (inputs.edf_layout.samples_per_record >
      std::numeric_limits<std::size_t>::max() / (2 * kChannelCount)) {
    return Status::InvalidArgument("A data record of " +
                                   std::to_string(inputs.edf_layout.samples_per_record) +
                                   " samples per signal does not fit in memory");
  }
  return CheckRecordingFileName(inputs.file_name);
}

// Fills data records in the writer's batches, one input record (one sample per signal) at a time;
// the annotation signal (if any) follows the channels' in each.
class DataRecordFiller {
 public:
  DataRecordFiller(BackgroundWriter& writer, std::span<const int> positions,
                   std::size_t samples_per_record, const EdfAnnotationSignal* annotations,
                   std::uint64_t annotated_records, std::size_t records_per_batch)
      : writer_(writer),
        positions_(positions),
        samples_(samples_per_record),
        annotations_(annotations),
        annotated_records_(annotated_records),
        channel_bytes_(2 * samples_per_record * positions.size()),
        record_bytes_(channel_bytes_ + AnnotationBytes(annotations)),
        records_per_batch_(records_per_batch) {}

  static std::size_t AnnotationBytes(const EdfAnnotationSignal* annotations) {
    return annotations == nullptr ? 0
                                  : static_cast<std::size_t>(2 * annotations->samples_per_record());
  }

  // Adds `count` whole 32-byte records at `records`: each chosen channel's samples go, in order,
  // into that signal's run of the data record being filled.
  void Add(const std::uint8_t* records, std::size_t count) {
    while (count > 0) {
      if (batch_ == nullptr) {
        batch_ = &writer_.NextBatch();
      }
      const std::size_t n = std::min(count, samples_ - next_sample_);
      char* const data = batch_->buffer(0) + in_batch_ * record_bytes_ + 2 * next_sample_;
      PutEdfSamples(records, n, positions_, data, 2 * samples_);
      records += n * kRecordSize;
      count -= n;
      next_sample_ += n;
      if (next_sample_ == samples_) {
        CompleteRecord();
      }
    }
  }

  // Completes a started data record with zeros and hands every filled one to the writer. Returns
  // the samples per signal that were added.
  std::size_t Finish() {
    std::size_t added = 0;
    if (next_sample_ > 0) {
      added = samples_ - next_sample_;
      char* const record = batch_->buffer(0) + in_batch_ * record_bytes_;
      for (std::size_t s = 0; s < positions_.size(); ++s) {
        std::memset(record + 2 * (samples_ * s + next_sample_), 0, 2 * added);
      }
      CompleteRecord();
    }
    if (in_batch_ > 0) {
      Submit();
    }
    return added;
  }

  std::uint64_t data_records() const { return data_records_; }

 private:
  void CompleteRecord() {
    char* const annotations = batch_->buffer(0) + in_batch_ * record_bytes_ + channel_bytes_;
    if (annotations_ != nullptr && data_records_ < annotated_records_) {
      annotations_->WriteRecord(data_records_, annotations);
    } else {
      // Beyond the records planned the export fails: zeros keep the batch whole until then.
      std::memset(annotations, 0, record_bytes_ - channel_bytes_);
    }
    next_sample_ = 0;
    ++data_records_;
    if (++in_batch_ == records_per_batch_) {
      Submit();
    }
  }
  void Submit() {
    batch_->set_length(0, in_batch_ * record_bytes_);
    writer_.Submit();
    batch_ = nullptr;
    in_batch_ = 0;
  }

  BackgroundWriter& writer_;
  std::span<const int> positions_;
  const std::size_t samples_;
  const EdfAnnotationSignal* const annotations_;
  const std::uint64_t annotated_records_;  // the data records the annotations were planned for
  const std::size_t channel_bytes_;
  const std::size_t record_bytes_;
  const std::size_t records_per_batch_;
  OutputBatch* batch_ = nullptr;
  std::size_t in_batch_ = 0;     // complete data records in the batch
  std::size_t next_sample_ = 0;  // of the data record being filled
  std::uint64_t data_records_ = 0;
};

std::uint64_t DataRecordsFor(std::uint64_t records, std::uint64_t samples_per_record) {
  return (records + samples_per_record - 1) / samples_per_record;
}

// The annotation signal of the events of `inputs` in `data_records` data records of the recording's
// `records` whole records; nothing (plain EDF) without events.
Status PlanAnnotations(const ExportInputs& inputs, std::uint64_t records,
                       std::uint64_t data_records, const std::filesystem::path& output,
                       std::optional<EdfAnnotationSignal>* annotations) {
  annotations->reset();
  if (!HasEvents(inputs)) {
    return Status::Ok();
  }
  if (Status s = CheckEventsWithin(*inputs.events, records, inputs.recording); !s.ok()) {
    return s;
  }
  EdfAnnotationSignal planned;
  if (Status s =
          EdfAnnotationSignal::Plan(*inputs.events, inputs.sample_rate,
                                    inputs.edf_layout.samples_per_record, data_records, &planned);
      !s.ok()) {
    return Status::IoError("Cannot create", output, s.message());
  }
  if (planned.samples_per_record() > kEdfLargestCount) {
    return Status::IoError("Cannot create", output,
                           "the events need " + std::to_string(planned.samples_per_record()) +
                               " samples per data record, more than an EDF header holds");
  }
  *annotations = std::move(planned);
  return Status::Ok();
}

Status Stream(FileTable& files, int input, int output, const ExportInputs& inputs,
              ExportReport* report, const ProgressCallback& progress, const StopRequest* stop) {
  const auto samples = static_cast<std::size_t>(inputs.edf_layout.samples_per_record);  // checked
  const std::uint64_t total = files.Size(input);
  const std::uint64_t expected = DataRecordsFor(total / kRecordSize, samples);
  const auto too_many = [&] {
    return Status::IoError("Cannot create", report->data,
                           "the recording needs more than " + std::to_string(kEdfLargestCount) +
                               " data records, the most an EDF file can count");
  };
  if (expected > kEdfLargestCount) {
    return too_many();
  }
  std::optional<EdfAnnotationSignal> annotations;
  if (Status s = PlanAnnotations(inputs, total / kRecordSize, expected, report->data, &annotations);
      !s.ok()) {
    return s;
  }
  EdfHeaderFields header{{inputs.positions.begin(), inputs.positions.end()},
                         inputs.edf_layout,
                         inputs.start,
                         PathForDisplay(inputs.file_name),
                         expected,
                         annotations ? annotations->samples_per_record() : 0};
  if (Status s = files.Write(output, MakeEdfHeader(header)); !s.ok()) {
    return s;
  }

  const EdfAnnotationSignal* const signal = annotations ? &*annotations : nullptr;
  const std::size_t record_bytes =
      2 * samples * inputs.positions.size() + DataRecordFiller::AnnotationBytes(signal);
  const std::size_t records_per_batch = std::max<std::size_t>(1, kBatchBytes / record_bytes);
  BackgroundWriter writer(files, {output}, records_per_batch * record_bytes);
  DataRecordFiller filler(writer, inputs.positions, samples, signal, expected, records_per_batch);
  const auto fill = [&](const std::uint8_t* records, std::size_t count) {
    filler.Add(records, count);
    return writer.failure();
  };
  RecordBlocksRead read;
  if (Status s = ReadRecordBlocks(files, input, fill, progress, &read, stop); !s.ok()) {
    return s;
  }
  report->records = read.records;
  report->bytes_left_out = read.bytes_left_out;
  report->samples_added = filler.Finish();
  report->data_records = filler.data_records();
  report->samples = report->data_records * samples;
  if (Status s = writer.Finish(); !s.ok()) {
    return s;
  }
  // The recording's size was not known ahead (a pipe) or changed while it was read.
  if (report->data_records != expected) {
    if (annotations) {
      // The events were placed, and their time-keeping sized, for the data records expected.
      return Status::IoError("Cannot convert", inputs.recording,
                             "its length changed while it was exported with its events");
    }
    if (report->data_records > kEdfLargestCount) {
      return too_many();
    }
    return files.WriteAt(output, kEdfDataRecordsOffset, EdfDataRecordsField(report->data_records));
  }
  return Status::Ok();
}

}  // namespace

std::filesystem::path EdfOutputPath(const std::filesystem::path& output_dir,
                                    const std::filesystem::path& file_name) {
  std::filesystem::path leaf = file_name;
  leaf += ".edf";
  return output_dir / leaf;
}

Status ExportEdfInto(FileTable& files, const ExportInputs& inputs, ExportReport* report,
                     const ProgressCallback& progress, const StopRequest* stop) {
  if (Status s = CheckInputs(inputs); !s.ok()) {
    return s;
  }
  report->data = EdfOutputPath(inputs.output_dir, inputs.file_name);
  report->outputs = {report->data};
  int input = 0;
  int output = 0;
  Status status = files.OpenInputOnFreeNumber(inputs.recording, &input);
  if (status.ok()) {
    status = files.OpenOutputOnFreeNumber(report->data, &output);
  }
  if (status.ok()) {
    try {
      status = Stream(files, input, output, inputs, report, progress, stop);
    } catch (const std::exception& e) {
      // No memory for the buffers, or no second thread: the export fails like any other.
      status = Status::IoError("Cannot convert", inputs.recording, e.what());
    }
  }
  return status;
}

std::string PaddingDescription(const std::filesystem::path& output, std::uint64_t samples) {
  return "the last data record of " + PathForDisplay(output) + " was completed with " +
         std::to_string(samples) + (samples == 1 ? " sample" : " samples") + " of 0 uV per channel";
}

}  // namespace velbrix
