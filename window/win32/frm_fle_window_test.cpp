// Tests of the real converter window, driven by messages as a user's mouse and keyboard drive it.
// They need a display; under Wine, Xvfb serves. A run saves a screenshot of the window while it
// converts beside the test program (velbrix_converting.bmp).
#include "window/win32/frm_fle_window.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "core/base/channel_table.h"
#include "core/convert/value_line.h"
#include "core/os/os_file.h"
#include "core/os/os_file_hooks.h"
#include "core/testing/test_support.h"
#include "window/win32/frm_fle_layout.h"
#include "window/win32/message_loop.h"
#include "window/win32/system_desktop.h"
#include "window/win32/text.h"
#include "window/win32/window_test_support.h"

namespace velbrix::win32 {
namespace {

using testing::CountPixels;
using testing::IsPainted;
using testing::MenuDriver;
using testing::PostClick;
using testing::PostKeyPress;
using testing::RectInParent;
using testing::SaveScreenshot;
using testing::ScriptedDesktop;
using velbrix::testing::ListFolder;
using velbrix::testing::MakeRecording;
using velbrix::testing::ReadFile;
using velbrix::testing::TempDir;
using velbrix::testing::Utf8Path;
using velbrix::testing::WriteFile;

constexpr wchar_t kIdleFile[] = L"File Opened - None";
constexpr wchar_t kTitle[] = L"ASCCII-DECIMAL FILECONVERTER";

class FrmFleWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    PumpMessages(nullptr);  // what an earlier window left behind
    std::filesystem::create_directories(program_dir_);
    std::filesystem::create_directories(data_dir_);
    desktop_.program_folder = program_dir_;
    window_.emplace(desktop_);
    window_->Show(SW_SHOWNORMAL);
    Pump();
  }
  void TearDown() override {
    window_.reset();
    PumpMessages(nullptr);
  }

  HWND hwnd() const { return window_->hwnd(); }
  const FrmFleWindow::Controls& controls() const { return window_->controls(); }
  const FrmFleState& state() const { return window_->controller().state(); }
  void Pump() { PumpMessages(hwnd()); }

  // Writes a recording of `size` bytes named `name` (UTF-8) into the data folder.
  std::filesystem::path WriteRecording(std::string_view name, std::size_t size) {
    const std::filesystem::path path = data_dir_ / Utf8Path(name);
    WriteFile(path, MakeRecording(size));
    return path;
  }
  // Chooses File > Open by its menu command, the dialog answering `path`.
  void OpenByMenu(const std::filesystem::path& path) {
    desktop_.dialog_answers.push_back(path);
    ::PostMessageW(hwnd(), WM_COMMAND, MAKEWPARAM(kIdMnuOpen, 0), 0);
    Pump();
  }
  void Click(HWND button) {
    ::SendMessageW(button, BM_CLICK, 0, 0);
    Pump();
  }
  // Handles the window's messages until the run that works has ended and its end has reached
  // the window.
  void WaitForTheRunsEnd() {
    const auto give_up = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (window_->controller().converting() && std::chrono::steady_clock::now() < give_up) {
      Pump();
      ::Sleep(2);
    }
    Pump();
    ASSERT_FALSE(window_->controller().converting());
  }
  bool Checked(HWND button) const {
    return ::SendMessageW(button, BM_GETCHECK, 0, 0) == BST_CHECKED;
  }
  bool MnuFileGreyed() const {
    return (::GetMenuState(controls().menu, 0, MF_BYPOSITION) & MF_GRAYED) != 0;
  }
  // How many pixels of the File menu's title show in the menu's text colour.
  int MnuFileTextPixels() const {
    RECT title{}, window{};
    ::GetMenuItemRect(hwnd(), controls().menu, 0, &title);
    ::GetWindowRect(hwnd(), &window);
    ::OffsetRect(&title, -window.left, -window.top);
    return CountPixels(hwnd(), title, ::GetSysColor(COLOR_MENUTEXT), 60, testing::Area::kWindow);
  }
  std::wstring ListEntry(int index) const {
    wchar_t text[64] = {};
    ::SendMessageW(controls().lst_ch, LB_GETTEXT, static_cast<WPARAM>(index),
                   reinterpret_cast<LPARAM>(text));
    return text;
  }
  int ListSelection() const {
    return static_cast<int>(::SendMessageW(controls().lst_ch, LB_GETCURSEL, 0, 0));
  }
  void ExpectIdle() {
    EXPECT_FALSE(::IsWindowVisible(controls().fra_ch));
    EXPECT_EQ(WindowText(controls().lbl_file), kIdleFile);
    EXPECT_EQ(WindowText(controls().label1), kTitle);
    EXPECT_FALSE(MnuFileGreyed());
    EXPECT_EQ(state().ChName, "");
  }
  void ExpectOpened(const std::wstring& name) {
    EXPECT_TRUE(::IsWindowVisible(controls().fra_ch));
    EXPECT_EQ(WindowText(controls().lbl_file), L"File Opened - " + name);
    EXPECT_TRUE(Checked(controls().optch[0]));
    EXPECT_FALSE(Checked(controls().optch[1]));
    EXPECT_EQ(ListSelection(), 0);
    EXPECT_TRUE(::IsWindowEnabled(controls().lst_ch));
    EXPECT_EQ(state().ChName, "FP2");
    EXPECT_EQ(state().ChPos, "1");
  }

  TempDir temp_;
  std::filesystem::path program_dir_ = temp_.path() / "program";
  std::filesystem::path data_dir_ = temp_.path() / "data";
  ScriptedDesktop desktop_;
  std::optional<FrmFleWindow> window_;
};

// The place of a control as the layout gives it in twips, and in pixels at 96 dpi.
struct ExpectedPlace {
  const char* control;
  int left, top, width, height;  // twips
};

void ExpectPlace(HWND control, const ExpectedPlace& twips) {
  SCOPED_TRACE(twips.control);
  for (int value : {twips.left, twips.top, twips.width, twips.height}) {
    ASSERT_EQ(value % 15, 0) << "not a whole pixel at 96 dpi";
  }
  const RECT rect = RectInParent(control);
  EXPECT_EQ(rect.left, twips.left / 15);
  EXPECT_EQ(rect.top, twips.top / 15);
  EXPECT_EQ(rect.right - rect.left, twips.width / 15);
  EXPECT_EQ(rect.bottom - rect.top, twips.height / 15);
}

