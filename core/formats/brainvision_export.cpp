// The BrainVision export run: the two text files first, then the data file block by block, the
// writing done in the background.
#include "core/formats/brainvision_export.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <exception>
#include <string>
#include <vector>

#include "core/base/run_support.h"
#include "core/convert/background_writer.h"
#include "core/events/brainvision_markers.h"
#include "core/events/export_events.h"
#include "core/formats/brainvision_header.h"

namespace velbrix {
namespace {

// The two bytes (little-endian) of each sample byte's value.
constexpr SampleBytesTable kValueBytes = LittleEndianSampleBytes(BrainVisionValue);

Status CheckInputs(const ExportInputs& inputs) {
  if (Status s = CheckPositions(inputs.positions); !s.ok()) {
    return s;
  }
  if (inputs.sample_rate.text.empty() || !(inputs.sample_rate.value > 0)) {
    return Status::InvalidArgument("The sample rate is not set");
  }
  if (Status s = CheckRecordingFileName(inputs.file_name); !s.ok()) {
    return s;
  }
  return CheckBrainVisionBaseName(PathForDisplay(inputs.file_name));
}

// Converts `count` whole records into the chosen channels' values, sample after sample.
void FillValues(const std::uint8_t* records, std::size_t count, std::span<const int> positions,
                char* out) {
  if constexpr (std::endian::native == std::endian::little) {
    // All channels in record order: each byte in turn, widened. A loop the compiler vectorises.
    if (positions.size() == kChannelCount && std::is_sorted(positions.begin(), positions.end())) {
      for (std::size_t i = 0; i < count * kRecordSize; ++i) {
        const std::int16_t value = BrainVisionValue(records[i]);
        std::memcpy(out + 2 * i, &value, 2);
      }
      return;
    }
  }
  for (std::size_t r = 0; r < count; ++r, records += kRecordSize) {
    for (const int position : positions) {
      std::memcpy(out, kValueBytes[records[position - 1]].data(), 2);
      out += 2;
    }
  }
}

Status Stream(FileTable& files, int input, int data, const ExportInputs& inputs,
              ExportReport* report, const ProgressCallback& progress, const StopRequest* stop) {
  const std::size_t sample_bytes = kBrainVisionBytesPerValue * inputs.positions.size();
  BackgroundWriter writer(files, {data}, kRecordsPerBlock * sample_bytes);
  const auto convert = [&](const std::uint8_t* records, std::size_t count) {
    OutputBatch& batch = writer.NextBatch();
    FillValues(records, count, inputs.positions, batch.buffer(0));
    batch.set_length(0, count * sample_bytes);
    writer.Submit();
    return writer.failure();
  };
  RecordBlocksRead read;
  Status status = ReadRecordBlocks(files, input, convert, progress, &read, stop);
  const Status written = writer.Finish();
  if (!status.ok()) {
    return status;
  }
  report->records = read.records;
  report->bytes_left_out = read.bytes_left_out;
  report->samples = read.records;
  return written;
}

}  // namespace

BrainVisionFiles BrainVisionOutputPaths(const std::filesystem::path& output_dir,
                                        const std::filesystem::path& file_name) {
  const auto with = [&](const char* extension) {
    std::filesystem::path leaf = file_name;
    leaf += extension;
    return output_dir / leaf;
  };
  return {with(kBrainVisionHeaderExtension), with(kBrainVisionMarkerExtension),
          with(kBrainVisionDataExtension)};
}

Status ExportBrainVisionInto(FileTable& files, const ExportInputs& inputs, ExportReport* report,
                             const ProgressCallback& progress, const StopRequest* stop) {
  if (Status s = CheckInputs(inputs); !s.ok()) {
    return s;
  }
  const BrainVisionFiles paths = BrainVisionOutputPaths(inputs.output_dir, inputs.file_name);
  const std::string base_name = PathForDisplay(inputs.file_name);
  const std::vector<int> positions(inputs.positions.begin(), inputs.positions.end());
  int input = 0;
  int data = 0;
  int markers = 0;
  int header = 0;
  Status status = files.OpenInputOnFreeNumber(inputs.recording, &input);
  if (status.ok()) {
    status = files.OpenOutputOnFreeNumber(paths.data, &data);
  }
  if (status.ok()) {
    status = files.OpenOutputOnFreeNumber(paths.markers, &markers);
  }
  if (status.ok()) {
    status = files.OpenOutputOnFreeNumber(paths.header, &header);
  }
  if (status.ok()) {
    std::string marker_text = MakeBrainVisionMarkers(base_name, inputs.start);
    if (HasEvents(inputs)) {
      marker_text += MakeBrainVisionEventMarkers(*inputs.events);
    }
    status = files.Write(markers, marker_text);
  }
  if (status.ok()) {
    status = files.Write(header, MakeBrainVisionHeader(positions, base_name, inputs.sample_rate));
  }
  if (!status.ok()) {
    return status;
  }
  try {
    if (Status s = Stream(files, input, data, inputs, report, progress, stop); !s.ok()) {
      return s;
    }
  } catch (const std::exception& e) {
    // No memory for the buffers, or no second thread: the export fails like any other.
    return Status::IoError("Cannot convert", inputs.recording, e.what());
  }
  if (HasEvents(inputs)) {
    if (Status s = CheckEventsWithin(*inputs.events, report->records, inputs.recording); !s.ok()) {
      return s;
    }
  }
  report->data = paths.header;
  report->outputs = {paths.header, paths.markers, paths.data};
  return Status::Ok();
}

}  // namespace velbrix
