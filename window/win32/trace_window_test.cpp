// Tests of the real trace window under a display (Xvfb under Wine), opened from the converter
// window's File menu with samples/demo_eeg. The run saves the trace window's canvas as it shows it
// beside the test program (velbrix_traces.bmp).
#include "window/win32/trace_window.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <utility>

#include "core/base/channel_table.h"
#include "core/formats/png_file.h"
#include "core/testing/stored_png.h"
#include "core/testing/test_support.h"
#include "window/trace/trace_window_layout.h"
#include "window/win32/frm_fle_layout.h"
#include "window/win32/frm_fle_window.h"
#include "window/win32/message_loop.h"
#include "window/win32/montage_editor_dialog.h"
#include "window/win32/system_desktop.h"
#include "window/win32/text.h"
#include "window/win32/trace_event_dialogs.h"
#include "window/win32/window_test_support.h"

namespace velbrix::win32 {
namespace {

using testing::CountPixels;
using testing::PostKeyPress;
using testing::SaveBitmap;
using testing::ScriptedDesktop;
using velbrix::testing::TempDir;
using velbrix::testing::WriteFile;

// How many pixels of `image` are in `ink`.
int Inked(const RgbImage& image, trace::Ink ink) {
  const trace::Rgb rgb = trace::InkColour(ink);
  int count = 0;
  for (std::size_t i = 0; i + 2 < image.pixels.size(); i += 3) {
    count += image.pixels[i] == rgb.red && image.pixels[i + 1] == rgb.green &&
                     image.pixels[i + 2] == rgb.blue
                 ? 1
                 : 0;
  }
  return count;
}

// The modal dialogs' answers, each for the dialog of its kind that is in front, given by a thread
// timer that runs within their modal loops.
enum class DialogKind { kLabel, kList, kMontage, kUnsaved, kMessage };
struct DialogAnswer {
  DialogKind kind;
  std::function<void(HWND)> act;
};
std::deque<DialogAnswer> g_answers;

BOOL CALLBACK FindFrontDialog(HWND window, LPARAM found) {
  wchar_t name[16] = {};
  ::GetClassNameW(window, name, 16);
  if (std::wstring(name) == L"#32770" && ::IsWindowVisible(window) && ::IsWindowEnabled(window)) {
    *reinterpret_cast<HWND*>(found) = window;
    return FALSE;
  }
  return TRUE;
}

void CALLBACK AnswerDialogs(HWND, UINT, UINT_PTR, DWORD) {
  HWND dialog = nullptr;
  ::EnumThreadWindows(::GetCurrentThreadId(), FindFrontDialog, reinterpret_cast<LPARAM>(&dialog));
  if (dialog == nullptr || g_answers.empty()) {
    return;
  }
  const DialogKind kind = ::GetDlgItem(dialog, kIdEventLabel) != nullptr    ? DialogKind::kLabel
                          : ::GetDlgItem(dialog, kIdEventsBox) != nullptr   ? DialogKind::kList
                          : ::GetDlgItem(dialog, kIdMontageRows) != nullptr ? DialogKind::kMontage
                          : ::GetDlgItem(dialog, kIdUnsavedDiscard) != nullptr
                              ? DialogKind::kUnsaved
                              : DialogKind::kMessage;
  if (kind != g_answers.front().kind) {
    return;
  }
  const DialogAnswer answer = g_answers.front();
  g_answers.pop_front();
  answer.act(dialog);
}

// The menu item of `window`'s menu bar whose text begins with `text`, as its command.
UINT MenuCommand(HWND window, const char* text) {
  const HMENU bar = ::GetMenu(window);
  for (int i = 0; i < ::GetMenuItemCount(bar); ++i) {
    const HMENU menu = ::GetSubMenu(bar, i);
    for (int j = 0; j < ::GetMenuItemCount(menu); ++j) {
      wchar_t item[128] = {};
      ::GetMenuStringW(menu, static_cast<UINT>(j), item, 128, MF_BYPOSITION);
      if (std::wstring(item).rfind(Widen(text), 0) == 0) {
        return ::GetMenuItemID(menu, j);
      }
    }
  }
  return 0;
}

void Press(HWND dialog, int id) {
  ::PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, 0), 0);
}

DialogAnswer LabelAnswer(const wchar_t* label) {
  return {DialogKind::kLabel, [label](HWND dialog) {
            ::SetWindowTextW(::GetDlgItem(dialog, kIdEventLabel), label);
            Press(dialog, IDOK);
          }};
}

class TraceWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    PumpMessages(nullptr);
    // The montage folder is the test's, not the Wine prefix's.
    ::_wputenv_s(L"APPDATA", (temp_ / "appdata").wstring().c_str());
    desktop_.program_folder = temp_.path();
    window_.emplace(desktop_);
    window_->Show(SW_SHOWNORMAL);
    PumpMessages(window_->hwnd());
  }
  void TearDown() override {
    window_.reset();
    PumpMessages(nullptr);
  }

  // Opens `path` by File > Open and File > View Traces, as their menu commands.
  void OpenTraces(const std::filesystem::path& path) {
    desktop_.dialog_answers.push_back(path);
    ::PostMessageW(window_->hwnd(), WM_COMMAND, MAKEWPARAM(kIdMnuOpen, 0), 0);
    ::PostMessageW(window_->hwnd(), WM_COMMAND, MAKEWPARAM(kIdMnuTraces, 0), 0);
    Settle();
    ASSERT_NE(Traces(), nullptr);
    ::MoveWindow(Traces()->hwnd(), 0, 0, 1000, 740, TRUE);
    Settle();
  }
  // Handles messages for a while, so that the overview's ticks come and go.
  void Settle() {
    for (int i = 0; i < 15; ++i) {
      PumpMessages(window_->hwnd());
      ::Sleep(20);
    }
    PumpMessages(window_->hwnd());
  }
  TraceWindow* Traces() const { return window_->trace_window(); }
  void Key(UINT key) {
    ::PostMessageW(Traces()->parts().canvas, WM_KEYDOWN, key, 1);
    Settle();
  }
  // Chooses entry `index` of a reading tool's box, as the user does.
  void ChooseTool(TraceTool tool, int index) {
    const HWND box = Traces()->parts().tools[static_cast<std::size_t>(tool)];
    ::SendMessageW(box, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
    ::PostMessageW(Traces()->hwnd(), WM_COMMAND, MAKEWPARAM(::GetDlgCtrlID(box), CBN_SELCHANGE),
                   reinterpret_cast<LPARAM>(box));
    Settle();
  }
  std::wstring StatusAtRow(int x, int row) {
    const trace::Rect& area = Traces()->controller().picture().traces;
    const double rows = static_cast<double>(Traces()->controller().page_rows().size());
    const double y = area.top + (row + 0.5) * area.height() / rows;
    ::PostMessageW(Traces()->parts().canvas, WM_MOUSEMOVE, 0,
                   MAKELPARAM(area.left + x, static_cast<int>(y)));
    PumpMessages(window_->hwnd());
    return WindowText(Traces()->parts().status);
  }
  std::wstring StatusOver(std::uint64_t record, const char* name) {
    const trace::TracePicture& picture = Traces()->controller().picture();
    const trace::Rect& area = picture.traces;
    const int index = ChannelAtPosition(*FindChannelPosition(name)).list_index;
    const double x =
        area.left + (static_cast<double>(record - Traces()->controller().first_record()) + 0.5) *
                        area.width() / static_cast<double>(Traces()->controller().page_records());
    const double y = area.top + (index + 0.5) * area.height() / 32.0;
    ::PostMessageW(Traces()->parts().canvas, WM_MOUSEMOVE, 0,
                   MAKELPARAM(static_cast<int>(std::lround(x)), static_cast<int>(y)));
    PumpMessages(window_->hwnd());
    return WindowText(Traces()->parts().status);
  }

  const std::filesystem::path demo_ = ModulePath(nullptr).parent_path() / "demo_eeg";
  TempDir temp_;
  ScriptedDesktop desktop_;
  std::optional<FrmFleWindow> window_;
};