TEST_F(FrmFleWindowTest, ControlsSitAtTheirPlacesInTwipsAt96Dpi) {
  if (window_->dpi_x() != 96 || window_->dpi_y() != 96) {
    GTEST_SKIP() << "the screen does not have 96 dpi";
  }
  RECT client{};
  ::GetClientRect(hwnd(), &client);
  EXPECT_EQ(client.right, 5790 / 15);
  EXPECT_EQ(client.bottom, 6915 / 15);

  const auto& c = controls();
  ExpectPlace(c.lbl_file, {"LblFile", 600, 375, 4305, 495});
  ExpectPlace(c.image1, {"Image1", 5085, 90, 600, 705});
  ExpectPlace(c.fra_ch, {"FraCh", 255, 1005, 5130, 5385});
  ExpectPlace(c.fra_ch_border, {"FraCh's border", 0, 0, 5130, 5385});
  ExpectPlace(c.optch[0], {"optch(0)", 1065, 570, 1500, 375});
  ExpectPlace(c.optch[1], {"optch(1)", 3105, 570, 1500, 375});
  ExpectPlace(c.lst_ch, {"LstCh", 690, 1455, 3735, 2895});
  ExpectPlace(c.cmd_ok, {"CmdOk", 1080, 4620, 1110, 315});
  ExpectPlace(c.cmd_cancel, {"CmdCancel", 2730, 4620, 1110, 315});
  ExpectPlace(c.label1, {"Label1", 300, 2205, 5010, 1590});
  ExpectPlace(c.label15, {"Label15", -315, 6690, 7245, 300});
  ExpectPlace(c.progress, {"Progress", 300, 3915, 5010, 285});
  EXPECT_EQ(::GetParent(c.lst_ch), c.fra_ch);
  EXPECT_EQ(::GetParent(c.label1), hwnd());
}

// The font of `control` as the system holds it.
LOGFONTW FontOf(HWND control) {
  LOGFONTW font{};
  auto handle = reinterpret_cast<HFONT>(::SendMessageW(control, WM_GETFONT, 0, 0));
  ::GetObjectW(handle, sizeof(font), &font);
  return font;
}

// The window's client area, its controls and their fonts as the layout maps them at `dpi`.
void ExpectLayoutAt(const FrmFleWindow& window, int dpi) {
  EXPECT_EQ(window.dpi_x(), dpi);
  EXPECT_EQ(window.dpi_y(), dpi);
  RECT client{};
  ::GetClientRect(window.hwnd(), &client);
  EXPECT_EQ(client.right, layout::TwipsToPixels(5790, dpi));
  EXPECT_EQ(client.bottom, layout::TwipsToPixels(6915, dpi));
  const auto& c = window.controls();
  const layout::TwipsRect frame{0, 0, layout::kFraCh.rect.width, layout::kFraCh.rect.height};
  const std::pair<HWND, layout::TwipsRect> places[] = {
      {c.lbl_file, layout::kLblFile.rect},     {c.image1, layout::kImage1.rect},
      {c.fra_ch, layout::kFraCh.rect},         {c.fra_ch_border, frame},
      {c.optch[0], layout::kOptch0.rect},      {c.optch[1], layout::kOptch1.rect},
      {c.lst_ch, layout::kLstCh.rect},         {c.cmd_ok, layout::kCmdOk.rect},
      {c.cmd_cancel, layout::kCmdCancel.rect}, {c.label1, layout::kLabel1.rect},
      {c.label15, layout::kLabel15.rect}};
  for (const auto& [control, twips] : places) {
    const RECT expected = PixelRect(twips, dpi, dpi);
    const RECT rect = RectInParent(control);
    EXPECT_TRUE(::EqualRect(&rect, &expected))
        << "control " << ::GetDlgCtrlID(control) << " at " << rect.left << "," << rect.top << " "
        << rect.right - rect.left << "x" << rect.bottom - rect.top;
  }
  // Label1's font, 27.75 points: 37 pixels high at 96 dpi, 56 at 144.
  EXPECT_EQ(FontOf(c.label1).lfHeight, -static_cast<int>(std::lround(27.75 * dpi / 72)));
  EXPECT_EQ(FontOf(c.lst_ch).lfHeight, -dpi / 6);  // 12 points
}

TEST_F(FrmFleWindowTest, TwipsAreMappedByTheScreensDpi) {
  // scripts/test-windows runs this at 96 and at 144 dpi (Wine's LogPixels) and says which.
  if (const char* expected = std::getenv("VELBRIX_EXPECT_DPI")) {
    ASSERT_EQ(window_->dpi_x(), std::atoi(expected));
  }
  ExpectLayoutAt(*window_, window_->dpi_x());
}

TEST_F(FrmFleWindowTest, AMonitorOfAnotherDpiMapsEverythingAgain) {
  const int dpi = window_->dpi_x() == 144 ? 96 : 144;
  RECT suggested{40, 30, 400, 500};  // the system's suggestion: its place is taken, not its size
  ::SendMessageW(hwnd(), WM_DPICHANGED, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(&suggested));
  Pump();
  ExpectLayoutAt(*window_, dpi);
  RECT outer{};
  ::GetWindowRect(hwnd(), &outer);
  EXPECT_EQ(outer.left, 40);
  EXPECT_EQ(outer.top, 30);
}

