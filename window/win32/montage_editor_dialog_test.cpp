// The Montage Editor dialog driven through its controls.
#include "window/win32/montage_editor_dialog.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <commctrl.h>

#include <string>
#include <utility>
#include <vector>

#include "core/signal/montage.h"
#include "core/signal/montage_text.h"
#include "core/testing/test_support.h"
#include "window/montage/montage_library.h"
#include "window/win32/text.h"
#include "window/win32/window_test_support.h"

namespace velbrix::win32 {
namespace {

void CALLBACK GiveUp(HWND window, UINT, UINT_PTR, DWORD) {
  ::PostMessageW(window, WM_COMMAND, IDCANCEL, 0);
}

// The editor on the built-in bipolar montage, which saves into `folder`.
MontageEditorSubject BipolarSubject(const std::filesystem::path& folder) {
  const MontageKind kind = MontageKind::kBipolarLongitudinal;
  return {folder, MontageSourceOf(BuiltInMontage(kind)), {}, {std::string(MontageName(kind))}};
}

std::wstring ItemText(HWND dialog, int id) {
  return WindowText(::GetDlgItem(dialog, id));
}

std::wstring Cell(HWND dialog, int row, int column) {
  wchar_t text[128] = {};
  ListView_GetItemText(::GetDlgItem(dialog, kIdMontageRows), row, column, text, 128);
  return text;
}

TEST(MontageEditorDialogTest, ABadRowIsShownAndSaveWritesTheMontageOnceFixed) {
  velbrix::testing::TempDir dir;
  const MontageEditorSubject subject = BipolarSubject(dir.path());
  int rows = 0;
  std::wstring first, message, problem, fixed;
  const auto saved = ShowMontageEditorDialog(nullptr, subject, [&](HWND dialog) {
    ::SetTimer(dialog, 1, 10'000, GiveUp);
    rows = ListView_GetItemCount(::GetDlgItem(dialog, kIdMontageRows));
    first = ItemText(dialog, kIdMontageDerivation);
    ::SetDlgItemTextW(dialog, kIdMontageDerivation, L"FP1-Fx3");  // EN_CHANGE, as typed
    message = ItemText(dialog, kIdMontageMessage);
    problem = Cell(dialog, 0, kMontageProblemColumn);
    ::SetDlgItemTextW(dialog, kIdMontageDerivation, L"FP1-F7");
    fixed = ItemText(dialog, kIdMontageMessage);
    ::SetDlgItemTextW(dialog, kIdMontageName, L"My chains");
    ::PostMessageW(::GetDlgItem(dialog, IDOK), BM_CLICK, 0, 0);
  });
  EXPECT_EQ(rows, 28);
  EXPECT_EQ(first, L"FP1-F7");
  EXPECT_EQ(message, L"Row 1: \"Fx3\" is not a channel");
  EXPECT_EQ(problem, L"\"Fx3\" is not a channel");
  EXPECT_EQ(fixed, L"");
  ASSERT_TRUE(saved.has_value());
  EXPECT_EQ(*saved, MontageFileOf(dir.path(), "My chains"));
  ASSERT_TRUE(std::filesystem::exists(*saved));
  std::vector<MontageProblem> problems;
  std::vector<std::size_t> numbers;
  const MontageSource written =
      ParseMontageText(velbrix::testing::ReadFile(*saved), "", &problems, &numbers);
  EXPECT_EQ(written, (MontageSource{"My chains", subject.start.lines}));
}

TEST(MontageEditorDialogTest, AChosenRowFillsTheFieldsMovesAndEscapeSavesNothing) {
  velbrix::testing::TempDir dir;
  const MontageEditorSubject subject = BipolarSubject(dir.path());
  std::wstring chosen, moved;
  const auto saved = ShowMontageEditorDialog(nullptr, subject, [&](HWND dialog) {
    ::SetTimer(dialog, 1, 10'000, GiveUp);
    const HWND list = ::GetDlgItem(dialog, kIdMontageRows);
    ListView_SetItemState(list, 2, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    chosen = ItemText(dialog, kIdMontageDerivation);
    ::SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(kIdMontageUp, BN_CLICKED), 0);
    moved = Cell(dialog, 1, 0);
    win32::testing::PostKeyPress(dialog, VK_ESCAPE);
  });
  EXPECT_EQ(chosen, Widen(subject.start.lines[2].derivation));
  EXPECT_EQ(moved, chosen);
  EXPECT_FALSE(saved.has_value());
  EXPECT_TRUE(velbrix::testing::ListFolder(dir.path()).empty());
}

TEST(MontageEditorDialogTest, EachLabelsAccessKeyReachesItsField) {
  velbrix::testing::TempDir dir;
  const std::pair<const char*, int> fields[] = {{kMontageNameLabel, kIdMontageName},
                                                {kMontageRowsLabel, kIdMontageRows},
                                                {kMontageDerivationLabel, kIdMontageDerivation},
                                                {kMontageLabelLabel, kIdMontageLabel},
                                                {kMontageFactorLabel, kIdMontageFactor}};
  std::vector<std::string> wrong;
  ShowMontageEditorDialog(nullptr, BipolarSubject(dir.path()), [&](HWND dialog) {
    for (const auto& [label, id] : fields) {
      // The dialog moves an access key on a label to the next control that takes the Tab key.
      HWND child = ::GetWindow(dialog, GW_CHILD);
      while (child != nullptr && WindowText(child) != Widen(label)) {
        child = ::GetWindow(child, GW_HWNDNEXT);
      }
      const HWND field = ::GetDlgItem(dialog, id);
      if (child == nullptr || ::GetNextDlgTabItem(dialog, child, FALSE) != field ||
          (::GetWindowLongW(field, GWL_STYLE) & WS_TABSTOP) == 0) {
        wrong.push_back(label);
      }
    }
    ::PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
  });
  EXPECT_TRUE(wrong.empty()) << wrong.front();
}

}  // namespace
}  // namespace velbrix::win32