TEST_F(TraceWindowTest, ViewTracesOpensAWindowOfThirtyTwoLabelledTraces) {
  OpenTraces(demo_);
  const HWND traces = Traces()->hwnd();
  EXPECT_EQ(WindowText(traces), L"Velbrix - demo_eeg");
  EXPECT_TRUE(::IsWindowVisible(traces));
  EXPECT_EQ(::GetWindow(traces, GW_OWNER), nullptr);  // a window of its own
  EXPECT_TRUE(::IsWindowEnabled(window_->hwnd()));    // the converter window stays usable
  EXPECT_NE(::GetWindowLongPtrW(traces, GWL_STYLE) & WS_THICKFRAME, 0);  // resizable

  std::vector<std::string> labels;
  for (const trace::Step& step : Traces()->controller().picture().steps) {
    if (const auto* text = std::get_if<trace::Text>(&step);
        text != nullptr &&
        (text->ink == trace::Ink::kLabel || text->ink == trace::Ink::kHighlightLabel)) {
      labels.push_back(text->text);
    }
  }
  ASSERT_EQ(labels.size(), 32u);
  for (int i = 0; i < 32; ++i) {
    EXPECT_EQ(labels[static_cast<std::size_t>(i)], ChannelAtListIndex(i).name);
  }
  // Every channel's band shows its trace on the screen, FP2's in the highlight's ink.
  const trace::Rect area = Traces()->controller().picture().traces;
  for (int band = 0; band < 32; ++band) {
    const RECT rect{area.left, area.top + band * area.height() / 32, area.right,
                    area.top + (band + 1) * area.height() / 32};
    const trace::Rgb ink =
        trace::InkColour(band == 0 ? trace::Ink::kHighlightTrace : trace::Ink::kTrace);
    EXPECT_GT(CountPixels(Traces()->parts().canvas, rect, RGB(ink.red, ink.green, ink.blue), 0),
              100)
        << "band " << band;
  }
  const RgbImage shown = Traces()->CanvasImage();
  EXPECT_GT(Inked(shown, trace::Ink::kTrace), 1000);  // what the window shows, not a blank
  SaveBitmap(shown, ModulePath(nullptr).parent_path() / "velbrix_traces.bmp");
}

TEST_F(TraceWindowTest, StatusLineGivesTheExactValueUnderTheMouse) {
  OpenTraces(demo_);
  Key(VK_ADD);  // 2 s: every record in a column of its own
  Key(VK_HOME);
  ASSERT_EQ(Traces()->controller().page_records(), 512u);
  ASSERT_EQ(Traces()->controller().first_record(), 0u);
  EXPECT_EQ(StatusOver(61, "EKG"), Widen("Record 62  \u00B7  0.238 s  \u00B7  EKG  \u00B7  "
                                         "416.25 \u00B5V"));
  EXPECT_EQ(StatusOver(300, "EKG"),
            Widen("Record 301  \u00B7  1.172 s  \u00B7  EKG  \u00B7  0 \u00B5V"));
}

