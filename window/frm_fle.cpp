// The handlers of the converter window.
#include "window/frm_fle.h"

#include <exception>
#include <system_error>

#include "core/channel_table.h"
#include "core/value_line.h"

namespace velbrix {
namespace {

bool IsSeparator(std::filesystem::path::value_type c) {
#ifdef _WIN32
  return c == L'\\' || c == L'/';
#else
  return c == '/';
#endif
}

}  // namespace

std::filesystem::path WithTrailingSeparator(const std::filesystem::path& folder) {
  const auto& text = folder.native();
  if (text.empty() || IsSeparator(text.back())) {
    return folder;
  }
  auto with = text;
  with += std::filesystem::path::preferred_separator;
  return std::filesystem::path(with);
}

std::filesystem::path FileNamePart(const std::filesystem::path& path) {
  const auto& text = path.native();
  for (auto i = text.size(); i > 0; --i) {
    if (IsSeparator(text[i - 1])) {
      return std::filesystem::path(text.substr(i));
    }
  }
  return path;
}

void FrmFle::Form_Load() {
  view_.BringToTop();
  FillChList();
  // A portable copy writes beside itself, as the program always has; an installed copy's folder
  // is the system's, no place for a user's files.
  const std::filesystem::path documents =
      view_.IsInstalledCopy() ? view_.DocumentsFolder() : std::filesystem::path();
  app_dir_in_documents_ = !documents.empty();
  state_.AppDir = WithTrailingSeparator(app_dir_in_documents_ ? documents / kInstalledOutputFolder
                                                              : view_.ProgramFolder());
  UpdateMenuItems();
}

void FrmFle::FillChList() {
  for (int i = 0; i < static_cast<int>(kChannelCount); ++i) {
    view_.AppendLstCh(std::string(ChannelAtListIndex(i).name));
  }
}

void FrmFle::mnuopen_Click() {
  try {
    view_.SetCdbFilter(kOpenFilter);
    const std::optional<std::filesystem::path> chosen = view_.ShowCdbOpen();
    if (!chosen) {
      return;  // closed without a choice
    }
    if (!HasRecordingName(*chosen)) {
      view_.ShowMessage(kNotValidText, MessageIcon::kInformation);
      return;
    }
    state_.FlePath = *chosen;
    SetFleName(*chosen);
    view_.SetLblFileCaption(kOpenedFilePrefix + PathForDisplay(state_.FleName));
    view_.ShowFraCh(true);
    SelectOptch(0);
    SelectLstCh(0);
    UpdateMenuItems();
    UpdateTraces();
  } catch (const std::exception&) {
    // A name the system cannot represent, say: the command ends quietly, as it always has.
  }
}

void FrmFle::SetFleName(const std::filesystem::path& path) {
  state_.FleName = FileNamePart(path);
}

void FrmFle::optch_Click(std::int16_t Index) {
  state_.AllCh = Index != 0;
  view_.EnableLstCh(!state_.AllCh);
  UpdateTraces();
}

void FrmFle::LstCh_Click() {
  state_.ChName = view_.LstChText();
  if (const std::optional<int> position = FindChannelPosition(state_.ChName)) {
    state_.ChPos = std::to_string(*position);
  }
  UpdateTraces();
}

void FrmFle::CmdOk_Click() {
  if (state_.ChName.empty()) {
    return;
  }
  view_.ShowFraCh(false);
  view_.SetLabel1Caption(kLoadingText);
  view_.EnableMnuFile(false);
  if (!MakeAppDir()) {
    ReturnToIdle();
    return;
  }

  std::string separator = view_.DecimalSeparator();
  if (!ValueLineTable::Check(separator).ok()) {
    separator = ".";
  }
  const ConversionInputs inputs{state_.FlePath, state_.AppDir, state_.FleName, state_.AllCh,
                                state_.ChName,  state_.ChPos,  separator};
  ConversionReport report;
  const Status status = converter_.RunConversion(inputs, &report);
  if (!status.ok()) {
    view_.ShowMessage(status.message(), MessageIcon::kWarning);
    ReturnToIdle();
    return;
  }
  ReturnToIdle();
  if (report.bytes_left_out > 0) {
    std::string text = LeftOutDescription(state_.FlePath, report.bytes_left_out) + ".";
    text[0] = 'T';
    view_.ShowMessage(text, MessageIcon::kInformation);
  }
}

void FrmFle::CmdCancel_Click() {
  view_.ShowFraCh(false);
  view_.SetLblFileCaption(kIdleFileText);
  view_.SetLabel1Caption(kTitleText);
  state_.ChName.clear();
  UpdateMenuItems();
  UpdateTraces();
}

void FrmFle::mnuedf_Click() {}

void FrmFle::mnutraces_Click() {
  if (!state_.FlePath.empty()) {
    view_.ShowTraceWindow(CurrentTraceSubject());
  }
}

void FrmFle::mnufolder_Click() {
  if (MakeAppDir() && !view_.ShowFolder(state_.AppDir)) {
    view_.ShowMessage(
        "No file manager could show the output folder " + PathForDisplay(state_.AppDir) + ".",
        MessageIcon::kInformation);
  }
}

bool FrmFle::MakeAppDir() {
  if (!app_dir_in_documents_) {
    return true;
  }
  std::error_code error;
  std::filesystem::create_directories(state_.AppDir, error);
  if (error) {
    view_.ShowMessage(
        Status::IoError("Cannot create the folder", state_.AppDir, error.message()).message(),
        MessageIcon::kWarning);
    return false;
  }
  return true;
}

void FrmFle::ReturnToIdle() {
  view_.EnableMnuFile(true);
  view_.SetLabel1Caption(kTitleText);
  view_.SetLblFileCaption(kIdleFileText);
  state_.ChName.clear();
  UpdateMenuItems();
  UpdateTraces();
}

TraceSubject FrmFle::CurrentTraceSubject() const {
  return {state_.FlePath, state_.FleName, state_.AllCh ? std::string() : state_.ChName};
}

void FrmFle::UpdateTraces() {
  if (!state_.FlePath.empty()) {
    view_.UpdateTraceWindow(CurrentTraceSubject());
  }
}

void FrmFle::UpdateMenuItems() {
  view_.EnableMenuItem(MenuItem::kExportEdf, !state_.ChName.empty());
  view_.EnableMenuItem(MenuItem::kViewTraces, !state_.FlePath.empty());
  view_.EnableMenuItem(MenuItem::kOpenOutputFolder, true);
}

void FrmFle::SelectOptch(std::int16_t Index) {
  view_.SelectOptch(Index);
  optch_Click(Index);
}

void FrmFle::SelectLstCh(int index) {
  view_.SelectLstCh(index);
  LstCh_Click();
}

}  // namespace velbrix
