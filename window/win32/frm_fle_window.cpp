// The converter window's controls, its messages and its view operations.
#include "window/win32/frm_fle_window.h"

#include <commctrl.h>

#include <string_view>
#include <utility>

#include "window/converter/frm_fle_layout.h"
#include "window/win32/fra_ch_frame.h"
#include "window/win32/frm_fle_layout.h"
#include "window/win32/text.h"
#include "window/win32/window_class.h"

namespace velbrix::win32 {
namespace {

constexpr wchar_t kClassName[] = L"VelbrixFrmFle";
// A fixed frame: a caption with the system menu and a minimise button; no resizing.
constexpr DWORD kWindowStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
// The smallest font in which a notice in LblFile is shown.
constexpr double kSmallestNoticePoints = 6;
constexpr DWORD kLabelStyle = WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | SS_CENTER | SS_NOPREFIX;
// Tells the window that tasks were posted to its queue.
constexpr UINT kWmPostedTasks = WM_APP + 1;

// The window shares one GDI font between FraCh's border and the option buttons and one between
// the push buttons, and gives both option buttons one text colour: the layout must agree.
constexpr bool SameFont(const layout::Font& a, const layout::Font& b) {
  return std::string_view(a.face) == b.face && a.points == b.points && a.bold == b.bold &&
         a.italic == b.italic && a.underline == b.underline;
}
static_assert(SameFont(*layout::kOptch0.font, *layout::kFraCh.font) &&
              SameFont(*layout::kOptch1.font, *layout::kFraCh.font) &&
              SameFont(*layout::kCmdCancel.font, *layout::kCmdOk.font));
static_assert(ColorRef(*layout::kOptch1.text_colour) == ColorRef(*layout::kOptch0.text_colour));
// Label15's ground is painted with the stock white brush.
static_assert(ColorRef(*layout::kLabel15.back_colour) == RGB(255, 255, 255));

HMENU MakeMenuBar() {
  HMENU file = ::CreatePopupMenu();
  ::AppendMenuW(file, MF_STRING, kIdMnuOpen, Widen(layout::kMnuOpenCaption).c_str());
  ::AppendMenuW(file, MF_SEPARATOR, 0, nullptr);
  ::AppendMenuW(file, MF_STRING, kIdMnuExport, Widen(layout::kMnuExportCaption).c_str());
  ::AppendMenuW(file, MF_STRING, kIdMnuTraces, Widen(layout::kMnuTracesCaption).c_str());
  ::AppendMenuW(file, MF_STRING, kIdMnuFolder, Widen(layout::kMnuFolderCaption).c_str());
  HMENU bar = ::CreateMenu();
  ::AppendMenuW(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(file),
                Widen(layout::kMnuFileCaption).c_str());
  return bar;
}

// The dpi of the monitor that `window` is on, or 0 where the system does not know it per window
// (before Windows 10 1607: there the system's dpi holds for every window).
int WindowDpi(HWND window) {
  using GetDpiForWindowFunction = UINT(WINAPI*)(HWND);
  static const auto get_dpi_for_window =
      reinterpret_cast<GetDpiForWindowFunction>(reinterpret_cast<void*>(
          ::GetProcAddress(::GetModuleHandleW(L"user32.dll"), "GetDpiForWindow")));
  return get_dpi_for_window != nullptr ? static_cast<int>(get_dpi_for_window(window)) : 0;
}

}  // namespace

FrmFleWindow::FrmFleWindow(Desktop& desktop)
    : desktop_(desktop), controller_(*this, desktop, runner_) {
  const INITCOMMONCONTROLSEX common{sizeof(INITCOMMONCONTROLSEX), ICC_PROGRESS_CLASS};
  ::InitCommonControlsEx(&common);
  HDC screen = ::GetDC(nullptr);
  dpi_x_ = ::GetDeviceCaps(screen, LOGPIXELSX);
  dpi_y_ = ::GetDeviceCaps(screen, LOGPIXELSY);
  ::ReleaseDC(nullptr, screen);

  CreateFonts();
  CreateMainWindow();
  CreateFrameControls();
  CreateWindowControls();
  // A window may open on a monitor whose dpi differs from the system's (where Windows knows the dpi
  // of each monitor: from Windows 10 1607).
  if (const int dpi = WindowDpi(hwnd_); dpi != 0 && (dpi != dpi_x_ || dpi != dpi_y_)) {
    RECT outer{};
    ::GetWindowRect(hwnd_, &outer);
    ApplyDpi(dpi, dpi, outer.left, outer.top);
  }
  controller_.Form_Load();
}

void FrmFleWindow::CreateFonts() {
  lbl_file_font_ = CreateLayoutFont(*layout::kLblFile.font, dpi_y_);
  fra_ch_font_ = CreateLayoutFont(*layout::kFraCh.font, dpi_y_);
  lst_ch_font_ = CreateLayoutFont(*layout::kLstCh.font, dpi_y_);
  cmd_font_ = CreateLayoutFont(*layout::kCmdOk.font, dpi_y_);
  label1_font_ = CreateLayoutFont(*layout::kLabel1.font, dpi_y_);
  label15_font_ = CreateLayoutFont(*layout::kLabel15.font, dpi_y_);
}

void FrmFleWindow::ApplyDpi(int dpi_x, int dpi_y, int left, int top) {
  dpi_x_ = dpi_x;
  dpi_y_ = dpi_y;
  // The controls take the new fonts before the old ones are deleted.
  Font old_fonts[] = {std::move(lbl_file_font_), std::move(fra_ch_font_), std::move(lst_ch_font_),
                      std::move(cmd_font_),      std::move(label1_font_), std::move(label15_font_)};
  CreateFonts();
  const Font no_font;
  const layout::TwipsRect frame{0, 0, layout::kFraCh.rect.width, layout::kFraCh.rect.height};
  const struct {
    HWND control;
    const layout::TwipsRect& place;
    const Font& font;
  } controls[] = {
      {controls_.fra_ch, layout::kFraCh.rect, no_font},
      {controls_.fra_ch_border, frame, fra_ch_font_},
      {controls_.optch[0], layout::kOptch0.rect, fra_ch_font_},
      {controls_.optch[1], layout::kOptch1.rect, fra_ch_font_},
      {controls_.lst_ch, layout::kLstCh.rect, lst_ch_font_},
      {controls_.cmd_ok, layout::kCmdOk.rect, cmd_font_},
      {controls_.cmd_cancel, layout::kCmdCancel.rect, cmd_font_},
      {controls_.label1, layout::kLabel1.rect, label1_font_},
      {controls_.lbl_file, layout::kLblFile.rect, lbl_file_font_},
      {controls_.label15, layout::kLabel15.rect, label15_font_},
      {controls_.image1, layout::kImage1.rect, no_font},
      {controls_.progress, layout::kProgress.rect, no_font},
  };
  for (const auto& c : controls) {
    const RECT rect = PixelRect(c.place, dpi_x_, dpi_y_);
    ::SetWindowPos(c.control, nullptr, rect.left, rect.top, rect.right - rect.left,
                   rect.bottom - rect.top, SWP_NOZORDER | SWP_NOACTIVATE);
    if (c.font.get() != nullptr) {
      ::SendMessageW(c.control, WM_SETFONT, reinterpret_cast<WPARAM>(c.font.get()), FALSE);
    }
  }
  if (!lbl_file_notice_.empty()) {
    SetLblFileNotice(std::string(lbl_file_notice_));  // fitted again at the new dpi
  }

  // The frame's size follows the client area's: first at the new place, to let the system measure
  // the menu bar and the borders at the new dpi, then by what the client area still lacks.
  const int width = layout::TwipsToPixels(layout::kClientWidth, dpi_x_);
  const int height = layout::TwipsToPixels(layout::kClientHeight, dpi_y_);
  for (int pass = 0; pass < 2; ++pass) {
    RECT outer{}, client{};
    ::GetWindowRect(hwnd_, &outer);
    ::GetClientRect(hwnd_, &client);
    ::SetWindowPos(hwnd_, nullptr, left, top, outer.right - outer.left + width - client.right,
                   outer.bottom - outer.top + height - client.bottom,
                   SWP_NOZORDER | SWP_NOACTIVATE);
  }
  ::InvalidateRect(hwnd_, nullptr, TRUE);
}

FrmFleWindow::~FrmFleWindow() {
  controller_.Form_Unload();
  if (hwnd_ != nullptr) {
    ::DestroyWindow(hwnd_);
  }
}

void FrmFleWindow::Show(int show_command) {
  ::ShowWindow(hwnd_, show_command);
  ::UpdateWindow(hwnd_);
}

void FrmFleWindow::CreateMainWindow() {
  const HINSTANCE instance = ::GetModuleHandleW(nullptr);
  if (!RegisterClassOnce(TopLevelClass(instance, kClassName, WindowProc))) {
    ThrowLastError("Cannot register the window class");
  }
  controls_.menu = MakeMenuBar();
  // The outer size that gives the client area its fixed size below the menu bar.
  RECT outer{0, 0, layout::TwipsToPixels(layout::kClientWidth, dpi_x_),
             layout::TwipsToPixels(layout::kClientHeight, dpi_y_)};
  ::AdjustWindowRectEx(&outer, kWindowStyle, TRUE, 0);
  // WindowProc keeps `this` at WM_NCCREATE and sets hwnd_.
  if (::CreateWindowExW(0, kClassName, Widen(layout::kCaption).c_str(),
                        kWindowStyle | WS_CLIPCHILDREN, CW_USEDEFAULT, CW_USEDEFAULT,
                        outer.right - outer.left, outer.bottom - outer.top, nullptr, controls_.menu,
                        instance, this) == nullptr) {
    ::DestroyMenu(controls_.menu);
    ThrowLastError("Cannot create the window");
  }
  post_target_ = hwnd_;
}

HWND FrmFleWindow::CreateControl(HWND parent, DWORD ex_style, const wchar_t* window_class,
                                 const wchar_t* text, DWORD style, const layout::TwipsRect& place,
                                 int id, const Font& font) {
  const RECT rect = PixelRect(place, dpi_x_, dpi_y_);
  HWND control = ::CreateWindowExW(ex_style, window_class, text, style, rect.left, rect.top,
                                   rect.right - rect.left, rect.bottom - rect.top, parent,
                                   reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                                   ::GetModuleHandleW(nullptr), nullptr);
  if (control == nullptr) {
    ThrowLastError("Cannot create a control of the window");
  }
  if (font.get() != nullptr) {
    ::SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font.get()), FALSE);
  }
  return control;
}

