// The formats of an export, as the command line and the window offer them. Data only, so that the
// window's dialogs can name them without the export's headers.
#ifndef VELBRIX_CORE_FORMATS_EXPORT_FORMAT_H_
#define VELBRIX_CORE_FORMATS_EXPORT_FORMAT_H_

namespace velbrix {

// The formats of an export, in the order the window offers them: EDF or BrainVision files in a
// folder, or either as the data of a recording in a BIDS dataset (bids_export.h).
enum class ExportFormat { kEdf, kBrainVision, kBidsEdf, kBidsBrainVision };

// Whether `format` writes into a BIDS dataset.
constexpr bool IsBids(ExportFormat format) {
  return format == ExportFormat::kBidsEdf || format == ExportFormat::kBidsBrainVision;
}
// Whether `format`'s data file is an EDF file (else BrainVision's files).
constexpr bool WritesEdf(ExportFormat format) {
  return format == ExportFormat::kEdf || format == ExportFormat::kBidsEdf;
}

}  // namespace velbrix

#endif  // VELBRIX_CORE_FORMATS_EXPORT_FORMAT_H_
