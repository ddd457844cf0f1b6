// Tests of the system desktop's dialogs, message boxes, remembered entries and program folder under
// the real system: a helper thread finds the modal dialog of the window's thread and answers it as
// a user would. A run saves a screenshot of the Export dialog, filled in for a BIDS dataset, beside
// the test program (velbrix_export.bmp).
#include "window/win32/system_desktop.h"

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "core/testing/test_support.h"
#include "window/converter/frm_fle.h"
#include "window/win32/export_dialog.h"
#include "window/win32/text.h"
#include "window/win32/window_test_support.h"

namespace velbrix::win32 {
namespace {

using testing::DeleteTestSettings;
using testing::kTestSettingsFolder;
using testing::SaveScreenshot;
using velbrix::testing::Utf8Path;

// What FindDialogOf looks for among a thread's windows.
struct DialogSearch {
  HWND owner = nullptr;  // nullptr: any
  HWND found = nullptr;
};

// For EnumThreadWindows: keeps the first visible dialog box of the DialogSearch at `search`'s
// owner. A function of the system's calling convention (CALLBACK), which a lambda has only on
// 64-bit Windows.
BOOL CALLBACK KeepVisibleDialog(HWND hwnd, LPARAM search) {
  auto* wanted = reinterpret_cast<DialogSearch*>(search);
  wchar_t name[16] = {};
  ::GetClassNameW(hwnd, name, 16);
  if (std::wstring(name) == L"#32770" && ::IsWindowVisible(hwnd) &&
      (wanted->owner == nullptr || ::GetWindow(hwnd, GW_OWNER) == wanted->owner)) {
    wanted->found = hwnd;
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

// The first visible dialog box of thread `thread` owned by `owner` (any owner when nullptr),
// waiting up to ten seconds for it.
HWND FindDialogOf(DWORD thread, HWND owner = nullptr) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (std::chrono::steady_clock::now() < deadline) {
    DialogSearch search{owner};
    ::EnumThreadWindows(thread, KeepVisibleDialog, reinterpret_cast<LPARAM>(&search));
    if (search.found != nullptr) {
      return search.found;
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

// Whether the BIDS fields, their labels and Browse are enabled: all of them, none, or a mix.
enum class Enabled { kAll, kNone, kMixed };
Enabled BidsFieldsEnabled(HWND dialog) {
  int enabled = 0;
  int count = 0;
  const auto count_control = [&](int id) {
    enabled += ::IsWindowEnabled(::GetDlgItem(dialog, id)) ? 1 : 0;
    ++count;
  };
  for (const ExportFieldInfo& info : kExportFields) {
    if (info.bids) {
      count_control(ExportLabelId(info.field));
      count_control(ExportEditId(info.field));
    }
  }
  count_control(kIdExportBrowse);
  return enabled == count ? Enabled::kAll : enabled == 0 ? Enabled::kNone : Enabled::kMixed;
}

TEST(SystemDesktopTest, ExportDialogReturnsWhatWasTypedWithTheBidsFieldsForBidsOnly) {
  OwnerWindow owner;
  SystemDesktop desktop;
  desktop.SetOwner(owner.get());
  ExportSettings typed;
  typed.target = ExportFormat::kBidsBrainVision;
  for (const ExportFieldInfo& info : kExportFields) {
    typed[info.field] = std::string(" ") + info.key + " ";  // as typed, spaces and all
  }
  typed[ExportField::kAuthors] = "J. M\xC3\xBCller; B. Jones";

  std::optional<ExportSettings> answer;
  std::wstring caption, rate;
  std::vector<std::wstring> formats;
  LRESULT format_at_opening = -1;
  DWORD rate_selection = 0;
  bool rate_focused = false;
  Enabled for_edf = Enabled::kMixed, for_bids = Enabled::kMixed;
  AnswerDialog(
      [&] { answer = desktop.AskExportSettings(ExportSettings{}); },
      [&](HWND dialog) {
        caption = WindowText(dialog);
        HWND format = ::GetDlgItem(dialog, kIdExportFormat);
        const auto count = ::SendMessageW(format, CB_GETCOUNT, 0, 0);
        for (LRESULT i = 0; i < count; ++i) {
          wchar_t entry[64] = {};
          ::SendMessageW(format, CB_GETLBTEXT, static_cast<WPARAM>(i),
                         reinterpret_cast<LPARAM>(entry));
          formats.push_back(entry);
        }
        format_at_opening = ::SendMessageW(format, CB_GETCURSEL, 0, 0);
        HWND rate_edit = ::GetDlgItem(dialog, ExportEditId(ExportField::kSampleRate));
        rate = WindowText(rate_edit);
        rate_selection = static_cast<DWORD>(::SendMessageW(rate_edit, EM_GETSEL, 0, 0));
        GUITHREADINFO gui{};
        gui.cbSize = sizeof(gui);
        rate_focused = ::GetGUIThreadInfo(::GetWindowThreadProcessId(dialog, nullptr), &gui) &&
                       gui.hwndFocus == rate_edit;
        for_edf = BidsFieldsEnabled(dialog);
        // As the list does when the user picks the last format.
        ::SendMessageW(format, CB_SETCURSEL, 3, 0);
        ::SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(kIdExportFormat, CBN_SELCHANGE),
                       reinterpret_cast<LPARAM>(format));
        for_bids = BidsFieldsEnabled(dialog);
        for (const ExportFieldInfo& info : kExportFields) {
          ::SetDlgItemTextW(dialog, ExportEditId(info.field), Widen(typed[info.field]).c_str());
        }
        ::RedrawWindow(dialog, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
        SaveScreenshot(dialog, ModulePath(nullptr).parent_path() / "velbrix_export.bmp");
        ::PostMessageW(dialog, WM_COMMAND, IDOK, 0);
      });
  EXPECT_EQ(caption, L"Export");
  std::vector<std::wstring> labels;
  for (const ExportFormatInfo& info : kExportFormats) {
    labels.push_back(Widen(info.label));
  }
  EXPECT_EQ(formats, labels);
  EXPECT_EQ(format_at_opening, 0);
  EXPECT_EQ(rate, L"256");
  EXPECT_EQ(rate_selection, MAKELONG(0, 3));
  EXPECT_TRUE(rate_focused);
  EXPECT_EQ(for_edf, Enabled::kNone);
  EXPECT_EQ(for_bids, Enabled::kAll);
  EXPECT_EQ(answer, typed);

  // Filled in with what it is given; cancelled.
  AnswerDialog([&] { answer = desktop.AskExportSettings(typed); },
               [&](HWND dialog) {
                 format_at_opening =
                     ::SendDlgItemMessageW(dialog, kIdExportFormat, CB_GETCURSEL, 0, 0);
                 rate = WindowText(::GetDlgItem(dialog, ExportEditId(ExportField::kSampleRate)));
                 for_bids = BidsFieldsEnabled(dialog);
                 ::PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
               });
  EXPECT_EQ(format_at_opening, 3);
  EXPECT_EQ(rate, L" sample_rate ");
  EXPECT_EQ(for_bids, Enabled::kAll);
  EXPECT_FALSE(answer.has_value());
}

// For EnumChildWindows: keeps the first visible edit control in the HWND at `result`.
BOOL CALLBACK KeepVisibleEdit(HWND child, LPARAM result) {
  wchar_t name[16] = {};
  ::GetClassNameW(child, name, 16);
  if (std::wstring(name) == L"Edit" && ::IsWindowVisible(child)) {
    *reinterpret_cast<HWND*>(result) = child;
    return FALSE;
  }
  return TRUE;
}

TEST(SystemDesktopTest, BrowseChoosesTheDatasetFolderStartingInTheTypedOne) {
  velbrix::testing::TempDir folder;
  std::filesystem::create_directory(folder / "study");
  OwnerWindow owner;
  SystemDesktop desktop;
  desktop.SetOwner(owner.get());
  ExportSettings settings;
  settings.target = ExportFormat::kBidsEdf;
  settings[ExportField::kBidsRoot] = Narrow(folder.path().wstring());
  std::optional<ExportSettings> answer;
  std::wstring title;
  AnswerDialog([&] { answer = desktop.AskExportSettings(settings); },
               [&](HWND dialog) {
                 ::PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(kIdExportBrowse, BN_CLICKED), 0);
                 HWND chooser = FindDialogOf(::GetWindowThreadProcessId(dialog, nullptr), dialog);
                 if (chooser != nullptr) {
                   title = WindowText(chooser);
                   // A name in the folder that the dialog shows: the typed one.
                   HWND name = nullptr;
                   ::EnumChildWindows(chooser, KeepVisibleEdit, reinterpret_cast<LPARAM>(&name));
                   ::SendMessageW(name, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"study"));
                   ::PostMessageW(chooser, WM_COMMAND, IDOK, 0);
                   for (int i = 0; i < 250 && ::IsWindow(chooser); ++i) {
                     std::this_thread::sleep_for(std::chrono::milliseconds(20));
                   }
                   ::PostMessageW(chooser, WM_COMMAND, IDCANCEL, 0);  // if it is still there
                 }
                 ::PostMessageW(dialog, WM_COMMAND, IDOK, 0);
               });
  EXPECT_EQ(title, Widen(kExportBrowseTitle));
  ASSERT_TRUE(answer.has_value());
  const std::filesystem::path chosen = Utf8Path((*answer)[ExportField::kBidsRoot]);
  std::error_code error;
  EXPECT_TRUE(std::filesystem::equivalent(chosen, folder / "study", error)) << chosen;
}

TEST(SystemDesktopTest, EntriesSavedAreLoadedAfterARestart) {
  const std::wstring key = std::wstring(kTestSettingsFolder) + L"\\Desktop";
  DeleteTestSettings(key);
  EXPECT_FALSE(SystemDesktop(key).LoadExportSettings().has_value());  // never saved
  ExportSettings entries;
  entries.target = ExportFormat::kBidsBrainVision;
  entries[ExportField::kSampleRate] = "";
  entries[ExportField::kAuthors] = "J. M\xC3\xBCller";
  entries[ExportField::kLicense] = std::string(300, 'x');
  SystemDesktop(key).SaveExportSettings(entries);
  EXPECT_EQ(SystemDesktop(key).LoadExportSettings(), entries);
  entries.target = ExportFormat::kEdf;
  entries[ExportField::kSampleRate] = "500";
  SystemDesktop(key).SaveExportSettings(entries);
  EXPECT_EQ(SystemDesktop(key).LoadExportSettings(), entries);
  // Strings that a user could read with regedit.
  wchar_t format[32] = {};
  DWORD bytes = sizeof(format);
  EXPECT_EQ(::RegGetValueW(HKEY_CURRENT_USER, key.c_str(), L"format", RRF_RT_REG_SZ, nullptr,
                           format, &bytes),
            ERROR_SUCCESS);
  EXPECT_EQ(std::wstring(format), L"edf");
  DeleteTestSettings(key);
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
