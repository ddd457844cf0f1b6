// What the Export dialog asks for, and what both Export dialogs (window/qt, window/win32) agree on:
// the formats in the order offered, the fields in their order with their labels, and the names
// under which the last entries are remembered for the user. Data only, free of any toolkit type.
// An "&" in a label marks the access key of the letter after it.
//
// The dialogs only collect the texts as typed; the controller checks them (FrmFle::mnuexport_Click)
// and says what is wrong, with the command line's messages.
#ifndef VELBRIX_WINDOW_EXPORT_EXPORT_SETTINGS_H_
#define VELBRIX_WINDOW_EXPORT_EXPORT_SETTINGS_H_

#include <array>
#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "core/formats/export_format.h"

namespace velbrix {

// The formats (core/formats/export_format.h), in the order of the dialog's list.
struct ExportFormatInfo {
  ExportFormat target;
  const char* key;    // as remembered
  const char* label;  // in the dialog's list
};
inline constexpr ExportFormatInfo kExportFormats[] = {
    {ExportFormat::kEdf, "edf", "EDF"},
    {ExportFormat::kBrainVision, "brainvision", "BrainVision"},
    {ExportFormat::kBidsEdf, "bids-edf", "BIDS dataset, EDF data"},
    {ExportFormat::kBidsBrainVision, "bids-brainvision", "BIDS dataset, BrainVision data"},
};

// The dialog's text fields, in their order from top to bottom, which is also the order of Tab.
enum class ExportField {
  kSampleRate,
  kStart,
  kBidsRoot,
  kSubject,
  kSession,
  kTask,
  kRun,
  kLineFrequency,
  kReference,
  kGround,
  kAuthors,
  kLicense,
};
inline constexpr std::size_t kExportFieldCount = 12;

struct ExportFieldInfo {
  ExportField field;
  const char* key;    // the control's name, by which tests find it, and the remembered value's
  const char* label;  // the text before it
  bool bids;          // only for a BIDS dataset: disabled for the other formats
};
inline constexpr ExportFieldInfo kExportFields[kExportFieldCount] = {
    {ExportField::kSampleRate, "sample_rate", "&Sample rate (Hz):", false},
    {ExportField::kStart, "start", "S&tart, if known (YYYY-MM-DD HH:MM:SS):", false},
    {ExportField::kBidsRoot, "bids_root", "&Dataset folder:", true},
    {ExportField::kSubject, "subject", "S&ubject:", true},
    {ExportField::kSession, "session", "Sess&ion, if any:", true},
    {ExportField::kTask, "task", "Tas&k:", true},
    {ExportField::kRun, "run", "&Run, if any:", true},
    {ExportField::kLineFrequency, "line_frequency",
     "&Line frequency (50 or 60 Hz), if known:", true},
    {ExportField::kReference, "reference", "Re&ference, if known:", true},
    {ExportField::kGround, "ground", "&Ground, if known:", true},
    {ExportField::kAuthors, "authors", "&Authors (A. Smith; B. Jones), new dataset:", true},
    {ExportField::kLicense, "license", "Li&cense (CC0, CC-BY-4.0), new dataset:", true},
};

// The rest of the dialog's texts.
inline constexpr char kExportDialogCaption[] = "Export";
inline constexpr char kExportFormatLabel[] = "F&ormat:";
inline constexpr char kExportBrowseCaption[] = "&Browse...";  // beside the dataset folder
inline constexpr char kExportBrowseTitle[] = "Choose the BIDS dataset's folder";
// The key of the remembered format; each field is remembered under its own key.
inline constexpr char kExportFormatKey[] = "format";
// Where the entries are remembered: the organisation and application of Qt's settings, and the
// registry key under HKEY_CURRENT_USER.
inline constexpr char kSettingsOrganization[] = "Velbrix";
inline constexpr char kSettingsApplication[] = "Velbrix";
inline constexpr char kSettingsGroup[] = "Export";
inline constexpr char kSettingsRegistryKey[] = "Software\\Velbrix\\Export";

// The dialog's entries, as the user typed them.
struct ExportSettings {
  ExportFormat target = ExportFormat::kEdf;
  std::array<std::string, kExportFieldCount> texts{"256"};  // by ExportField; the rate 256 Hz

  std::string& operator[](ExportField field) { return texts[static_cast<std::size_t>(field)]; }
  const std::string& operator[](ExportField field) const {
    return texts[static_cast<std::size_t>(field)];
  }
  bool operator==(const ExportSettings&) const = default;
};

// The entries as named values to remember: the format under kExportFormatKey, each field under its
// key.
std::vector<std::pair<std::string, std::string>> RememberedEntries(const ExportSettings& settings);
// The most bytes of a remembered entry that are offered again: room for any path, and little enough
// for the dialog to show at once.
inline constexpr std::size_t kRememberedEntryMaxBytes = 4096;

// Cuts each text of `settings` that is longer than kRememberedEntryMaxBytes to its start, in whole
// UTF-8 characters.
void CutToRememberedLength(ExportSettings* settings);

// The entries from remembered values: `value(key)` gives the value remembered under `key`, or
// nothing. What is missing, and a format not known, stays as in a default ExportSettings; a longer
// value is cut to its first kRememberedEntryMaxBytes (whole UTF-8 characters).
ExportSettings FromRememberedEntries(
    const std::function<std::optional<std::string>(std::string_view key)>& value);

}  // namespace velbrix

#endif  // VELBRIX_WINDOW_EXPORT_EXPORT_SETTINGS_H_