TEST_F(TraceWindowTest, TheWindowFollowsTheMainWindowAndKeepsTheSampleRate) {
  OpenTraces(demo_);
  TraceWindow* traces = Traces();
  // The wheel: with Ctrl, a notch away from the user gives a shorter page; a notch towards the
  // user goes a step on.
  const auto turn_wheel = [&](int delta, WORD keys) {
    ::SendMessageW(traces->parts().canvas, WM_MOUSEWHEEL,
                   MAKEWPARAM(keys, static_cast<WORD>(static_cast<short>(delta))), 0);
  };
  ASSERT_EQ(traces->controller().page_records(), 1024u);  // the whole demo, 4 s
  turn_wheel(WHEEL_DELTA, MK_CONTROL);
  EXPECT_EQ(traces->controller().page_records(), 512u);  // 2 s
  const std::uint64_t first = traces->controller().first_record();
  turn_wheel(-WHEEL_DELTA, 0);
  EXPECT_EQ(traces->controller().first_record(), first + 51);
  // The sample rate, entered with Enter.
  ::SetWindowTextW(traces->parts().sample_rate, L"128");
  ::PostMessageW(traces->parts().sample_rate, WM_KEYDOWN, VK_RETURN, 1);
  Settle();
  EXPECT_EQ(traces->controller().sample_rate(), 128.0);
  // The page's length, chosen in its list as a user would.
  ::SendMessageW(traces->parts().page_length, CB_SETCURSEL, 0, 0);
  ::SendMessageW(traces->hwnd(), WM_COMMAND,
                 MAKEWPARAM(::GetDlgCtrlID(traces->parts().page_length), CBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(traces->parts().page_length));
  EXPECT_EQ(traces->controller().page_records(), 6u);  // 0.05 s at 128 Hz

  // Another recording shows in the same window; closing hides it and the rate stays.
  const std::filesystem::path other = temp_.path() / "other_eeg";
  WriteFile(other, std::string(64 * 32, '\x7F'));
  desktop_.dialog_answers.push_back(other);
  ::PostMessageW(window_->hwnd(), WM_COMMAND, MAKEWPARAM(kIdMnuOpen, 0), 0);
  Settle();
  EXPECT_EQ(Traces(), traces);
  EXPECT_EQ(WindowText(traces->hwnd()), L"Velbrix - other_eeg");
  ::SendMessageW(traces->hwnd(), WM_CLOSE, 0, 0);
  EXPECT_FALSE(::IsWindowVisible(traces->hwnd()));
  EXPECT_TRUE(::IsWindowVisible(window_->hwnd()));
  ::PostMessageW(window_->hwnd(), WM_COMMAND, MAKEWPARAM(kIdMnuTraces, 0), 0);
  Settle();
  EXPECT_TRUE(::IsWindowVisible(traces->hwnd()));
  EXPECT_EQ(WindowText(traces->parts().sample_rate), L"128");
}

TEST_F(TraceWindowTest, TabMovesBetweenThePartsInTheRowsOrder) {
  OpenTraces(demo_);
  const TraceWindow::Parts& parts = Traces()->parts();
  ::SetForegroundWindow(Traces()->hwnd());
  ::SetFocus(parts.canvas);
  PumpMessages(window_->hwnd());
  ASSERT_EQ(::GetFocus(), parts.canvas);
  for (HWND next : {parts.sample_rate, parts.page_length, parts.amplitude, parts.tools[0],
                    parts.tools[1], parts.tools[2], parts.tools[3], parts.canvas}) {
    PostKeyPress(Traces()->hwnd(), VK_TAB);
    PumpMessages(window_->hwnd());
    EXPECT_EQ(::GetFocus(), next);
  }
}

TEST_F(TraceWindowTest, EveryFieldTakesItsAccessKeyAndTheRowFitsTheFirstSize) {
  OpenTraces(demo_);
  const TraceWindow::Parts& parts = Traces()->parts();
  ::SetForegroundWindow(Traces()->hwnd());
  ::SetFocus(parts.canvas);
  PumpMessages(window_->hwnd());
  testing::MenuDriver keys(Traces()->hwnd());
  const std::pair<wchar_t, HWND> fields[] = {{L'R', parts.sample_rate}, {L'P', parts.page_length},
                                             {L'A', parts.amplitude},   {L'G', parts.tools[0]},
                                             {L'L', parts.tools[1]},    {L'N', parts.tools[2]},
                                             {L'M', parts.tools[3]}};
  for (const auto& [letter, field] : fields) {
    keys.PressAlt(letter);
    PumpMessages(window_->hwnd());
    EXPECT_EQ(::GetFocus(), field) << static_cast<char>(letter);
  }
  // At the window's first size the row ends inside the window, each box wide enough for its
  // longest entry.
  RECT client{};
  ::GetClientRect(Traces()->hwnd(), &client);
  RECT montage{};
  ::GetWindowRect(parts.tools[3], &montage);
  ::MapWindowPoints(HWND_DESKTOP, Traces()->hwnd(), reinterpret_cast<POINT*>(&montage), 2);
  EXPECT_LE(montage.right, client.right);
}

TEST_F(TraceWindowTest, AMonitorOfAnotherDpiMapsThePartsAgain) {
  OpenTraces(demo_);
  const HWND traces = Traces()->hwnd();
  RECT suggested{20, 10, 20 + 920, 10 + 730};  // the system's suggestion, within the screen
  ::SendMessageW(traces, WM_DPICHANGED, MAKEWPARAM(144, 144), reinterpret_cast<LPARAM>(&suggested));
  Settle();
  RECT outer{};
  ::GetWindowRect(traces, &outer);
  EXPECT_EQ(outer.left, 20);
  EXPECT_EQ(outer.top, 10);
  // The suggested width, or wider where the row of fields needs more at 144 dpi.
  EXPECT_GE(outer.right - outer.left, 920);
  RECT client{};
  ::GetClientRect(traces, &client);
  RECT montage{};
  ::GetWindowRect(Traces()->parts().tools[3], &montage);
  ::MapWindowPoints(HWND_DESKTOP, traces, reinterpret_cast<POINT*>(&montage), 2);
  EXPECT_LE(montage.right, client.right);
  RECT field{};
  ::GetWindowRect(Traces()->parts().sample_rate, &field);
  EXPECT_EQ(field.bottom - field.top, 33);  // the row's 22 pixels at 96 dpi, at 144
}

TEST_F(TraceWindowTest, AFilterAndAMontageFromTheirBoxesChangeTheTracesAndTheStatus) {
  OpenTraces(demo_);
  const std::wstring raw = StatusAtRow(300, 20);  // O1
  const HWND high_pass = Traces()->parts().tools[static_cast<std::size_t>(TraceTool::kHighPass)];
  ASSERT_EQ(::SendMessageW(high_pass, CB_GETCOUNT, 0, 0), 6);
  ChooseTool(TraceTool::kHighPass, 2);
  EXPECT_EQ(Traces()->controller().filters().high_pass, 0.3);
  EXPECT_NE(StatusAtRow(300, 20), raw);
  ChooseTool(TraceTool::kMontage, 3);
  EXPECT_EQ(Traces()->controller().page_rows().size(), 28u);
  EXPECT_NE(StatusAtRow(100, 0).find(L"FP1-F7"), std::wstring::npos);
}

TEST_F(TraceWindowTest, SavePictureWritesThePageAsAPngOfTheCanvasSize) {
  OpenTraces(demo_);
  const std::filesystem::path path = temp_.path() / "page.png";
  Traces()->SavePictureAs(path);
  EXPECT_EQ(WindowText(Traces()->parts().status),
            Widen("Saved the picture as " + PathForDisplay(path)));
  RgbImage image;
  ASSERT_TRUE(DecodeStoredPng(velbrix::testing::ReadFile(path), &image));
  RECT canvas{};
  ::GetClientRect(Traces()->parts().canvas, &canvas);
  EXPECT_EQ(image.width, canvas.right);
  EXPECT_EQ(image.height, canvas.bottom);
  EXPECT_GT(Inked(image, trace::Ink::kTrace), 1000);
  EXPECT_GT(Inked(image, trace::Ink::kScale), 20);  // the calibration bar and its figure
}

TEST_F(TraceWindowTest, ViewSpectrumOpensTheSpectrumOfThePage) {
  OpenTraces(demo_);
  EXPECT_EQ(Traces()->spectrum_window(), nullptr);
  HMENU view = ::GetSubMenu(::GetMenu(Traces()->hwnd()), 1);
  ASSERT_NE(view, nullptr);
  ::PostMessageW(Traces()->hwnd(), WM_COMMAND, MAKEWPARAM(::GetMenuItemID(view, 0), 0), 0);
  Settle();
  SpectrumWindow* spectrum = Traces()->spectrum_window();
  ASSERT_NE(spectrum, nullptr);
  EXPECT_TRUE(::IsWindowVisible(spectrum->hwnd()));
  EXPECT_EQ(WindowText(spectrum->hwnd()), L"Velbrix - demo_eeg - Spectrum");
  EXPECT_EQ(::SendMessageW(spectrum->channel(), CB_GETCOUNT, 0, 0), 33);
  int curves = 0;
  for (const trace::Step& step : Traces()->controller().spectrum_picture().steps) {
    curves += std::holds_alternative<trace::Polyline>(step) ? 1 : 0;
  }
  EXPECT_EQ(curves, 1);  // FP2, the highlighted channel
  RECT canvas{};
  ::GetClientRect(spectrum->canvas(), &canvas);
  ::PostMessageW(spectrum->canvas(), WM_MOUSEMOVE, 0,
                 MAKELPARAM(canvas.right / 4, canvas.bottom / 2));
  PumpMessages(window_->hwnd());
  EXPECT_NE(WindowText(spectrum->status()).find(L" Hz  \u00B7  FP2  \u00B7  "), std::wstring::npos)
      << Narrow(WindowText(spectrum->status()));
  // On a monitor of another dpi, its parts are mapped again.
  RECT status{};
  ::GetWindowRect(spectrum->status(), &status);
  EXPECT_EQ(status.bottom - status.top, 22);  // the row's height at 96 dpi
  RECT suggested{30, 20, 30 + 900, 20 + 700};
  ::SendMessageW(spectrum->hwnd(), WM_DPICHANGED, MAKEWPARAM(144, 144),
                 reinterpret_cast<LPARAM>(&suggested));
  Settle();
  RECT outer{};
  ::GetWindowRect(spectrum->hwnd(), &outer);
  EXPECT_EQ(outer.right - outer.left, 900);
  ::GetWindowRect(spectrum->status(), &status);
  EXPECT_EQ(status.bottom - status.top, 33);
  ::SendMessageW(spectrum->hwnd(), WM_CLOSE, 0, 0);
  EXPECT_FALSE(::IsWindowVisible(spectrum->hwnd()));
}

// View > Montage Editor... opens the editor on the montage shown; what it saves is chosen.
TEST_F(TraceWindowTest, TheMontageEditorSavesAMontageThatTheBoxThenShows) {
  OpenTraces(demo_);
  std::wstring first;
  g_answers = {{DialogKind::kMontage, [&first](HWND dialog) {
                  first = WindowText(::GetDlgItem(dialog, kIdMontageDerivation));
                  ::SetDlgItemTextW(dialog, kIdMontageDerivation, L"FP2-avg");
                  ::SetDlgItemTextW(dialog, kIdMontageName, L"Mine");
                  Press(dialog, IDOK);
                }}};
  const UINT_PTR timer = ::SetTimer(nullptr, 0, 20, AnswerDialogs);
  ::SendMessageW(Traces()->hwnd(), WM_COMMAND,
                 MAKEWPARAM(MenuCommand(Traces()->hwnd(), trace::kMontageEditorText), 0), 0);
  ::KillTimer(nullptr, timer);
  Settle();
  EXPECT_TRUE(g_answers.empty());
  EXPECT_EQ(Narrow(first), "FP2");
  EXPECT_TRUE(std::filesystem::is_regular_file(temp_ / "appdata" / "Velbrix" / "montages" /
                                               "Mine.montage"));
  EXPECT_EQ(Traces()->controller().montage().name, "Mine");
  EXPECT_EQ(Traces()->controller().page_rows().front().label, "FP2-avg");
  const HWND box = Traces()->parts().tools[static_cast<std::size_t>(TraceTool::kMontage)];
  EXPECT_EQ(::SendMessageW(box, CB_GETCOUNT, 0, 0), 5);
  EXPECT_EQ(::SendMessageW(box, CB_GETCURSEL, 0, 0), 4);
}

TEST_F(TraceWindowTest, TheKeyAddsAnEventAndTheEventsListRenamesAndDeletesAndCloseAsks) {
  const std::filesystem::path demo = temp_ / "events" / "demo_eeg";
  std::filesystem::create_directories(demo.parent_path());
  std::filesystem::copy_file(demo_, demo);
  OpenTraces(demo);
  const UINT_PTR timer = ::SetTimer(nullptr, 0, 20, AnswerDialogs);
  g_answers = {LabelAnswer(L"blink")};
  Key('M');
  Settle();
  ASSERT_EQ(Traces()->controller().events().list().size(), 1u);
  EXPECT_EQ(Traces()->controller().events().list()[0].label, "blink");

  std::wstring renamed;
  int left = -1;
  bool trace_window_enabled = false;
  const auto select_first = [](HWND dialog) {
    ::SendDlgItemMessageW(dialog, kIdEventsBox, LB_SETCURSEL, 0, 0);
  };
  g_answers = {
      {DialogKind::kList,
       [&](HWND dialog) {
         // A window of its own: the trace window beside it still takes the mouse and keys.
         trace_window_enabled = ::IsWindowEnabled(Traces()->hwnd()) != FALSE;
         select_first(dialog);
         Press(dialog, kIdRenameEvent);
       }},
      LabelAnswer(L"spike"),
      {DialogKind::kList,
       [&](HWND dialog) {
         wchar_t text[256] = {};
         ::SendDlgItemMessageW(dialog, kIdEventsBox, LB_GETTEXT, 0, reinterpret_cast<LPARAM>(text));
         renamed = text;
         select_first(dialog);
         Press(dialog, kIdDeleteEvent);
       }},
      {DialogKind::kList,
       [&](HWND dialog) {
         left = static_cast<int>(::SendDlgItemMessageW(dialog, kIdEventsBox, LB_GETCOUNT, 0, 0));
         Press(dialog, IDCANCEL);
       }},
  };
  ::PostMessageW(Traces()->hwnd(), WM_COMMAND,
                 MAKEWPARAM(MenuCommand(Traces()->hwnd(), "Events &List"), 0), 0);
  Settle();
  Settle();
  EXPECT_TRUE(g_answers.empty());
  EXPECT_NE(renamed.find(L"spike"), std::wstring::npos);
  EXPECT_EQ(left, 0);
  EXPECT_TRUE(trace_window_enabled);
  EXPECT_TRUE(Traces()->controller().events().unsaved());

  // Closing asks, with Save, Discard and Cancel: Cancel keeps the window, Discard lets the
  // changes go and closes it.
  std::wstring buttons;
  g_answers = {{DialogKind::kUnsaved, [&](HWND dialog) {
                  for (const int id : {kIdUnsavedSave, kIdUnsavedDiscard, IDCANCEL}) {
                    wchar_t text[32] = {};
                    ::GetDlgItemTextW(dialog, id, text, 32);
                    buttons += std::wstring(text) + L"|";
                  }
                  Press(dialog, IDCANCEL);
                }}};
  ::PostMessageW(Traces()->hwnd(), WM_CLOSE, 0, 0);
  Settle();
  EXPECT_TRUE(g_answers.empty());
  EXPECT_EQ(buttons, L"&Save|&Discard|Cancel|");
  EXPECT_TRUE(::IsWindowVisible(Traces()->hwnd()));
  // Closing the converter window, which ends the program, asks too; Cancel keeps both.
  g_answers = {{DialogKind::kUnsaved, [](HWND dialog) { Press(dialog, IDCANCEL); }}};
  ::PostMessageW(window_->hwnd(), WM_CLOSE, 0, 0);
  Settle();
  EXPECT_TRUE(g_answers.empty());
  EXPECT_TRUE(::IsWindowVisible(window_->hwnd()));
  EXPECT_TRUE(::IsWindowVisible(Traces()->hwnd()));
  g_answers = {{DialogKind::kUnsaved, [](HWND dialog) { Press(dialog, kIdUnsavedDiscard); }}};
  ::PostMessageW(Traces()->hwnd(), WM_CLOSE, 0, 0);
  Settle();
  EXPECT_TRUE(g_answers.empty());
  EXPECT_FALSE(::IsWindowVisible(Traces()->hwnd()));
  EXPECT_FALSE(std::filesystem::exists(temp_ / "events" / "demo_events.tsv"));

  // Save writes the events beside the recording before the window closes; the Delete key
  // deletes the chosen row of the Events list.
  OpenTraces(demo);
  g_answers = {LabelAnswer(L"gone")};
  Key('M');
  Key(VK_NEXT);
  g_answers = {LabelAnswer(L"saved")};
  Key('M');
  Settle();
  // The Events list stays open beside the trace window until that closes.
  const auto events_list = [] {
    HWND dialog = nullptr;
    ::EnumThreadWindows(::GetCurrentThreadId(), FindFrontDialog, reinterpret_cast<LPARAM>(&dialog));
    return dialog != nullptr && ::GetDlgItem(dialog, kIdEventsBox) != nullptr;
  };
  ::PostMessageW(Traces()->hwnd(), WM_COMMAND,
                 MAKEWPARAM(MenuCommand(Traces()->hwnd(), "Events &List"), 0), 0);
  Settle();
  EXPECT_TRUE(events_list());
  const HWND list = ::FindWindowW(L"#32770", L"Events");
  ::SendDlgItemMessageW(list, kIdEventsBox, LB_SETCURSEL, 0, 0);  // the first, "gone"
  PostKeyPress(::GetDlgItem(list, kIdEventsBox), VK_DELETE);
  Settle();
  EXPECT_EQ(::SendDlgItemMessageW(list, kIdEventsBox, LB_GETCOUNT, 0, 0), 1);
  g_answers = {{DialogKind::kUnsaved, [](HWND dialog) { Press(dialog, kIdUnsavedSave); }}};
  ::PostMessageW(Traces()->hwnd(), WM_CLOSE, 0, 0);
  Settle();
  EXPECT_TRUE(g_answers.empty());
  EXPECT_FALSE(::IsWindowVisible(Traces()->hwnd()));
  EXPECT_FALSE(events_list());
  const std::string saved = velbrix::testing::ReadFile(temp_ / "events" / "demo_events.tsv");
  EXPECT_NE(saved.find("saved"), std::string::npos);
  EXPECT_EQ(saved.find("gone"), std::string::npos);
  ::KillTimer(nullptr, timer);
}

}  // namespace
}  // namespace velbrix::win32