TEST_F(FrmFleWindowTest, FontsHaveTheirFaceSizeAndStyle) {
  if (window_->dpi_y() != 96) {
    GTEST_SKIP() << "the screen does not have 96 dpi";
  }
  struct Row {
    HWND control;
    const char* face;
    int height;  // pixels at 96 dpi: points * 96 / 72
    int weight;
    bool italic_and_underlined;
  };
  const auto& c = controls();
  const Row rows[] = {
      {c.lbl_file, layout::kBookAntiqua, -15, FW_BOLD, false},  // 11.25 pt
      {c.fra_ch_border, layout::kGaramond, -16, FW_BOLD, false},
      {c.optch[0], layout::kGaramond, -16, FW_BOLD, false},
      {c.optch[1], layout::kGaramond, -16, FW_BOLD, false},
      {c.lst_ch, layout::kBookAntiqua, -16, FW_BOLD, false},
      {c.cmd_ok, layout::kBookAntiqua, -13, FW_BOLD, false},  // 9.75 pt
      {c.cmd_cancel, layout::kBookAntiqua, -13, FW_BOLD, false},
      {c.label1, layout::kBookAntiqua, -37, FW_NORMAL, true},  // 27.75 pt
      {c.label15, layout::kBookAntiqua, -11, FW_BOLD, false},  // 8.25 pt
  };
  for (const Row& row : rows) {
    const LOGFONTW font = FontOf(row.control);
    SCOPED_TRACE(WindowText(row.control));
    EXPECT_EQ(std::wstring(font.lfFaceName), ChooseFace(row.face));
    EXPECT_EQ(font.lfHeight, row.height);
    EXPECT_EQ(font.lfWeight, row.weight);
    EXPECT_EQ(font.lfItalic != 0, row.italic_and_underlined);
    EXPECT_EQ(font.lfUnderline != 0, row.italic_and_underlined);
    EXPECT_EQ(font.lfStrikeOut, 0);
  }
}

// The text colour and back colour that `control`'s parent gives it.
std::pair<COLORREF, COLORREF> ColoursOf(HWND control) {
  HDC dc = ::CreateCompatibleDC(nullptr);
  ::SendMessageW(::GetParent(control), WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                 reinterpret_cast<LPARAM>(control));
  const std::pair colours{::GetTextColor(dc), ::GetBkColor(dc)};
  ::DeleteDC(dc);
  return colours;
}

TEST_F(FrmFleWindowTest, ControlsHaveTheirColours) {
  const auto& c = controls();
  const COLORREF dialog = ::GetSysColor(COLOR_BTNFACE);
  EXPECT_EQ(ColoursOf(c.lbl_file), std::pair(RGB(128, 0, 128), dialog));
  EXPECT_EQ(ColoursOf(c.fra_ch_border), std::pair(RGB(0, 0, 192), dialog));
  EXPECT_EQ(ColoursOf(c.optch[0]), std::pair(RGB(128, 0, 0), dialog));
  EXPECT_EQ(ColoursOf(c.optch[1]), std::pair(RGB(128, 0, 0), dialog));
  EXPECT_EQ(ColoursOf(c.label1), std::pair(RGB(0, 128, 0), dialog));
  EXPECT_EQ(ColoursOf(c.label15), std::pair(RGB(192, 0, 0), RGB(255, 255, 255)));
}

TEST_F(FrmFleWindowTest, StartsIdleWithOnlyTheLabelsThePictureAndTheMenuToSee) {
  const auto& c = controls();
  EXPECT_EQ(WindowText(hwnd()), L"Velbrix");
  ExpectIdle();
  EXPECT_TRUE(::IsWindowVisible(c.lbl_file));
  EXPECT_TRUE(::IsWindowVisible(c.label1));
  EXPECT_TRUE(::IsWindowVisible(c.label15));
  EXPECT_TRUE(::IsWindowVisible(c.image1));
  for (HWND inside : {c.optch[0], c.optch[1], c.lst_ch, c.cmd_ok, c.cmd_cancel}) {
    EXPECT_FALSE(::IsWindowVisible(inside));
    EXPECT_TRUE(::IsWindowEnabled(inside));
  }
  EXPECT_FALSE(::IsWindowVisible(c.progress));
  EXPECT_FALSE(Checked(c.optch[0]));
  EXPECT_FALSE(Checked(c.optch[1]));
  EXPECT_FALSE(WindowText(c.label15).empty());  // the maker notice

  // Form_Load filled the list in the channel table's list order and selected nothing.
  ASSERT_EQ(::SendMessageW(c.lst_ch, LB_GETCOUNT, 0, 0), 32);
  for (int i = 0; i < 32; ++i) {
    const std::string_view name = ChannelAtListIndex(i).name;
    EXPECT_EQ(ListEntry(i), std::wstring(name.begin(), name.end()));
  }
  EXPECT_EQ(ListSelection(), LB_ERR);
  EXPECT_EQ(state().AppDir, program_dir_ / "");

  wchar_t caption[32] = {};
  ASSERT_EQ(::GetMenuItemCount(c.menu), 1);
  ::GetMenuStringW(c.menu, 0, caption, 32, MF_BYPOSITION);
  EXPECT_EQ(std::wstring(caption), L"&File");
  HMENU file = ::GetSubMenu(c.menu, 0);
  // Open, a separator and the further items, which wait for a recording but the last.
  ASSERT_EQ(::GetMenuItemCount(file), 5);
  const wchar_t* const captions[] = {L"&Open", L"", L"&Export...", L"View &Traces",
                                     L"Open Output &Folder"};
  const bool grayed[] = {false, false, true, true, false};
  for (int i = 0; i < 5; ++i) {
    caption[0] = L'\0';
    ::GetMenuStringW(file, static_cast<UINT>(i), caption, 32, MF_BYPOSITION);
    EXPECT_EQ(std::wstring(caption), captions[i]) << i;
    if (i == 1) {
      continue;  // the separator: grayed or not, depending on the system
    }
    EXPECT_EQ((::GetMenuState(file, static_cast<UINT>(i), MF_BYPOSITION) & MF_GRAYED) != 0,
              grayed[i])
        << i;
  }
  EXPECT_TRUE(::GetMenuState(file, 1, MF_BYPOSITION) & MF_SEPARATOR);

  // Tab finds no control to move the focus to.
  ::SetFocus(hwnd());
  PostKeyPress(hwnd(), VK_TAB);
  Pump();
  EXPECT_TRUE(::GetFocus() == hwnd() || ::GetFocus() == nullptr);
}

