// Tests of the system desktop's open dialog, message box and program folder under the real system:
// a helper thread finds the modal dialog of the window's thread and answers it as a user would. A
// run saves a screenshot of the Export EDF dialog beside the test program (velbrix_edf.bmp).
#include "window/win32/system_desktop.h"

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <thread>

#include "core/test_support.h"
#include "window/frm_fle.h"
#include "window/win32/text.h"
#include "window/win32/window_test_support.h"

namespace velbrix::win32 {
namespace {

using testing::SaveScreenshot;

// For EnumThreadWindows: keeps the first visible dialog box in the HWND at `result`. A function
// of the system's calling convention (CALLBACK), which a lambda has only on 64-bit Windows.
BOOL CALLBACK KeepVisibleDialog(HWND hwnd, LPARAM result) {
  wchar_t name[16] = {};
  ::GetClassNameW(hwnd, name, 16);
  if (std::wstring(name) == L"#32770" && ::IsWindowVisible(hwnd)) {
    *reinterpret_cast<HWND*>(result) = hwnd;
    return FALSE;
  }
  return TRUE;
}

// For EnumChildWindows: keeps the icon of the first static control that shows one in the HICON at
// `result`.
BOOL CALLBACK KeepStaticIcon(HWND child, LPARAM result) {
  if ((::GetWindowLongW(child, GWL_STYLE) & SS_TYPEMASK) != SS_ICON) {
    return TRUE;
  }
  *reinterpret_cast<HICON*>(result) =
      reinterpret_cast<HICON>(::SendMessageW(child, STM_GETICON, 0, 0));
  return FALSE;
}

// The first visible dialog box of thread `thread`, waiting up to ten seconds for it.
HWND FindDialogOf(DWORD thread) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (std::chrono::steady_clock::now() < deadline) {
    HWND found = nullptr;
    ::EnumThreadWindows(thread, KeepVisibleDialog, reinterpret_cast<LPARAM>(&found));
    if (found != nullptr) {
      return found;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return nullptr;
}

// Runs `user` on a helper thread with the dialog that the calling thread shows next, while the
// calling thread runs `show`. `user` must close the dialog.
void AnswerDialog(const std::function<void()>& show, const std::function<void(HWND)>& user) {
  const DWORD thread = ::GetCurrentThreadId();
  std::thread helper([&] {
    HWND dialog = FindDialogOf(thread);
    if (dialog != nullptr) {
      user(dialog);
    }
  });
  show();
  helper.join();
}

// The icon that dialog `box` shows.
HICON IconOf(HWND box) {
  HICON icon = nullptr;
  ::EnumChildWindows(box, KeepStaticIcon, reinterpret_cast<LPARAM>(&icon));
  return icon;
}

class OwnerWindow {
 public:
  OwnerWindow()
      : hwnd_(::CreateWindowExW(0, L"STATIC", L"owner", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 200,
                                100, nullptr, nullptr, nullptr, nullptr)) {}
  ~OwnerWindow() { ::DestroyWindow(hwnd_); }
  OwnerWindow(const OwnerWindow&) = delete;
  OwnerWindow& operator=(const OwnerWindow&) = delete;
  HWND get() const { return hwnd_; }

 private:
  HWND hwnd_;
};

TEST(SystemDesktopTest, MessageBoxShowsTheTextUnderTheProgramsTitle) {
  OwnerWindow owner;
  SystemDesktop desktop;
  desktop.SetOwner(owner.get());
  for (auto [icon, system_icon] : {std::pair(MessageIcon::kInformation, IDI_INFORMATION),
                                   std::pair(MessageIcon::kWarning, IDI_WARNING)}) {
    std::wstring caption, text;
    HICON shown = nullptr;
    bool has_cancel = true;
    AnswerDialog([&] { desktop.ShowMessage("Not a Valid EEG file", icon); },
                 [&](HWND box) {
                   caption = WindowText(box);
                   text = WindowText(::GetDlgItem(box, 0xFFFF));  // the message's static
                   shown = IconOf(box);
                   has_cancel = ::GetDlgItem(box, IDCANCEL) != nullptr &&
                                ::IsWindowVisible(::GetDlgItem(box, IDCANCEL));
                   ::PostMessageW(box, WM_COMMAND, IDOK, 0);
                 });
    EXPECT_EQ(caption, L"Velbrix");
    EXPECT_EQ(text, L"Not a Valid EEG file");
    EXPECT_EQ(shown, ::LoadIconW(nullptr, system_icon));
    EXPECT_FALSE(has_cancel);
  }
}

TEST(SystemDesktopTest, OpenDialogReturnsTheChosenPathOrNothing) {
  velbrix::testing::TempDir folder;
  const std::filesystem::path chosen = folder /
                                       "Gr\xC3\xB6\xC3\x9F"
                                       "e_eeg";
  velbrix::testing::WriteFile(chosen, "x");
  OwnerWindow owner;
  SystemDesktop desktop;
  desktop.SetOwner(owner.get());

  std::optional<std::filesystem::path> answer;
  std::wstring first_filter;
  AnswerDialog([&] { answer = desktop.ChooseFileToOpen(kOpenFilters); },
               [&](HWND dialog) {
                 wchar_t entry[64] = {};
                 ::SendDlgItemMessageW(dialog, 0x470, CB_GETLBTEXT, 0,  // the file types
                                       reinterpret_cast<LPARAM>(entry));
                 first_filter = entry;
                 ::SetDlgItemTextW(dialog, 0x47C, chosen.c_str());  // the file name
                 ::PostMessageW(dialog, WM_COMMAND, IDOK, 0);
               });
  EXPECT_EQ(first_filter, L"All Files (*.*)");
  ASSERT_TRUE(answer.has_value());
  EXPECT_TRUE(std::filesystem::equivalent(*answer, chosen)) << answer->u8string().size();

  AnswerDialog([&] { answer = desktop.ChooseFileToOpen(kOpenFilters); },
               [](HWND dialog) { ::PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0); });
  EXPECT_FALSE(answer.has_value());
}

TEST(SystemDesktopTest, QuestionHasYesAndNo) {
  OwnerWindow owner;
  SystemDesktop desktop;
  desktop.SetOwner(owner.get());
  for (const int button : {IDYES, IDNO}) {
    bool answer = button != IDYES;
    std::wstring caption, text;
    bool has_both = false;
    AnswerDialog([&] { answer = desktop.AskYesNo("Stop?"); },
                 [&](HWND box) {
                   caption = WindowText(box);
                   text = WindowText(::GetDlgItem(box, 0xFFFF));
                   has_both =
                       ::GetDlgItem(box, IDYES) != nullptr && ::GetDlgItem(box, IDNO) != nullptr;
                   ::PostMessageW(box, WM_COMMAND, static_cast<WPARAM>(button), 0);
                 });
    EXPECT_EQ(caption, L"Velbrix");
    EXPECT_EQ(text, L"Stop?");
    EXPECT_TRUE(has_both);
    EXPECT_EQ(answer, button == IDYES);
  }
}

TEST(SystemDesktopTest, OpenDialogFilterEndsEachPartAndTheWholeInNul) {
  const std::wstring expected(L"All Files (*.*)\0*.*\0\0", 21);
  EXPECT_EQ(OpenDialogFilter(kOpenFilters), expected);
  EXPECT_EQ(OpenDialogFilter({{"A", "*.a"}, {"B", "*.b"}}),
            std::wstring(L"A (*.a)\0*.a\0B (*.b)\0*.b\0\0", 25));
}

TEST(SystemDesktopTest, ProgramFolderHoldsTheProgram) {
  const std::filesystem::path folder = SystemDesktop().ProgramFolder();
  EXPECT_TRUE(std::filesystem::exists(folder / "velbrix_win32_test.exe")) << folder;
  EXPECT_EQ(ModulePath(nullptr).parent_path(), folder);
}

TEST(SystemDesktopTest, AnInstalledCopyHasTheUninstallerBesideIt) {
  velbrix::testing::TempDir folder;
  EXPECT_FALSE(HasUninstaller(folder.path()));
  velbrix::testing::WriteFile(folder / "uninstall.exe", "MZ");
  EXPECT_TRUE(HasUninstaller(folder.path()));
  SystemDesktop system;
  EXPECT_FALSE(system.IsInstalledCopy());  // a build's folder
  const std::filesystem::path documents = system.DocumentsFolder();
  EXPECT_TRUE(std::filesystem::is_directory(documents)) << documents;
}

}  // namespace
}  // namespace velbrix::win32