void FrmFleWindow::CreateFrameControls() {
  // The container is created first, so it lies above every other control of the window.
  controls_.fra_ch =
      CreateFraChFrame(hwnd_, PixelRect(layout::kFraCh.rect, dpi_x_, dpi_y_), kIdFraCh);
  if (controls_.fra_ch == nullptr) {
    ThrowLastError("Cannot create the frame of the window");
  }
  const HWND frame = controls_.fra_ch;
  constexpr DWORD kChild = WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS;
  // Tab order follows creation: the option group, the list, OK, Cancel.
  controls_.optch[0] = CreateControl(frame, 0, L"BUTTON", Widen(layout::kOptch0Caption).c_str(),
                                     kChild | WS_GROUP | WS_TABSTOP | BS_AUTORADIOBUTTON,
                                     layout::kOptch0.rect, kIdOptch0, fra_ch_font_);
  controls_.optch[1] =
      CreateControl(frame, 0, L"BUTTON", Widen(layout::kOptch1Caption).c_str(),
                    kChild | BS_AUTORADIOBUTTON, layout::kOptch1.rect, kIdOptch1, fra_ch_font_);
  controls_.lst_ch =
      CreateControl(frame, WS_EX_CLIENTEDGE, L"LISTBOX", L"",
                    kChild | WS_GROUP | WS_TABSTOP | WS_VSCROLL | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT,
                    layout::kLstCh.rect, kIdLstCh, lst_ch_font_);
  controls_.cmd_ok = CreateControl(frame, 0, L"BUTTON", Widen(layout::kCmdOkCaption).c_str(),
                                   kChild | WS_GROUP | WS_TABSTOP | BS_PUSHBUTTON,
                                   layout::kCmdOk.rect, kIdCmdOk, cmd_font_);
  controls_.cmd_cancel = CreateControl(
      frame, 0, L"BUTTON", Widen(layout::kCmdCancelCaption).c_str(),
      kChild | WS_TABSTOP | BS_PUSHBUTTON, layout::kCmdCancel.rect, kIdCmdCancel, cmd_font_);
  // The group box last, beneath the controls that it surrounds.
  const layout::TwipsRect whole{0, 0, layout::kFraCh.rect.width, layout::kFraCh.rect.height};
  controls_.fra_ch_border =
      CreateControl(frame, 0, L"BUTTON", Widen(layout::kFraChCaption).c_str(),
                    kChild | WS_GROUP | BS_GROUPBOX, whole, kIdFraChBorder, fra_ch_font_);
}