TEST_F(FrmFleWindowTest, ControlsAreOfTheirKinds) {
  const auto& c = controls();
  const auto style = [](HWND hwnd) { return ::GetWindowLongW(hwnd, GWL_STYLE); };
  EXPECT_EQ(style(c.optch[0]) & BS_TYPEMASK, BS_AUTORADIOBUTTON);
  EXPECT_EQ(style(c.optch[1]) & BS_TYPEMASK, BS_AUTORADIOBUTTON);
  EXPECT_TRUE(style(c.optch[0]) & WS_GROUP);
  EXPECT_FALSE(style(c.optch[1]) & WS_GROUP);
  EXPECT_EQ(style(c.cmd_ok) & BS_TYPEMASK, BS_PUSHBUTTON);  // not the default button
  EXPECT_EQ(style(c.cmd_cancel) & BS_TYPEMASK, BS_PUSHBUTTON);
  EXPECT_EQ(style(c.fra_ch_border) & BS_TYPEMASK, BS_GROUPBOX);
  EXPECT_TRUE(style(c.lst_ch) & LBS_NOTIFY);
  EXPECT_FALSE(style(c.lst_ch) & LBS_SORT);
  EXPECT_FALSE(style(c.lst_ch) & (LBS_MULTIPLESEL | LBS_EXTENDEDSEL));
  for (HWND label : {c.lbl_file, c.label1, c.label15}) {
    EXPECT_EQ(style(label) & SS_TYPEMASK, SS_CENTER);  // centred, wrapped at words
    EXPECT_TRUE(style(label) & SS_NOPREFIX);
    EXPECT_FALSE(style(label) & WS_TABSTOP);
  }
  EXPECT_FALSE(::GetWindowLongW(hwnd(), GWL_STYLE) & WS_THICKFRAME);  // a fixed size
}

TEST_F(FrmFleWindowTest, IconIsThirtyTwoPixelsInSixteenColours) {
#pragma pack(push, 2)
  struct GroupIconEntry {
    BYTE width, height, colours, reserved;
    WORD planes, bit_count;
    DWORD bytes;
    WORD id;
  };
  struct GroupIcon {
    WORD reserved, type, count;
    GroupIconEntry entries[1];
  };
#pragma pack(pop)
  HRSRC found =
      ::FindResourceW(nullptr, MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(14));  // RT_GROUP_ICON
  ASSERT_NE(found, nullptr);
  const auto* group = static_cast<const GroupIcon*>(::LockResource(::LoadResource(nullptr, found)));
  ASSERT_EQ(group->count, 1);
  EXPECT_EQ(group->entries[0].width, 32);
  EXPECT_EQ(group->entries[0].height, 32);
  EXPECT_EQ(group->entries[0].colours, 16);
  EXPECT_EQ(group->entries[0].bit_count, 4);
  EXPECT_NE(::GetClassLongPtrW(hwnd(), GCLP_HICON), 0);
}

TEST_F(FrmFleWindowTest, AltFThenOOpensTheDialogWithItsFilter) {
  const std::filesystem::path recording = WriteRecording("rec01_eeg", 64);
  desktop_.dialog_answers.push_back(recording);
  MenuDriver menu(hwnd());
  menu.keys_for_menu = {'O'};
  menu.PressAlt('F');
  Pump();

  EXPECT_EQ(menu.popups_opened, 1);
  ASSERT_EQ(desktop_.dialog_filters.size(), 1u);
  EXPECT_EQ(desktop_.dialog_filters[0], std::wstring(L"All Files (*.*)\0*.*\0\0", 21));
  ExpectOpened(L"rec01_eeg");
  EXPECT_EQ(state().FlePath, recording);
}

TEST_F(FrmFleWindowTest, FrameCoversLabel1WhileShown) {
  const auto& c = controls();
  RECT label = RectInParent(c.label1);
  const COLORREF green = RGB(0, 128, 0);
  ::RedrawWindow(hwnd(), nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_UPDATENOW);
  EXPECT_GT(CountPixels(hwnd(), label, green, 40), 200) << "Label1's text shows while idle";

  OpenByMenu(WriteRecording("rec01_eeg", 64));
  ::RedrawWindow(hwnd(), nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_UPDATENOW);
  EXPECT_EQ(CountPixels(hwnd(), label, green, 40), 0) << "the frame hides Label1";
  RECT frame = RectInParent(c.fra_ch);
  RECT both{};
  ::UnionRect(&both, &frame, &label);
  EXPECT_TRUE(::EqualRect(&both, &frame)) << "Label1 lies inside the frame";
  // The frame is above Label1 and paints its whole ground.
  bool frame_above = false;
  for (HWND above = ::GetWindow(c.label1, GW_HWNDPREV); above != nullptr;
       above = ::GetWindow(above, GW_HWNDPREV)) {
    frame_above = frame_above || above == c.fra_ch;
  }
  EXPECT_TRUE(frame_above);
  EXPECT_NE(::GetClassLongPtrW(c.fra_ch, GCLP_HBRBACKGROUND), 0);
  // Nothing of Label1 is seen: the point at its centre belongs to the frame.
  POINT centre{(label.left + label.right) / 2, (label.top + label.bottom) / 2};
  EXPECT_NE(::ChildWindowFromPointEx(hwnd(), centre, CWP_SKIPINVISIBLE), c.label1);
}

TEST_F(FrmFleWindowTest, DisabledFileMenuOpensNeitherByAltFNorByTheMouse) {
  window_->EnableMnuFile(false);
  EXPECT_TRUE(MnuFileGreyed());
  MenuDriver menu(hwnd());
  menu.keys_for_menu = {'O', VK_ESCAPE, VK_ESCAPE};
  menu.PressAlt('F');
  Pump();
  menu.keys_for_menu = {'O', VK_ESCAPE, VK_ESCAPE};
  menu.ClickMenuBar(0);
  Pump();
  EXPECT_EQ(menu.popups_opened, 0);
  EXPECT_TRUE(desktop_.dialog_filters.empty());

  // Enabled again, the same click opens it.
  window_->EnableMnuFile(true);
  menu.keys_for_menu = {'O'};
  menu.ClickMenuBar(0);
  Pump();
  EXPECT_EQ(menu.popups_opened, 1);
  EXPECT_EQ(desktop_.dialog_filters.size(), 1u);
}

