// What an export of a recording is given and what it reports: the inputs of an EDF or BrainVision
// export (recording_export.h, edf_export.h, brainvision_export.h), and the report of any export, a
// BIDS dataset's included. Data only.
#ifndef VELBRIX_CORE_FORMATS_EXPORT_INPUTS_H_
#define VELBRIX_CORE_FORMATS_EXPORT_INPUTS_H_

#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "core/base/hertz.h"
#include "core/events/event_list.h"
#include "core/formats/edf_header.h"
#include "core/formats/export_format.h"

namespace velbrix {

struct ExportInputs {
  ExportFormat format = ExportFormat::kEdf;  // kEdf or kBrainVision
  std::filesystem::path recording;
  std::filesystem::path output_dir;  // empty: the current folder
  std::filesystem::path file_name;   // the outputs' base name, without a folder
  std::span<const int> positions;    // channels 1 .. 32, no repeats, in the files' order
  Hertz sample_rate;                 // from ParseHertz
  EdfRecordLayout edf_layout;        // EDF: from ChooseEdfRecordLayout for the rate and positions
  std::optional<EdfStart> start;     // nothing: unknown
  // The events to write, within the recording's whole records; null or empty: none (plain EDF).
  // Not owned; it outlives the export.
  const EventList* events = nullptr;
};

// Whether `inputs` carry events to write.
inline bool HasEvents(const ExportInputs& inputs) {
  return inputs.events != nullptr && !inputs.events->empty();
}

struct ExportReport {
  std::uint64_t records = 0;         // whole 32-byte records converted
  std::uint64_t bytes_left_out = 0;  // bytes of a trailing partial record (0 .. 31)
  std::uint64_t samples = 0;         // per channel in the data file, added ones included
  std::uint64_t data_records = 0;    // EDF: data records written
  std::uint64_t samples_added = 0;   // EDF: 0 uV samples per channel completing the last record
  std::filesystem::path data;        // the file a reader opens: the EDF file or the .vhdr
  std::vector<std::filesystem::path> outputs;  // every file written, `data` first
  std::vector<std::string> left_alone;  // killed runs' files left alone (FileTable::LeftAloneNotes)
};

}  // namespace velbrix

#endif  // VELBRIX_CORE_FORMATS_EXPORT_INPUTS_H_