void FrmFleWindow::CreateWindowControls() {
  // Beneath the frame, in the order of the remaining tab indexes.
  controls_.label1 = CreateControl(hwnd_, 0, L"STATIC", Widen(kTitleText).c_str(), kLabelStyle,
                                   layout::kLabel1.rect, kIdLabel1, label1_font_);
  controls_.lbl_file = CreateControl(hwnd_, 0, L"STATIC", Widen(kIdleFileText).c_str(), kLabelStyle,
                                     layout::kLblFile.rect, kIdLblFile, lbl_file_font_);
  controls_.label15 = CreateControl(hwnd_, 0, L"STATIC", Widen(layout::kMakerNotice).c_str(),
                                    kLabelStyle, layout::kLabel15.rect, kIdLabel15, label15_font_);
  controls_.image1 = CreateControl(hwnd_, 0, L"STATIC", L"", WS_CHILD | WS_VISIBLE | SS_OWNERDRAW,
                                   layout::kImage1.rect, kIdImage1, Font());
  controls_.progress = CreateControl(hwnd_, 0, PROGRESS_CLASSW, L"", WS_CHILD | PBS_SMOOTH,
                                     layout::kProgress.rect, kIdProgress, Font());
  ::SendMessageW(controls_.progress, PBM_SETRANGE32, 0, 100);
}