TEST_F(FrmFleWindowTest, EnterAndEscapePressNoButton) {
  OpenByMenu(WriteRecording("rec01_eeg", 64));
  const auto& c = controls();
  for (HWND focus : {c.lst_ch, c.optch[0], c.cmd_ok, c.cmd_cancel}) {
    ::SetFocus(focus);
    PostKeyPress(hwnd(), VK_RETURN);
    PostKeyPress(hwnd(), VK_ESCAPE);
    Pump();
    ExpectOpened(L"rec01_eeg");
  }
  EXPECT_TRUE(ListFolder(program_dir_).empty());

  // Space presses the button that has the focus.
  ::SetFocus(c.cmd_cancel);
  PostKeyPress(hwnd(), VK_SPACE);
  Pump();
  ExpectIdle();
}

TEST_F(FrmFleWindowTest, OptionButtonsRunOptchClickWithTheirIndex) {
  OpenByMenu(WriteRecording("rec01_eeg", 64));
  const auto& c = controls();

  Click(c.optch[1]);  // "All", the right one
  EXPECT_TRUE(state().AllCh);
  EXPECT_FALSE(::IsWindowEnabled(c.lst_ch));
  EXPECT_FALSE(Checked(c.optch[0]));
  EXPECT_EQ(ListSelection(), 0);  // kept while disabled

  Click(c.optch[0]);  // "Selection", the left one
  EXPECT_FALSE(state().AllCh);
  EXPECT_TRUE(::IsWindowEnabled(c.lst_ch));
  EXPECT_FALSE(Checked(c.optch[1]));
  EXPECT_EQ(state().ChName, "FP2");

  // The mouse, and the arrow keys within the group.
  RECT button{};
  ::GetClientRect(c.optch[1], &button);
  PostClick(c.optch[1], button);
  Pump();
  EXPECT_TRUE(state().AllCh);
  ::SetFocus(c.optch[1]);
  PostKeyPress(hwnd(), VK_LEFT);
  Pump();
  EXPECT_EQ(::GetFocus(), c.optch[0]);
  EXPECT_TRUE(Checked(c.optch[0]));
  EXPECT_FALSE(state().AllCh);
}

TEST_F(FrmFleWindowTest, ListSelectionByMouseAndKeyboardRunsLstChClick) {
  OpenByMenu(WriteRecording("rec01_eeg", 64));
  const auto& c = controls();
  const auto expect_channel = [&](int index) {
    const Channel& channel = ChannelAtListIndex(index);
    EXPECT_EQ(ListSelection(), index);
    EXPECT_EQ(state().ChName, channel.name);
    EXPECT_EQ(state().ChPos, std::to_string(channel.position));
  };

  RECT item{};
  ::SendMessageW(c.lst_ch, LB_GETITEMRECT, 3, reinterpret_cast<LPARAM>(&item));
  PostClick(c.lst_ch, item);
  Pump();
  expect_channel(3);

  ::SetFocus(c.lst_ch);
  PostKeyPress(hwnd(), VK_DOWN);
  Pump();
  expect_channel(4);

  // Disabled, the list keeps its entry.
  Click(c.optch[1]);
  EXPECT_FALSE(::IsWindowEnabled(c.lst_ch));
  expect_channel(4);
}

TEST_F(FrmFleWindowTest, TabVisitsTheFrameInItsOrder) {
  OpenByMenu(WriteRecording("rec01_eeg", 64));
  const auto& c = controls();
  ::SetFocus(c.cmd_cancel);
  for (HWND next : {c.optch[0], c.lst_ch, c.cmd_ok, c.cmd_cancel, c.optch[0]}) {
    PostKeyPress(hwnd(), VK_TAB);
    Pump();
    EXPECT_EQ(::GetFocus(), next);
  }
  // Tab enters the option group at its selected button.
  Click(c.optch[1]);
  ::SetFocus(c.cmd_cancel);
  PostKeyPress(hwnd(), VK_TAB);
  Pump();
  EXPECT_EQ(::GetFocus(), c.optch[1]);
}

TEST_F(FrmFleWindowTest, RefusedNameShowsTheMessageAndChangesNothing) {
  OpenByMenu(WriteRecording("rec01.eeg", 64));
  ASSERT_EQ(desktop_.messages.size(), 1u);
  EXPECT_EQ(desktop_.messages[0].text, L"Not a Valid EEG file");
  EXPECT_EQ(desktop_.messages[0].icon, MessageIcon::kInformation);
  ExpectIdle();
  // A dialog closed without a choice changes nothing either.
  ::PostMessageW(hwnd(), WM_COMMAND, MAKEWPARAM(kIdMnuOpen, 0), 0);
  Pump();
  EXPECT_EQ(desktop_.dialog_filters.size(), 2u);
  EXPECT_EQ(desktop_.messages.size(), 1u);
  ExpectIdle();
}

TEST_F(FrmFleWindowTest, CancelHidesTheFrameWithEverythingInIt) {
  OpenByMenu(WriteRecording("rec01_eeg", 64));
  const auto& c = controls();
  ::SetFocus(c.lst_ch);
  Click(c.cmd_cancel);
  ExpectIdle();
  for (HWND inside : {c.optch[0], c.optch[1], c.lst_ch, c.cmd_ok, c.cmd_cancel}) {
    EXPECT_FALSE(::IsWindowVisible(inside));
  }
  EXPECT_FALSE(::IsChild(c.fra_ch, ::GetFocus()));
  Click(c.cmd_ok);  // hidden, but were it pressed it would do nothing
  EXPECT_TRUE(ListFolder(program_dir_).empty());
}

