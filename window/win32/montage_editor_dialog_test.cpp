// The Montage Editor dialog driven through its controls and keys.
#include "window/win32/montage_editor_dialog.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "core/signal/montage_text.h"
#include "core/testing/test_support.h"
#include "window/win32/system_desktop.h"
#include "window/win32/text.h"
#include "window/win32/window_test_support.h"

namespace velbrix::win32 {
namespace {

void CALLBACK GiveUp(HWND window, UINT, UINT_PTR, DWORD) {
  ::PostMessageW(window, WM_COMMAND, IDCANCEL, 0);
}

// Saves a picture of the dialog as drawn beside the test, then presses Save (Enter).
void CALLBACK PictureAndSave(HWND dialog, UINT, UINT_PTR timer, DWORD) {
  ::KillTimer(dialog, timer);
  win32::testing::SaveScreenshot(dialog,
                                 ModulePath(nullptr).parent_path() / "velbrix_montage_editor.bmp");
  win32::testing::PostKeyPress(dialog, VK_RETURN);
}

std::wstring ListRow(HWND dialog, int row) {
  const HWND list = ::GetDlgItem(dialog, kIdMontageRows);
  const LRESULT length = ::SendMessageW(list, LB_GETTEXTLEN, static_cast<WPARAM>(row), 0);
  std::wstring text(static_cast<std::size_t>(length < 0 ? 0 : length) + 1, L'\0');
  ::SendMessageW(list, LB_GETTEXT, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(text.data()));
  text.resize(static_cast<std::size_t>(length < 0 ? 0 : length));
  return text;
}

// From the bipolar montage: a bad derivation is said with its row while the dialog stays, the
// keys reach the fields, and Save writes the montage into the montage folder.
TEST(MontageEditorDialogTest, EditAndSaveFromTheBipolarMontage) {
  velbrix::testing::TempDir dir;
  MontageEditorSubject subject{dir / "montages",
                               MontageSourceOf(BuiltInMontage(MontageKind::kBipolarLongitudinal)),
                               {},
                               {"Bipolar longitudinal"}};
  int rows = 0;
  std::wstring first, bad_message, bad_row, refused;
  const auto saved = ShowMontageEditorDialog(nullptr, subject, [&](HWND dialog) {
    ::SetTimer(dialog, 1, 10'000, GiveUp);  // a failing test's dialog is cancelled
    rows = static_cast<int>(::SendDlgItemMessageW(dialog, kIdMontageRows, LB_GETCOUNT, 0, 0));
    first = WindowText(::GetDlgItem(dialog, kIdMontageDerivation));
    ::SetDlgItemTextW(dialog, kIdMontageDerivation, L"FP1-Fx3");  // EN_CHANGE
    bad_message = WindowText(::GetDlgItem(dialog, kIdMontageMessage));
    bad_row = ListRow(dialog, 0);
    ::SetDlgItemTextW(dialog, kIdMontageName, L"Ears first");
    ::SendMessageW(dialog, WM_COMMAND, IDOK, 0);  // refused: stays open
    refused = WindowText(::GetDlgItem(dialog, kIdMontageMessage));
    ::SetDlgItemTextW(dialog, kIdMontageDerivation, L"FP1-(A1+A2)/2");
    ::SendMessageW(dialog, WM_COMMAND, kIdMontageShown, 0);
    ::SetTimer(dialog, 2, 200, PictureAndSave);  // once the dialog is drawn
  });
  EXPECT_EQ(rows, 28);
  EXPECT_EQ(Narrow(first), "FP1-F7");
  EXPECT_EQ(Narrow(bad_message), "Row 1: \"Fx3\" is not a channel");
  EXPECT_EQ(Narrow(bad_row), "FP1-Fx3\t\t1\tYes\t\"Fx3\" is not a channel");
  EXPECT_EQ(Narrow(refused), "Row 1: \"Fx3\" is not a channel");
  ASSERT_TRUE(saved.has_value());
  EXPECT_EQ(*saved, dir / "montages" / "Ears first.montage");
  const std::string text = velbrix::testing::ReadFile(*saved);
  EXPECT_NE(text.find("\nFP1-(A1+A2)/2; hidden\nF7-T3\n"), std::string::npos) << text;
}

}  // namespace
}  // namespace velbrix::win32