LRESULT CALLBACK FrmFleWindow::WindowProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_NCCREATE) {
    auto* self =
        static_cast<FrmFleWindow*>(reinterpret_cast<CREATESTRUCTW*>(lparam)->lpCreateParams);
    self->hwnd_ = hwnd;
    ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
  }
  auto* self = reinterpret_cast<FrmFleWindow*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  if (self == nullptr) {
    return ::DefWindowProcW(hwnd, message, wparam, lparam);
  }
  if (message == WM_NCDESTROY) {
    ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
    self->hwnd_ = nullptr;
    return ::DefWindowProcW(hwnd, message, wparam, lparam);
  }
  return self->HandleMessage(message, wparam, lparam);
}

LRESULT FrmFleWindow::HandleMessage(UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_COMMAND:
      OnCommand(LOWORD(wparam), HIWORD(wparam), reinterpret_cast<HWND>(lparam));
      return 0;
    case WM_CTLCOLORSTATIC:
      return OnCtlColorStatic(reinterpret_cast<HDC>(wparam), reinterpret_cast<HWND>(lparam));
    case WM_DRAWITEM:
      OnDrawItem(*reinterpret_cast<const DRAWITEMSTRUCT*>(lparam));
      return TRUE;
    case WM_CLOSE:
      // Closing this window ends the program: the trace window's unsaved events are asked about
      // first, and kept (Cancel, or a save that failed) they keep both windows open.
      if (trace_window_ != nullptr && ::IsWindowVisible(trace_window_->hwnd())) {
        ::SendMessageW(trace_window_->hwnd(), WM_CLOSE, 0, 0);
        if (trace_window_->controller().events().unsaved()) {
          return 0;
        }
      }
      if (controller_.Form_QueryUnload()) {
        ::DestroyWindow(hwnd_);
      }
      return 0;
    case kWmPostedTasks:
      RunPostedTasks();
      return 0;
    case WM_DPICHANGED: {
      const RECT& suggested = *reinterpret_cast<const RECT*>(lparam);
      ApplyDpi(LOWORD(wparam), HIWORD(wparam), suggested.left, suggested.top);
      return 0;
    }
    case WM_DESTROY:
      ::PostQuitMessage(0);
      return 0;
    default:
      return ::DefWindowProcW(hwnd_, message, wparam, lparam);
  }
}