TEST_F(FrmFleWindowTest, OpenAllOkWritesThirtyTwoFilesIntoTheProgramFolder) {
  const std::filesystem::path recording = WriteRecording("rec01_eeg", 3 * 32);
  MenuDriver menu(hwnd());
  menu.keys_for_menu = {'O'};
  desktop_.dialog_answers.push_back(recording);
  menu.PressAlt('F');
  Pump();
  Click(controls().optch[1]);

  // While the run converts, the window shows it and the File menu stays shut.
  EXPECT_GT(MnuFileTextPixels(), 10);
  int runs = 0;
  desktop_.on_decimal_separator = [&] {
    ++runs;
    EXPECT_FALSE(::IsWindowVisible(controls().fra_ch));
    EXPECT_EQ(WindowText(controls().label1), L"LOADING THE FILES....");
    EXPECT_TRUE(IsPainted(controls().label1));
    EXPECT_TRUE(IsPainted(hwnd()));
    EXPECT_TRUE(MnuFileGreyed());
    EXPECT_TRUE(::IsWindowVisible(controls().progress));
    EXPECT_EQ(MnuFileTextPixels(), 0) << "the File menu shows greyed";
    menu.keys_for_menu = {'O', VK_ESCAPE, VK_ESCAPE};
    menu.PressAlt('F');
    Pump();
    EXPECT_EQ(menu.popups_opened, 1);  // only the first one
  };
  Click(controls().cmd_ok);
  WaitForTheRunsEnd();
  EXPECT_EQ(runs, 1);
  EXPECT_EQ(desktop_.dialog_filters.size(), 1u);
  ExpectIdle();

  const std::set<std::string> outputs = ListFolder(program_dir_);
  ASSERT_EQ(outputs.size(), 32u);
  const std::string separator = desktop_.SystemDesktop::DecimalSeparator();
  const std::string bytes = MakeRecording(3 * 32);
  for (const Channel& channel : ChTable) {
    const std::string name = "rec01_eeg_" + std::string(channel.name) + ".eeg";
    ASSERT_TRUE(outputs.contains(name)) << name;
    std::string expected;
    for (std::size_t record = 0; record < 3; ++record) {
      const auto sample = static_cast<std::uint8_t>(
          bytes[record * 32 + static_cast<std::size_t>(channel.position) - 1]);
      expected += FormatValueLine(sample, separator);
    }
    EXPECT_EQ(ReadFile(program_dir_ / name), expected) << name;
  }
  // Sample byte 0 in the first record of channel FP2.
  EXPECT_EQ(ReadFile(program_dir_ / "rec01_eeg_FP2.eeg").substr(0, 10),
            "-476" + separator + "25 \r\n");
}

TEST_F(FrmFleWindowTest, NonAsciiNamesOpenAndConvert) {
  program_dir_ = temp_.path() / Utf8Path(
                                    "Programm \xC3\x9C"
                                    "ber \xCE\xA9");  // Programm Über Ω
  std::filesystem::create_directories(program_dir_);
  window_.reset();
  desktop_.program_folder = program_dir_;
  window_.emplace(desktop_);
  window_->Show(SW_SHOWNORMAL);
  Pump();

  const std::string name =
      "Messung Gr\xC3\xB6\xC3\x9F"
      "e \xE6\x9D\xB1_eeg";  // Messung Größe 東_eeg
  OpenByMenu(WriteRecording(name, 64));
  ExpectOpened(Widen(name));
  Click(controls().cmd_ok);
  WaitForTheRunsEnd();
  ExpectIdle();
  EXPECT_EQ(ListFolder(program_dir_), std::set<std::string>{name + "_FP2.eeg"});
}

// A recording that arrives slowly through a named pipe, block after block until the test ends, so
// that a run reading it stays observably in progress.
class SlowRecording {
 public:
  SlowRecording()
      : path_(L"\\\\.\\pipe\\velbrix-test-" + std::to_wstring(::GetCurrentProcessId()) + L"_eeg"),
        pipe_(::CreateNamedPipeW(path_.c_str(), PIPE_ACCESS_OUTBOUND, PIPE_TYPE_BYTE | PIPE_WAIT, 1,
                                 1 << 16, 0, 0, nullptr)) {
    feeder_ = std::thread([this] {
      if (!::ConnectNamedPipe(pipe_, nullptr) && ::GetLastError() != ERROR_PIPE_CONNECTED) {
        return;
      }
      const std::string records(64 * 1024, '\x80');
      DWORD written = 0;
      while (!done_ && ::WriteFile(pipe_, records.data(), static_cast<DWORD>(records.size()),
                                   &written, nullptr)) {
        ::Sleep(5);
      }
    });
  }
  ~SlowRecording() {
    done_ = true;
    // A feeder still waiting for the run to connect finds a reader, and then none.
    HANDLE reader =
        ::CreateFileW(path_.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    if (reader != INVALID_HANDLE_VALUE) {
      ::CloseHandle(reader);
    }
    feeder_.join();
    ::CloseHandle(pipe_);
  }
  SlowRecording(const SlowRecording&) = delete;
  SlowRecording& operator=(const SlowRecording&) = delete;

  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path path_;
  HANDLE pipe_;
  std::atomic<bool> done_{false};
  std::thread feeder_;
};

TEST_F(FrmFleWindowTest, ARunWorksWhileTheWindowAnswersAndEscapeWithYesStopsIt) {
  const std::filesystem::path earlier =
      program_dir_ /
      Utf8Path("velbrix-test-" + std::to_string(::GetCurrentProcessId()) + "_eeg_FP2.eeg");
  WriteFile(earlier, "earlier");
  const SlowRecording recording;
  OpenByMenu(recording.path());
  Click(controls().optch[1]);
  Click(controls().cmd_ok);  // returns while the run works

  for (int i = 0; i < 50; ++i) {
    Pump();
    ::Sleep(4);
  }
  ASSERT_TRUE(window_->controller().converting());
  EXPECT_TRUE(::IsWindowVisible(controls().progress));
  EXPECT_FALSE(::IsWindowVisible(controls().fra_ch));
  EXPECT_EQ(WindowText(controls().label1), L"LOADING THE FILES....");
  window_->SetProgress(40);  // a pipe has no size to count against: a part-filled bar to look at
  Pump();
  SaveScreenshot(hwnd(), ModulePath(nullptr).parent_path() / "velbrix_converting.bmp");
  // Another thread finds the window answering its messages.
  std::atomic<bool> asked{false};
  std::atomic<bool> answered{false};
  HWND window = hwnd();
  std::thread other([&] {
    DWORD_PTR result = 0;
    answered = ::SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 5000, &result) != 0;
    asked = true;
  });
  while (!asked) {
    Pump();
    ::Sleep(2);
  }
  other.join();
  EXPECT_TRUE(answered);

  // Closing asks; No lets the run go on.
  ::PostMessageW(hwnd(), WM_CLOSE, 0, 0);
  Pump();
  ASSERT_EQ(desktop_.questions.size(), 1u);
  EXPECT_EQ(desktop_.questions[0],
            L"Stop the conversion? Files that were already there stay as they were.");
  ASSERT_NE(hwnd(), nullptr);
  EXPECT_TRUE(window_->controller().converting());

