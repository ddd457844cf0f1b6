// The Import Events and Detect Events dialogs driven through their controls and keys.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "core/base/channel_table.h"
#include "core/testing/test_support.h"
#include "window/win32/detect_events_dialog.h"
#include "window/win32/import_events_dialog.h"
#include "window/win32/window_test_support.h"

namespace velbrix::win32 {
namespace {

constexpr UINT_PTR kGiveUpTimer = 1;
constexpr UINT_PTR kReviewTimer = 2;

void CALLBACK GiveUp(HWND window, UINT, UINT_PTR, DWORD) {
  ::PostMessageW(window, WM_COMMAND, IDCANCEL, 0);
}

// A dialog that a failing test leaves open is cancelled after a few seconds.
void GiveUpLater(HWND dialog) { ::SetTimer(dialog, kGiveUpTimer, 10'000, GiveUp); }

// Once the three events are found: removes the second with Delete, then Add with Enter.
void CALLBACK Review(HWND window, UINT, UINT_PTR, DWORD) {
  if (::SendDlgItemMessageW(window, kIdDetectFound, LB_GETCOUNT, 0, 0) != 3) return;
  ::KillTimer(window, kReviewTimer);
  ::SendDlgItemMessageW(window, kIdDetectFound, LB_SETCURSEL, 1, 0);
  win32::testing::PostKeyPress(window, VK_DELETE);
  win32::testing::PostKeyPress(window, VK_RETURN);  // Add
}

void Type(HWND dialog, int id, const wchar_t* text) {
  ::SetDlgItemTextW(dialog, id, text);
  ::SendDlgItemMessageW(dialog, id, EM_SETMODIFY, TRUE, 0);
}

TEST(EventsDialogsTest, ImportALabsTableTypedAndEnter) {
  velbrix::testing::TempDir dir;
  velbrix::testing::WriteFile(dir / "lab.csv", "when,what\n10,go\n20,stop\n");
  const std::wstring file = (dir / "lab.csv").wstring();
  const auto events = ShowImportEventsDialog(
      nullptr, {dir / "rec.eeg", 100, std::nullopt, "."}, [&file](HWND dialog) {
        GiveUpLater(dialog);
        Type(dialog, kIdImportFile, file.c_str());
        ::SetFocus(::GetDlgItem(dialog, kIdImportLab));  // reads the header's columns
        ::CheckRadioButton(dialog, kIdImportHeader, kIdImportLab, kIdImportLab);
        ::CheckRadioButton(dialog, kIdImportSeconds, kIdImportRecords, kIdImportRecords);
        ::SendDlgItemMessageW(dialog, kIdImportLabel, CB_SETCURSEL, 2, 0);  // "", when, what
        win32::testing::PostKeyPress(dialog, VK_RETURN);
      });
  ASSERT_TRUE(events.has_value());
  EXPECT_EQ(*events, (std::vector<Event>{{10, 0, "go"}, {20, 0, "stop"}}));
}

TEST(EventsDialogsTest, ABadTableStaysOpenAndEscapeImportsNothing) {
  velbrix::testing::TempDir dir;
  velbrix::testing::WriteFile(dir / "bad.tsv", "onset\tduration\n1\t0\nx\t0\n");
  std::wstring shown;
  const std::wstring file = (dir / "bad.tsv").wstring();
  const auto events = ShowImportEventsDialog(
      nullptr, {dir / "rec.eeg", 1000, Hertz{"100", 100}, "."}, [&](HWND dialog) {
        GiveUpLater(dialog);
        Type(dialog, kIdImportFile, file.c_str());
        ::SendMessageW(dialog, WM_COMMAND, IDOK, 0);  // stays open
        shown = WindowText(::GetDlgItem(dialog, kIdImportMessage));
        win32::testing::PostKeyPress(dialog, VK_ESCAPE);
      });
  EXPECT_FALSE(events.has_value());
  EXPECT_NE(shown.find(L"line 3"), std::wstring::npos) << Narrow(shown);
}

TEST(EventsDialogsTest, DetectRemoveOneAndAdd) {
  velbrix::testing::TempDir dir;
  // Fz (position 10) crosses 50 uV upwards at records 1, 5 and 7.
  const std::vector<std::uint8_t> fz = {127, 141, 141, 127, 127, 150, 100, 141, 255, 0};
  std::string bytes = velbrix::testing::MakeRecording(fz.size() * kRecordSize);
  for (std::size_t i = 0; i < fz.size(); ++i) {
    bytes[i * kRecordSize + 9] = static_cast<char>(fz[i]);
  }
  velbrix::testing::WriteFile(dir / "rec.eeg", bytes);
  std::vector<std::string> channels;
  for (const Channel& c : ChTable) channels.emplace_back(c.name);
  const auto events = ShowDetectEventsDialog(
      nullptr, {dir / "rec.eeg", 10, std::nullopt, "."}, channels, [](HWND dialog) {
        GiveUpLater(dialog);
        ::SendDlgItemMessageW(dialog, kIdDetectChannel, CB_SETCURSEL, 9, 0);
        Type(dialog, kIdDetectLevel, L"50");
        Type(dialog, kIdDetectLabel, L"up");
        win32::testing::PostKeyPress(dialog, VK_RETURN);  // Detect
        ::SetTimer(dialog, kReviewTimer, 50, Review);
      });
  ASSERT_TRUE(events.has_value());
  EXPECT_EQ(*events, (std::vector<Event>{{1, 0, "up"}, {7, 0, "up"}}));
}

TEST(EventsDialogsTest, CancelReturnsNothing) {
  velbrix::testing::TempDir dir;
  const auto events = ShowDetectEventsDialog(
      nullptr, {dir / "rec.eeg", 10, std::nullopt, "."}, {"FP2", "DC1"}, [](HWND dialog) {
        GiveUpLater(dialog);
        win32::testing::PostKeyPress(dialog, VK_ESCAPE);
      });
  EXPECT_FALSE(events.has_value());
}

}  // namespace
}  // namespace velbrix::win32