void FrmFleWindow::OnCommand(int id, int code, HWND control) {
  if (control == nullptr) {
    // The menu (code 0). Enter and Escape arrive here as IDOK and IDCANCEL: Enter does nothing,
    // Escape asks to stop a run.
    if (code != 0) {
      return;
    }
    switch (id) {
      case IDCANCEL:
        controller_.Form_Escape();
        break;
      case kIdMnuOpen:
        controller_.mnuopen_Click();
        break;
      case kIdMnuExport:
        controller_.mnuexport_Click();
        break;
      case kIdMnuTraces:
        controller_.mnutraces_Click();
        break;
      case kIdMnuFolder:
        controller_.mnufolder_Click();
        break;
      default:
        break;
    }
    return;
  }
  for (std::int16_t index = 0; index < 2; ++index) {
    if (control == controls_.optch[static_cast<std::size_t>(index)]) {
      if (code == BN_CLICKED && ::SendMessageW(control, BM_GETCHECK, 0, 0) == BST_CHECKED) {
        controller_.optch_Click(index);
      }
      return;
    }
  }
  if (control == controls_.lst_ch && code == LBN_SELCHANGE) {
    controller_.LstCh_Click();
  } else if (control == controls_.cmd_ok && code == BN_CLICKED) {
    controller_.CmdOk_Click();
  } else if (control == controls_.cmd_cancel && code == BN_CLICKED) {
    controller_.CmdCancel_Click();
  }
}

LRESULT FrmFleWindow::OnCtlColorStatic(HDC dc, HWND control) {
  COLORREF text = ::GetSysColor(COLOR_WINDOWTEXT);
  if (control == controls_.lbl_file) {
    text = ColorRef(*layout::kLblFile.text_colour);
  } else if (control == controls_.label1) {
    text = ColorRef(*layout::kLabel1.text_colour);
  } else if (control == controls_.fra_ch_border) {
    text = ColorRef(*layout::kFraCh.text_colour);
  } else if (control == controls_.optch[0] || control == controls_.optch[1]) {
    text = ColorRef(*layout::kOptch0.text_colour);
  } else if (control == controls_.label15) {
    ::SetTextColor(dc, ColorRef(*layout::kLabel15.text_colour));
    ::SetBkColor(dc, ColorRef(*layout::kLabel15.back_colour));
    return reinterpret_cast<LRESULT>(::GetStockObject(WHITE_BRUSH));
  }
  ::SetTextColor(dc, text);
  ::SetBkColor(dc, ::GetSysColor(COLOR_BTNFACE));
  return reinterpret_cast<LRESULT>(::GetSysColorBrush(COLOR_BTNFACE));
}