  // Escape asks; Yes stops the run.
  desktop_.yes_no_answers = {true};
  ::SetFocus(hwnd());
  PostKeyPress(hwnd(), VK_ESCAPE);
  Pump();
  EXPECT_EQ(desktop_.questions.size(), 2u);
  WaitForTheRunsEnd();
  ExpectIdle();
  EXPECT_FALSE(::IsWindowVisible(controls().progress));
  EXPECT_TRUE(desktop_.messages.empty());
  EXPECT_EQ(ListFolder(program_dir_), std::set<std::string>{earlier.filename().string()});
  EXPECT_EQ(ReadFile(earlier), "earlier");
}

// As at the end of a session: the window is destroyed during a run, without a question, and the
// run has ended once it is gone, with nothing of it left.
TEST_F(FrmFleWindowTest, DestroyingTheWindowDuringARunStopsItAndLeavesNothing) {
  const std::filesystem::path earlier =
      program_dir_ /
      Utf8Path("velbrix-test-" + std::to_string(::GetCurrentProcessId()) + "_eeg_FP2.eeg");
  WriteFile(earlier, "earlier");
  const SlowRecording recording;
  OpenByMenu(recording.path());
  Click(controls().optch[1]);
  Click(controls().cmd_ok);
  for (int i = 0; i < 25; ++i) {  // blocks of the recording come and go meanwhile
    Pump();
    ::Sleep(4);
  }
  ASSERT_TRUE(window_->controller().converting());
  window_.reset();
  PumpMessages(nullptr);  // what the run posted before it ended is not run
  EXPECT_TRUE(desktop_.questions.empty());
  EXPECT_TRUE(desktop_.messages.empty());
  EXPECT_EQ(ListFolder(program_dir_), std::set<std::string>{earlier.filename().string()});
  EXPECT_EQ(ReadFile(earlier), "earlier");
  window_.emplace(desktop_);  // for TearDown
}

// A wait for another run's lock shows whole in LblFile: every line within the label, which stays
// above Label1; once the run goes on, the label is back at its place in its font.
TEST_F(FrmFleWindowTest, AWaitForAnotherRunShowsWholeInLblFile) {
  const HWND label = controls().lbl_file;
  const RECT place = RectInParent(label);
  const LRESULT font = ::SendMessageW(label, WM_GETFONT, 0, 0);
  FolderLock other_run;
  ASSERT_FALSE(other_run.Acquire(program_dir_));
  OpenByMenu(WriteRecording("rec01_eeg", 64));
  Click(controls().cmd_ok);
  const std::wstring waiting = Widen(LockWaitMessage(other_run.path()));
  for (int i = 0; i < 2000 && WindowText(label) != waiting; ++i) {
    Pump();
    ::Sleep(5);
  }
  ASSERT_EQ(WindowText(label), waiting);

  RECT client{};
  ::GetClientRect(label, &client);
  const HDC dc = ::GetDC(label);
  const HGDIOBJ old =
      ::SelectObject(dc, reinterpret_cast<HGDIOBJ>(::SendMessageW(label, WM_GETFONT, 0, 0)));
  RECT needed{0, 0, client.right, 0};
  ::DrawTextW(dc, waiting.c_str(), -1, &needed,
              DT_CALCRECT | DT_CENTER | DT_WORDBREAK | DT_NOPREFIX | DT_EXPANDTABS);
  ::SelectObject(dc, old);
  ::ReleaseDC(label, dc);
  EXPECT_LE(needed.right, client.right);
  EXPECT_LE(needed.bottom, client.bottom);
  EXPECT_LE(RectInParent(label).bottom, RectInParent(controls().label1).top);
  SaveScreenshot(hwnd(), ModulePath(nullptr).parent_path() / "velbrix_waiting.bmp");

  other_run.Release();
  WaitForTheRunsEnd();
  ExpectIdle();
  const RECT back = RectInParent(label);
  EXPECT_EQ(back.left, place.left);
  EXPECT_EQ(back.top, place.top);
  EXPECT_EQ(back.right, place.right);
  EXPECT_EQ(back.bottom, place.bottom);
  EXPECT_EQ(::SendMessageW(label, WM_GETFONT, 0, 0), font);
}

// A 10 MB entry in the registry (written by hand, say) is offered cut to its start.
TEST_F(FrmFleWindowTest, AHugeEntryInTheRegistryIsOfferedCutToItsStart) {
  ExportSettings huge;
  huge[ExportField::kSubject] = std::string(10 << 20, 'x');
  desktop_.SaveExportSettings(huge);
  window_.reset();
  window_.emplace(desktop_);
  window_->Show(SW_SHOWNORMAL);
  OpenByMenu(WriteRecording("rec01_eeg", 64));
  ::PostMessageW(hwnd(), WM_COMMAND, MAKEWPARAM(kIdMnuExport, 0), 0);
  Pump();  // cancelled: no answer given
  ASSERT_EQ(desktop_.export_dialogs.size(), 1u);
  EXPECT_EQ(desktop_.export_dialogs[0][ExportField::kSubject],
            std::string(kRememberedEntryMaxBytes, 'x'));
}

TEST_F(FrmFleWindowTest, ExportEdfFromTheMenuWritesTheFileLikeOk) {
  OpenByMenu(WriteRecording("rec01_eeg", 3 * 32));
  ExportSettings entries;
  entries[ExportField::kSampleRate] = "3";
  desktop_.export_answers = {entries};
  ::PostMessageW(hwnd(), WM_COMMAND, MAKEWPARAM(kIdMnuExport, 0), 0);
  Pump();
  WaitForTheRunsEnd();
  ExpectIdle();
  EXPECT_EQ(ListFolder(program_dir_), std::set<std::string>{"rec01_eeg.edf"});
  EXPECT_EQ(std::filesystem::file_size(program_dir_ / "rec01_eeg.edf"), 256u + 256u + 3u * 2u);
}

