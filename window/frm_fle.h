// The controller of the converter window FrmFle: its state and the handlers of its events.
//
// A real window creates its controls, constructs an FrmFle with itself as the view, calls
// Form_Load once before it is first shown, and then calls the handler of each user event
// (mnuopen_Click for File > Open, optch_Click with the button's Index, LstCh_Click, CmdOk_Click,
// CmdCancel_Click; mnuedf_Click, mnutraces_Click and mnufolder_Click for the File menu's items
// after Open). File > View Traces opens the trace window on the opened recording; the trace
// window then follows the recording opened and the channel selected. The controller does not draw,
// does not know any toolkit and never blocks except in CmdOk_Click, which converts on the caller's
// thread.
#ifndef VELBRIX_WINDOW_FRM_FLE_H_
#define VELBRIX_WINDOW_FRM_FLE_H_

#include <cstdint>
#include <filesystem>
#include <string>

#include "core/conversion.h"
#include "core/recording_name.h"
#include "window/frm_fle_view.h"

namespace velbrix {

// Texts the window shows at run time.
inline constexpr char kIdleFileText[] = "File Opened - None";
inline constexpr char kOpenedFilePrefix[] = "File Opened - ";
inline constexpr char kTitleText[] = "ASCCII-DECIMAL FILECONVERTER";
inline constexpr char kLoadingText[] = "LOADING THE FILES....";
inline constexpr char kOpenFilter[] = "All Files (*.*)|*.*";
// The folder in the user's documents folder into which an installed copy writes.
inline constexpr char kInstalledOutputFolder[] = "Velbrix";

// The window state, as long-lived as the window.
struct FrmFleState {
  std::filesystem::path FlePath;  // the opened recording; set only by a successful open
  std::filesystem::path FleName;  // its file name, the part after the last separator
  std::string ChName;             // the selected channel; empty: nothing to convert
  std::string ChPos;              // its record position, "1" .. "32"
  bool AllCh = false;             // convert all 32 channels rather than ChName
  // The output folder, ending in a separator: the program's folder, or for an installed copy the
  // folder Velbrix in the user's documents folder, which is created when it is first needed.
  std::filesystem::path AppDir;
};

class FrmFle {
 public:
  // `view` must outlive the controller.
  explicit FrmFle(FrmFleView& view) : view_(view) {}
  FrmFle(const FrmFle&) = delete;
  FrmFle& operator=(const FrmFle&) = delete;

  // Event handlers.
  void Form_Load();
  void mnuopen_Click();
  void optch_Click(std::int16_t Index);
  void LstCh_Click();
  void CmdOk_Click();
  void CmdCancel_Click();
  void mnuedf_Click();     // File > Export EDF...
  void mnutraces_Click();  // File > View Traces
  void mnufolder_Click();  // File > Open Output Folder

  const FrmFleState& state() const { return state_; }

 private:
  void FillChList();
  void SetFleName(const std::filesystem::path& path);
  // A selection from code runs the control's click handler, as a user's click would.
  void SelectOptch(std::int16_t Index);
  void SelectLstCh(int index);
  void ReturnToIdle();
  // The trace window's recording and highlighted channel (none while "All" is chosen), and that
  // subject shown in the trace window if it is open.
  TraceSubject CurrentTraceSubject() const;
  void UpdateTraces();
  // Creates an installed copy's AppDir where it does not exist yet (a portable copy's is the
  // program's own folder). On failure, shows a message that names the folder and the system's
  // reason, and returns false.
  bool MakeAppDir();
  // Enables the File menu's items after Open as the state allows: Export EDF while a recording is
  // open, View Traces once one has been opened, Open Output Folder always.
  void UpdateMenuItems();

  FrmFleView& view_;
  FrmFleState state_;
  bool app_dir_in_documents_ = false;
  Converter converter_;
};

// The folder `folder` with a separator at its end, unless it ends in one already.
std::filesystem::path WithTrailingSeparator(const std::filesystem::path& folder);

// The part of `path` after its last separator ("/" on POSIX systems, "\" or "/" on Windows), or
// the whole path when it holds none.
std::filesystem::path FileNamePart(const std::filesystem::path& path);

}  // namespace velbrix

#endif  // VELBRIX_WINDOW_FRM_FLE_H_