void FrmFleWindow::OnDrawItem(const DRAWITEMSTRUCT& item) {
  if (item.hwndItem != controls_.image1) {
    return;
  }
  ::FillRect(item.hDC, &item.rcItem, ::GetSysColorBrush(COLOR_BTNFACE));
  image1_picture_.Draw(item.hDC, item.rcItem.left, item.rcItem.top, dpi_x_, dpi_y_);
}

void FrmFleWindow::SetLblFileCaption(const std::string& text) {
  if (!lbl_file_notice_.empty()) {
    lbl_file_notice_.clear();
    const RECT place = PixelRect(layout::kLblFile.rect, dpi_x_, dpi_y_);
    ::SetWindowPos(controls_.lbl_file, nullptr, place.left, place.top, place.right - place.left,
                   place.bottom - place.top, SWP_NOZORDER | SWP_NOACTIVATE);
    ::SendMessageW(controls_.lbl_file, WM_SETFONT, reinterpret_cast<WPARAM>(lbl_file_font_.get()),
                   FALSE);
    notice_font_ = Font();  // no longer the label's
  }
  ::SetWindowTextW(controls_.lbl_file, Widen(text).c_str());
}

void FrmFleWindow::SetLblFileNotice(const std::string& text) {
  lbl_file_notice_ = text;
  const std::wstring shown = Widen(text);
  layout::TwipsRect room = layout::kLblFile.rect;
  room.height = layout::kLabel1.rect.top - room.top;
  const RECT place = PixelRect(room, dpi_x_, dpi_y_);
  const int width = place.right - place.left;
  const int height = place.bottom - place.top;
  // The label's font, or the largest smaller one in half points in which the text fits, measured
  // as the label draws it.
  layout::Font look = *layout::kLblFile.font;
  Font font;
  const HDC dc = ::GetDC(controls_.lbl_file);
  for (; look.points > kSmallestNoticePoints; look.points -= 0.5) {
    font = CreateLayoutFont(look, dpi_y_);
    const HGDIOBJ old = ::SelectObject(dc, font.get());
    RECT needed{0, 0, width, 0};
    ::DrawTextW(dc, shown.c_str(), -1, &needed,
                DT_CALCRECT | DT_CENTER | DT_WORDBREAK | DT_NOPREFIX | DT_EXPANDTABS);
    ::SelectObject(dc, old);
    if (needed.right <= width && needed.bottom <= height) {
      break;
    }
  }
  ::ReleaseDC(controls_.lbl_file, dc);
  ::SetWindowPos(controls_.lbl_file, nullptr, place.left, place.top, width, height,
                 SWP_NOZORDER | SWP_NOACTIVATE);
  ::SendMessageW(controls_.lbl_file, WM_SETFONT, reinterpret_cast<WPARAM>(font.get()), FALSE);
  notice_font_ = std::move(font);  // the one the label had before goes only now
  ::SetWindowTextW(controls_.lbl_file, shown.c_str());
}

void FrmFleWindow::SetLabel1Caption(const std::string& text) {
  ::SetWindowTextW(controls_.label1, Widen(text).c_str());
  // Paint now, with whatever a hidden frame uncovered: the converting state shows before the run.
  ::RedrawWindow(hwnd_, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
}

void FrmFleWindow::ShowFraCh(bool visible) {
  if (!visible && ::IsChild(controls_.fra_ch, ::GetFocus())) {
    ::SetFocus(hwnd_);  // nothing inside a hidden frame keeps the focus
  }
  ::ShowWindow(controls_.fra_ch, visible ? SW_SHOW : SW_HIDE);
}

void FrmFleWindow::EnableMnuFile(bool enabled) {
  ::EnableMenuItem(controls_.menu, 0, MF_BYPOSITION | (enabled ? MF_ENABLED : MF_GRAYED));
  ::DrawMenuBar(hwnd_);
}

void FrmFleWindow::EnableMenuItem(MenuItem item, bool enabled) {
  int id = kIdMnuFolder;
  switch (item) {
    case MenuItem::kExport:
      id = kIdMnuExport;
      break;
    case MenuItem::kViewTraces:
      id = kIdMnuTraces;
      break;
    case MenuItem::kOpenOutputFolder:
      id = kIdMnuFolder;
      break;
  }
  const UINT flags = enabled ? MF_ENABLED : MF_GRAYED;
  ::EnableMenuItem(controls_.menu, static_cast<UINT>(id), MF_BYCOMMAND | flags);
}

void FrmFleWindow::EnableLstCh(bool enabled) {
  ::EnableWindow(controls_.lst_ch, enabled ? TRUE : FALSE);
}

void FrmFleWindow::AppendLstCh(const std::string& entry) {
  ::SendMessageW(controls_.lst_ch, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Widen(entry).c_str()));
}

