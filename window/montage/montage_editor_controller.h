// The Montage Editor without its toolkit: a montage's name and its rows, each a derivation
// ("F3-C3", "FP1-(A1+A2)/2", "C4-avg"), a label, a factor and whether it is shown; rows are
// added, removed, moved and hidden, each bad row shown with its number and why; Save writes the
// montage to the reader's montage folder (montage_library.h).
//
// The table lists the rows; the fields under it (Derivation, Label, Factor) edit the chosen row.
// The dialog starts from the montage the trace window shows: a built-in montage is saved as a new
// montage of one's own, an own montage in its file (renamed with its name).
#ifndef VELBRIX_WINDOW_MONTAGE_MONTAGE_EDITOR_CONTROLLER_H_
#define VELBRIX_WINDOW_MONTAGE_MONTAGE_EDITOR_CONTROLLER_H_

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "core/signal/montage_text.h"
#include "window/montage/montage_library.h"

namespace velbrix {

// What the editor is opened on.
struct MontageEditorSubject {
  std::filesystem::path folder;       // the montage folder
  MontageSource start;                // the montage the window shows, as written
  std::filesystem::path file;         // its file, for an own montage; empty for a built-in one
  std::vector<std::string> built_in;  // the built-in montages' names, which an own one may not take
};

// A row of the table: the row as written and what is wrong with it ("" when nothing is).
struct MontageEditorRow {
  MontageLine line;
  std::string problem;
};

// The editor's texts: the dialog's title, the table's columns, the fields' and buttons' labels
// ("&" marks an access key).
inline constexpr char kMontageEditorTitle[] = "Montage Editor";
inline constexpr char kMontageNameLabel[] = "&Name:";
inline constexpr char kMontageRowsLabel[] = "&Rows:";
inline constexpr char kMontageColumns[4][16] = {"Derivation", "Label", "Factor", "Shown"};
inline constexpr char kMontageDerivationLabel[] = "&Derivation:";
inline constexpr char kMontageLabelLabel[] = "&Label:";
inline constexpr char kMontageFactorLabel[] = "&Factor:";
inline constexpr char kMontageAddText[] = "&Add Row";
inline constexpr char kMontageRemoveText[] = "Remo&ve Row";
inline constexpr char kMontageUpText[] = "Move &Up";
inline constexpr char kMontageDownText[] = "Move Do&wn";
inline constexpr char kMontageShowHideText[] = "&Hide/Show";
inline constexpr char kMontageSaveText[] = "&Save";
inline constexpr char kMontageHelpText[] =
    "A derivation adds and subtracts channels (FP2 ... PG2) and avg, the mean of the 22 EEG "
    "electrodes: F3-C3, FP1-(A1+A2)/2, C4-avg, (F3+F4)/2-Cz. The factor draws a row at that many "
    "times the window's amplitude.";

// The passive view.
class MontageEditorView {
 public:
  virtual ~MontageEditorView() = default;
  virtual std::string Name() const = 0;
  virtual void SetName(const std::string& name) = 0;
  // The table's rows, and which is chosen (-1: none).
  virtual void SetRows(const std::vector<MontageEditorRow>& rows, int chosen) = 0;
  // The fields of the chosen row; disabled with no row chosen.
  virtual void SetRowFields(const MontageLine& line, bool enabled) = 0;
  // What is wrong, one problem a line, or why a save failed; "" when nothing is.
  virtual void SetMessage(const std::string& text) = 0;
};

class MontageEditorController {
 public:
  // `view` must outlive the controller.
  MontageEditorController(MontageEditorView& view, MontageEditorSubject subject);

  // Shows the name, the rows (the first chosen) and their problems.
  void Open();
  // The user chose row `row` in the table (-1: none).
  void RowChosen(int row);
  // The fields of the chosen row now hold `derivation`, `label` and `factor`.
  void RowEdited(const std::string& derivation, const std::string& label,
                 const std::string& factor);
  // Adds a row after the chosen one (at the end with none) and chooses it.
  void AddRow();
  void RemoveRow();
  // Moves the chosen row up (-1) or down (+1).
  void MoveRow(int by);
  // Hides the chosen row, or shows it again.
  void ToggleShown();
  // Save: writes the montage when its name and every row are sound. True when the dialog may
  // close with saved() set; false when it stays open, saying why.
  bool Accept();

  // The file written by an Accept that returned true; nothing otherwise.
  const std::optional<std::filesystem::path>& saved() const { return saved_; }
  const MontageSource& source() const { return source_; }

 private:
  // The problems of the rows, as the table shows them, and in the message.
  void ShowRows();

  MontageEditorView& view_;
  MontageEditorSubject subject_;
  MontageSource source_;
  int chosen_ = -1;
  std::optional<std::filesystem::path> saved_;
};

}  // namespace velbrix

#endif  // VELBRIX_WINDOW_MONTAGE_MONTAGE_EDITOR_CONTROLLER_H_