TEST_F(FrmFleWindowTest, ExportBrainVisionAndBidsFromTheMenuWriteTheirFiles) {
  const std::filesystem::path recording = WriteRecording("rec01_eeg", 3 * 32);
  OpenByMenu(recording);
  ExportSettings brainvision;
  brainvision.target = ExportFormat::kBrainVision;
  brainvision[ExportField::kSampleRate] = "3";
  desktop_.export_answers = {brainvision};
  ::PostMessageW(hwnd(), WM_COMMAND, MAKEWPARAM(kIdMnuExport, 0), 0);
  Pump();
  WaitForTheRunsEnd();
  ExpectIdle();
  EXPECT_EQ(ListFolder(program_dir_),
            (std::set<std::string>{"rec01_eeg.eeg", "rec01_eeg.vhdr", "rec01_eeg.vmrk"}));

  // A new window offers the entries remembered in the registry.
  window_.reset();
  window_.emplace(desktop_);
  window_->Show(SW_SHOWNORMAL);
  OpenByMenu(recording);
  const std::filesystem::path root = temp_.path() / "study";
  ExportSettings bids = brainvision;
  bids.target = ExportFormat::kBidsEdf;
  bids[ExportField::kBidsRoot] = Narrow(root.wstring());
  bids[ExportField::kSubject] = "01";
  bids[ExportField::kTask] = "rest";
  desktop_.export_answers = {bids};
  ::PostMessageW(hwnd(), WM_COMMAND, MAKEWPARAM(kIdMnuExport, 0), 0);
  Pump();
  WaitForTheRunsEnd();
  ExpectIdle();
  EXPECT_EQ(desktop_.export_dialogs, (std::vector<ExportSettings>{ExportSettings{}, brainvision}));
  EXPECT_TRUE(desktop_.messages.empty());
  EXPECT_EQ(ListFolder(root / "sub-01" / "eeg"),
            (std::set<std::string>{"sub-01_task-rest_channels.tsv", "sub-01_task-rest_eeg.edf",
                                   "sub-01_task-rest_eeg.json"}));
  EXPECT_TRUE(ReadFile(root / "participants.tsv").find("sub-01") != std::string::npos);
}

TEST_F(FrmFleWindowTest, AWrongEntryIsSaidAndTheDialogAskedAgain) {
  OpenByMenu(WriteRecording("rec01_eeg", 3 * 32));
  ExportSettings wrong;
  wrong[ExportField::kSampleRate] = "fast";
  desktop_.export_answers = {wrong, std::nullopt};
  ::PostMessageW(hwnd(), WM_COMMAND, MAKEWPARAM(kIdMnuExport, 0), 0);
  Pump();
  ASSERT_EQ(desktop_.messages.size(), 1u);
  EXPECT_EQ(desktop_.messages[0].icon, MessageIcon::kWarning);
  EXPECT_TRUE(desktop_.messages[0].text.starts_with(L"The sample rate \"fast\" "))
      << desktop_.messages[0].text;
  EXPECT_EQ(desktop_.export_dialogs, (std::vector<ExportSettings>{ExportSettings{}, wrong}));
  EXPECT_TRUE(::IsWindowVisible(controls().fra_ch));  // still opened
  EXPECT_TRUE(ListFolder(program_dir_).empty());
}

// The user's own decimal separator in the regional settings, replaced for a test's length.
class DecimalSeparatorSetting {
 public:
  explicit DecimalSeparatorSetting(const wchar_t* separator) {
    ::GetLocaleInfoEx(LOCALE_NAME_USER_DEFAULT, LOCALE_SDECIMAL, saved_, 8);
    ::SetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, separator);
  }
  ~DecimalSeparatorSetting() { ::SetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, saved_); }
  DecimalSeparatorSetting(const DecimalSeparatorSetting&) = delete;
  DecimalSeparatorSetting& operator=(const DecimalSeparatorSetting&) = delete;

 private:
  wchar_t saved_[8] = {};
};

TEST_F(FrmFleWindowTest, OpenOutputFolderShowsAnInstalledCopysDocumentsFolder) {
  window_.reset();
  desktop_.installed = true;
  desktop_.documents_folder = temp_.path() / "documents";
  window_.emplace(desktop_);
  ::PostMessageW(hwnd(), WM_COMMAND, MAKEWPARAM(kIdMnuFolder, 0), 0);
  Pump();
  const std::filesystem::path output = temp_.path() / "documents" / "Velbrix";
  EXPECT_TRUE(std::filesystem::is_directory(output));
  ASSERT_EQ(desktop_.shown_folders.size(), 1u);
  EXPECT_EQ(desktop_.shown_folders[0], output / "");
  EXPECT_TRUE(desktop_.messages.empty());
}

TEST_F(FrmFleWindowTest, DecimalSeparatorIsTheUsersOwnSetting) {
  const DecimalSeparatorSetting middle_dot(L"\u00B7");
  OpenByMenu(WriteRecording("rec01_eeg", 32));
  Click(controls().cmd_ok);
  WaitForTheRunsEnd();
  // Sample byte 0 of channel FP2, with the separator in UTF-8.
  EXPECT_EQ(ReadFile(program_dir_ / "rec01_eeg_FP2.eeg"),
            "-476\xC2\xB7"
            "25 \r\n");
}

// Run also under a German locale (LC_ALL=de_DE.UTF-8 under Wine), with VELBRIX_EXPECT_LOCALE
// naming the locale that the run must have.
TEST_F(FrmFleWindowTest, DecimalSeparatorFollowsTheLocale) {
  wchar_t locale[LOCALE_NAME_MAX_LENGTH] = {};
  ::GetUserDefaultLocaleName(locale, LOCALE_NAME_MAX_LENGTH);
  if (const char* expected = std::getenv("VELBRIX_EXPECT_LOCALE")) {
    ASSERT_EQ(std::wstring(locale), Widen(expected));
  }
  const std::map<std::wstring, std::string> separators = {
      {L"en-US", "."}, {L"en-GB", "."}, {L"de-DE", ","}, {L"fr-FR", ","}};
  const auto separator = separators.find(locale);
  if (separator == separators.end()) {
    GTEST_SKIP() << "no known separator for " << Narrow(locale);
  }
  OpenByMenu(WriteRecording("rec01_eeg", 32));
  Click(controls().cmd_ok);
  WaitForTheRunsEnd();
  EXPECT_EQ(ReadFile(program_dir_ / "rec01_eeg_FP2.eeg"), "-476" + separator->second + "25 \r\n");
}

}  // namespace
}  // namespace velbrix::win32