void FrmFleWindow::SelectLstCh(int index) {
  ::SendMessageW(controls_.lst_ch, LB_SETCURSEL, static_cast<WPARAM>(index), 0);
}

std::string FrmFleWindow::LstChText() const {
  const LRESULT selected = ::SendMessageW(controls_.lst_ch, LB_GETCURSEL, 0, 0);
  if (selected == LB_ERR) {
    return {};
  }
  const auto item = static_cast<WPARAM>(selected);
  const LRESULT length = ::SendMessageW(controls_.lst_ch, LB_GETTEXTLEN, item, 0);
  if (length == LB_ERR) {
    return {};
  }
  std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
  ::SendMessageW(controls_.lst_ch, LB_GETTEXT, item, reinterpret_cast<LPARAM>(text.data()));
  text.resize(static_cast<std::size_t>(length));
  return Narrow(text);
}

void FrmFleWindow::SelectOptch(int index) {
  for (int i = 0; i < 2; ++i) {
    ::SendMessageW(controls_.optch[static_cast<std::size_t>(i)], BM_SETCHECK,
                   i == index ? BST_CHECKED : BST_UNCHECKED, 0);
  }
}

void FrmFleWindow::ShowProgress(bool visible) {
  ::ShowWindow(controls_.progress, visible ? SW_SHOW : SW_HIDE);
}

void FrmFleWindow::SetProgress(int percent) {
  ::SendMessageW(controls_.progress, PBM_SETPOS, static_cast<WPARAM>(percent), 0);
}

void FrmFleWindow::CloseWindow() {
  ::PostMessageW(hwnd_, WM_CLOSE, 0, 0);
}

void FrmFleWindow::PostTask(BackgroundRunner::Task task) {
  {
    const std::lock_guard<std::mutex> lock(tasks_mutex_);
    tasks_.push_back(std::move(task));
  }
  // Fails only once the window is gone, when the task is not to run.
  ::PostMessageW(post_target_, kWmPostedTasks, 0, 0);
}

void FrmFleWindow::RunPostedTasks() {
  while (hwnd_ != nullptr) {
    std::function<void()> task;
    {
      const std::lock_guard<std::mutex> lock(tasks_mutex_);
      if (tasks_.empty()) {
        return;
      }
      task = std::move(tasks_.front());
      tasks_.pop_front();
    }
    task();
  }
}

bool FrmFleWindow::IsTraceWindowOpen() const {
  return trace_window_ != nullptr && ::IsWindowVisible(trace_window_->hwnd());
}

void FrmFleWindow::ShowTraceWindow(const TraceSubject& subject, TraceShow how) {
  if (how != TraceShow::kOpen) {
    trace_window_->ShowSubject(subject, how == TraceShow::kReread);
    return;
  }
  if (trace_window_ == nullptr) {
    trace_window_ = std::make_unique<TraceWindow>(desktop_.DecimalSeparator());
  }
  const HWND traces = trace_window_->hwnd();
  if (!::IsWindowVisible(traces)) {
    ::ShowWindow(traces, SW_SHOWNORMAL);
  }
  trace_window_->ShowSubject(subject, true);
  ::SetForegroundWindow(traces);
}

void FrmFleWindow::BringToTop() {
  ::BringWindowToTop(hwnd_);
}

}  // namespace velbrix::win32
