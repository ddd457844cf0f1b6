// The trace window's parts, messages and view operations.
#include "window/win32/trace_window.h"

#include <algorithm>
#include <cstring>
#include <cwctype>
#include <iterator>
#include <optional>

#include <commdlg.h>

#include "window/events/trace_events_subject.h"
#include "window/trace/trace_window_layout.h"
#include "window/win32/detect_events_dialog.h"
#include "window/win32/import_events_dialog.h"
#include "window/win32/message_loop.h"
#include "window/win32/montage_editor_dialog.h"
#include "window/win32/text.h"
#include "window/win32/trace_event_dialogs.h"
#include "window/win32/window_class.h"

namespace velbrix::win32 {
namespace {

// Asks for the name of a file to write, offering the files of `filter` ("PNG pictures (*.png)")
// with the extension `extension`, which a name without one gets. Nothing when cancelled.
std::optional<std::filesystem::path> AskSaveName(HWND owner, const char* filter,
                                                 const wchar_t* extension) {
  std::wstring name(MAX_PATH * 4, L'\0');
  const std::wstring filters = Widen(filter) + L'\0' + L"*." + extension + L'\0' + L'\0';
  OPENFILENAMEW dialog{};
  dialog.lStructSize = sizeof(dialog);
  dialog.hwndOwner = owner;
  dialog.lpstrFilter = filters.c_str();
  dialog.lpstrFile = name.data();
  dialog.nMaxFile = static_cast<DWORD>(name.size());
  dialog.lpstrDefExt = extension;
  dialog.Flags = OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST | OFN_NOCHANGEDIR;
  if (!::GetSaveFileNameW(&dialog)) {
    return std::nullopt;
  }
  return std::filesystem::path(name.c_str());
}

constexpr wchar_t kClassName[] = L"VelbrixTraces";
constexpr wchar_t kCanvasClassName[] = L"VelbrixTraceCanvas";
constexpr UINT_PTR kTickTimer = 1;

enum PartId : int {
  kIdSampleRate = 300,
  kIdPageLength,
  kIdAmplitude,
  kIdHighPass,  // the reading tools, in the order of TraceTool
  kIdLowPass,
  kIdNotch,
  kIdMontage,
  kIdSavePicture,  // the menus' items
  kIdSpectrum,
  kIdMontageEditor,
  kIdAddEvent,  // the Events menu's items, in its order
  kIdAddSpanEvent,
  kIdNextEvent,
  kIdPreviousEvent,
  kIdEventsList,
  kIdSaveEvents,
  kIdSaveEventsAs,
  kIdImportEvents,
  kIdDetectEvents,
  kIdCanvas,
  kIdScrollBar,
  kIdStatus,
  kIdLabel,  // the row's labels and units, from kIdLabel on in their order
};

// The identifier of the row's field `field`.
constexpr int FieldId(trace::TraceField field) {
  switch (field) {
    case trace::TraceField::kSampleRate:
      return kIdSampleRate;
    case trace::TraceField::kPageLength:
      return kIdPageLength;
    case trace::TraceField::kAmplitude:
      return kIdAmplitude;
    case trace::TraceField::kHighPass:
    case trace::TraceField::kLowPass:
    case trace::TraceField::kNotch:
    case trace::TraceField::kMontage:
      return kIdHighPass + static_cast<int>(*trace::ToolOf(field));
  }
  return kIdSampleRate;
}

bool IsChoice(int id) {
  return id == kIdPageLength || id == kIdAmplitude || (id >= kIdHighPass && id <= kIdMontage);
}

// The row of controls above the canvas, at 96 dpi: each label as wide as its text, then its field.
constexpr int kRateWidth = 64;
constexpr int kChoiceWidth = 130;
constexpr int kFilterWidth = 72;  // a filter's choice: "Off", "0.1 Hz"
constexpr int kLabelGap = 6;      // between a label and its field
constexpr int kGroupGap = 22;     // between the groups
constexpr int kRowTop = 6;
constexpr int kRowHeight = 22;
constexpr int kStatusHeight = 22;
constexpr int kMargin = 6;
constexpr int kLeastWidth = 600;  // what the frame can be shrunk to
constexpr int kLeastHeight = 480;

bool RegisterClasses(HINSTANCE instance, WNDPROC window, WNDPROC canvas) {
  WNDCLASSEXW canvas_class{};
  canvas_class.cbSize = sizeof(canvas_class);
  canvas_class.lpfnWndProc = canvas;
  canvas_class.hInstance = instance;
  canvas_class.hCursor = ::LoadCursorW(nullptr, IDC_CROSS);
  canvas_class.lpszClassName = kCanvasClassName;
  return RegisterClassOnce(TopLevelClass(instance, kClassName, window)) &&
         RegisterClassOnce(canvas_class);
}

std::optional<TraceKey> KeyOf(WPARAM key) {
  switch (key) {
    case VK_LEFT:
      return TraceKey::kStepBack;
    case VK_RIGHT:
      return TraceKey::kStepForward;
    case VK_PRIOR:
      return TraceKey::kPageBack;
    case VK_NEXT:
      return TraceKey::kPageForward;
    case VK_HOME:
      return TraceKey::kStart;
    case VK_END:
      return TraceKey::kEnd;
    case VK_ADD:
    case VK_OEM_PLUS:
      return TraceKey::kZoomIn;
    case VK_SUBTRACT:
    case VK_OEM_MINUS:
      return TraceKey::kZoomOut;
    case VK_UP:
      return TraceKey::kAmplitudeUp;
    case VK_DOWN:
      return TraceKey::kAmplitudeDown;
    default:
      return std::nullopt;
  }
}

int ScreenDpi() {
  HDC screen = ::GetDC(nullptr);
  const int dpi = ::GetDeviceCaps(screen, LOGPIXELSY);
  ::ReleaseDC(nullptr, screen);
  return dpi;
}

Font ControlFont(int dpi) {
  NONCLIENTMETRICSW metrics{};
  metrics.cbSize = sizeof(metrics);
  if (::SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0)) {
    return Font(::CreateFontIndirectW(&metrics.lfMessageFont));
  }
  return Font(::CreateFontW(-MulDiv(9, dpi, 72), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE,
                            DEFAULT_CHARSET, OUT_TT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                            VARIABLE_PITCH | FF_SWISS, L"Tahoma"));
}

void FillChoice(HWND choice, const std::vector<std::string>& entries, int selected) {
  ::SendMessageW(choice, CB_RESETCONTENT, 0, 0);
  for (const std::string& entry : entries) {
    ::SendMessageW(choice, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Widen(entry).c_str()));
  }
  ::SendMessageW(choice, CB_SETCURSEL, static_cast<WPARAM>(selected), 0);
}

}  // namespace

TraceWindow::TraceWindow(const std::string& decimal_separator)
    : dpi_(ScreenDpi()), control_font_(ControlFont(dpi_)), controller_(*this, decimal_separator) {
  painter_.emplace(dpi_);
  const HINSTANCE instance = ::GetModuleHandleW(nullptr);
  if (!RegisterClasses(instance, WindowProc, CanvasProc)) {
    ThrowLastError("Cannot register the trace window's classes");
  }
  // File > Save Picture...; the window owns the menu and destroys it with itself.
  HMENU menu = ::CreateMenu();
  HMENU file = ::CreatePopupMenu();
  ::AppendMenuW(file, MF_STRING, kIdSavePicture, Widen(trace::kSavePictureText).c_str());
  ::AppendMenuW(menu, MF_POPUP, reinterpret_cast<UINT_PTR>(file),
                Widen(trace::kFileMenuText).c_str());
  HMENU view = ::CreatePopupMenu();
  ::AppendMenuW(view, MF_STRING, kIdSpectrum, Widen(trace::kSpectrumText).c_str());
  ::AppendMenuW(view, MF_STRING, kIdMontageEditor, Widen(trace::kMontageEditorText).c_str());
  ::AppendMenuW(menu, MF_POPUP, reinterpret_cast<UINT_PTR>(view),
                Widen(trace::kViewMenuText).c_str());
  HMENU events = ::CreatePopupMenu();
  const auto item = [events](int id, const char* text, const wchar_t* key) {
    ::AppendMenuW(events, MF_STRING, static_cast<UINT_PTR>(id), (Widen(text) + key).c_str());
  };
  item(kIdAddEvent, trace::kAddEventText, L"\tM");
  item(kIdAddSpanEvent, trace::kAddSpanEventText, L"\tShift+M");
  item(kIdNextEvent, trace::kNextEventText, L"\t]");
  item(kIdPreviousEvent, trace::kPreviousEventText, L"\t[");
  item(kIdEventsList, trace::kEventsListText, L"\tCtrl+L");
  ::AppendMenuW(events, MF_SEPARATOR, 0, nullptr);
  item(kIdSaveEvents, trace::kSaveEventsText, L"\tCtrl+S");
  item(kIdSaveEventsAs, trace::kSaveEventsAsText, L"");
  ::AppendMenuW(events, MF_SEPARATOR, 0, nullptr);
  item(kIdImportEvents, trace::kImportEventsText, L"");
  item(kIdDetectEvents, trace::kDetectEventsText, L"");
  ::AppendMenuW(menu, MF_POPUP, reinterpret_cast<UINT_PTR>(events),
                Widen(trace::kEventsMenuText).c_str());
  // WindowProc keeps `this` at WM_NCCREATE and sets hwnd_.
  if (::CreateWindowExW(0, kClassName, L"Velbrix", WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN,
                        CW_USEDEFAULT, CW_USEDEFAULT, ::MulDiv(trace::kStartWidth, dpi_, 96),
                        ::MulDiv(trace::kStartHeight, dpi_, 96), nullptr, menu, instance,
                        this) == nullptr) {
    ::DestroyMenu(menu);
    ThrowLastError("Cannot create the trace window");
  }
  CreateParts();
  Arrange();
}

TraceWindow::~TraceWindow() {
  spectrum_.reset();  // it tells the controller that it closes
  if (hwnd_ != nullptr) {
    // No message of the dying window or its parts reaches the controller.
    ::SetWindowLongPtrW(parts_.canvas, GWLP_USERDATA, 0);
    ::SetWindowLongPtrW(hwnd_, GWLP_USERDATA, 0);
    const HWND hwnd = hwnd_;
    hwnd_ = nullptr;
    ::DestroyWindow(hwnd);
  }
}

void TraceWindow::CreateParts() {
  const HINSTANCE instance = ::GetModuleHandleW(nullptr);
  const auto make = [&](DWORD ex_style, const wchar_t* window_class, const wchar_t* text,
                        DWORD style, int id, void* create_param = nullptr) {
    HWND part = ::CreateWindowExW(ex_style, window_class, text, WS_CHILD | WS_VISIBLE | style, 0, 0,
                                  10, 10, hwnd_, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                                  instance, create_param);
    if (part == nullptr) {
      ThrowLastError("Cannot create a part of the trace window");
    }
    ::SendMessageW(part, WM_SETFONT, reinterpret_cast<WPARAM>(control_font_.get()), FALSE);
    return part;
  };
  // The row's labels show their access keys, which take the field after them.
  const DWORD label = SS_LEFT | SS_CENTERIMAGE;
  int label_id = kIdLabel;
  for (const trace::RowField& entry : trace::kRowFields) {
    make(0, L"STATIC", Widen(entry.label).c_str(), label, label_id++);
    const HWND field = entry.kind == trace::FieldKind::kText
                           ? make(WS_EX_CLIENTEDGE, L"EDIT", L"", WS_TABSTOP | ES_AUTOHSCROLL,
                                  FieldId(entry.field))
                           : make(0, L"COMBOBOX", L"", WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST,
                                  FieldId(entry.field));
    switch (entry.field) {
      case trace::TraceField::kSampleRate:
        parts_.sample_rate = field;
        break;
      case trace::TraceField::kPageLength:
        parts_.page_length = field;
        break;
      case trace::TraceField::kAmplitude:
        parts_.amplitude = field;
        break;
      case trace::TraceField::kHighPass:
      case trace::TraceField::kLowPass:
      case trace::TraceField::kNotch:
      case trace::TraceField::kMontage:
        parts_.tools[static_cast<std::size_t>(*trace::ToolOf(entry.field))] = field;
        break;
    }
    if (*entry.unit != '\0') {
      make(0, L"STATIC", Widen(entry.unit).c_str(), label, label_id++);
    }
  }
  parts_.canvas = make(0, kCanvasClassName, L"", WS_TABSTOP, kIdCanvas, this);
  parts_.scroll_bar = make(0, L"SCROLLBAR", L"", SBS_HORZ, kIdScrollBar);
  parts_.status = make(WS_EX_STATICEDGE, L"STATIC", L"",
                       SS_LEFTNOWORDWRAP | SS_NOPREFIX | SS_CENTERIMAGE, kIdStatus);
  // Enter in the sample rate field enters the rate.
  ::SetWindowLongPtrW(parts_.sample_rate, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  edit_proc_ = reinterpret_cast<WNDPROC>(::SetWindowLongPtrW(
      parts_.sample_rate, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(SampleRateProc)));
}

void TraceWindow::Arrange() {
  RECT client{};
  ::GetClientRect(hwnd_, &client);
  const auto px = [&](int value) { return ::MulDiv(value, dpi_, 96); };
  HDC dc = ::GetDC(hwnd_);
  const HGDIOBJ old_font = ::SelectObject(dc, control_font_.get());
  int x = px(kMargin);
  const auto text_width = [&](const std::wstring& text) {
    SIZE size{};
    ::GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
    return static_cast<int>(size.cx);
  };
  // Places part `id` at x, `width` pixels wide (a label: as wide as its text; a choice: at least as
  // wide as its longest entry and its button), and moves x on.
  const auto place = [&](int id, int width, int gap) {
    const HWND part = ::GetDlgItem(hwnd_, id);
    if (width == 0) {
      width = text_width(WindowText(part)) + px(2);
    }
    const bool choice = IsChoice(id);
    if (choice) {
      const LRESULT count = ::SendMessageW(part, CB_GETCOUNT, 0, 0);  // CB_ERR: none
      for (WPARAM i = 0; count > 0 && i < static_cast<WPARAM>(count); ++i) {
        const LRESULT length = ::SendMessageW(part, CB_GETLBTEXTLEN, i, 0);
        if (length < 0) {
          continue;
        }
        std::wstring entry(static_cast<std::size_t>(length) + 1, L'\0');
        ::SendMessageW(part, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(entry.data()));
        entry.resize(entry.find(L'\0'));
        width = std::max(width, text_width(entry) + ::GetSystemMetrics(SM_CXVSCROLL) + px(12));
      }
    }
    // A combo box's height includes its drop-down list.
    const int height = choice ? px(300) : px(kRowHeight);
    ::MoveWindow(part, x, px(kRowTop), width, height, TRUE);
    x += width + gap;
  };
  int label_id = kIdLabel;
  for (const trace::RowField& entry : trace::kRowFields) {
    const int gap = &entry == std::end(trace::kRowFields) - 1 ? 0 : px(kGroupGap);
    const bool has_unit = *entry.unit != '\0';
    place(label_id++, 0, px(kLabelGap));
    const std::optional<TraceTool> tool = trace::ToolOf(entry.field);
    const int width = entry.kind == trace::FieldKind::kText              ? kRateWidth
                      : tool.has_value() && *tool != TraceTool::kMontage ? kFilterWidth
                                                                         : kChoiceWidth;
    place(FieldId(entry.field), px(width), has_unit ? px(kLabelGap) : gap);
    if (has_unit) {
      place(label_id++, 0, gap);
    }
  }
  ::SelectObject(dc, old_font);
  ::ReleaseDC(hwnd_, dc);
  row_width_ = x + px(kMargin);

  const int top = px(kRowTop + kRowHeight + kMargin);
  const int scroll = ::GetSystemMetrics(SM_CYHSCROLL);
  const int status = px(kStatusHeight);
  const int width = std::max(0, static_cast<int>(client.right) - 2 * px(kMargin));
  const int bottom = static_cast<int>(client.bottom) - px(kMargin);
  const int canvas = std::max(0, bottom - status - scroll - 2 * px(2) - top);
  ::MoveWindow(parts_.canvas, px(kMargin), top, width, canvas, TRUE);
  ::MoveWindow(parts_.scroll_bar, px(kMargin), top + canvas + px(2), width, scroll, TRUE);
  ::MoveWindow(parts_.status, px(kMargin), bottom - status, width, status, TRUE);
}

void TraceWindow::ApplyDpi(int dpi, const RECT& place) {
  dpi_ = dpi;
  control_font_ = ControlFont(dpi_);
  painter_.reset();
  painter_.emplace(dpi_);
  for (HWND part = ::GetWindow(hwnd_, GW_CHILD); part != nullptr;
       part = ::GetWindow(part, GW_HWNDNEXT)) {
    ::SendMessageW(part, WM_SETFONT, reinterpret_cast<WPARAM>(control_font_.get()), FALSE);
  }
  if (spectrum_ != nullptr) {
    spectrum_->SetFont(control_font_.get());  // the font it had is gone
  }
  // Moving the frame to the system's suggestion arranges the parts (WM_SIZE); the canvas is drawn
  // again with the new painter.
  ::SetWindowPos(hwnd_, nullptr, place.left, place.top, place.right - place.left,
                 place.bottom - place.top, SWP_NOZORDER | SWP_NOACTIVATE);
  FitRow();  // the row's parts are larger at a higher dpi
  Arrange();
  ::InvalidateRect(hwnd_, nullptr, TRUE);
}

void TraceWindow::ShowSubject(const TraceSubject& subject, bool reread) {
  controller_.Show(subject, reread);
}

// Messages.

LRESULT CALLBACK TraceWindow::WindowProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_NCCREATE) {
    auto* self =
        static_cast<TraceWindow*>(reinterpret_cast<CREATESTRUCTW*>(lparam)->lpCreateParams);
    self->hwnd_ = hwnd;
    ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
  }
  auto* self = reinterpret_cast<TraceWindow*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  if (self == nullptr || self->parts_.canvas == nullptr) {
    return ::DefWindowProcW(hwnd, message, wparam, lparam);
  }
  return self->HandleMessage(message, wparam, lparam);
}

LRESULT TraceWindow::HandleMessage(UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_SIZE:
      Arrange();
      return 0;
    case WM_GETMINMAXINFO: {
      auto* limits = reinterpret_cast<MINMAXINFO*>(lparam);
      limits->ptMinTrackSize =
          POINT{std::max(::MulDiv(kLeastWidth, dpi_, 96), FrameWidth(row_width_)),
                ::MulDiv(kLeastHeight, dpi_, 96)};
      return 0;
    }
    case WM_DPICHANGED: {
      const RECT& suggested = *reinterpret_cast<const RECT*>(lparam);
      ApplyDpi(HIWORD(wparam), suggested);
      return 0;
    }
    case WM_SETFOCUS:
      ::SetFocus(parts_.canvas);
      return 0;
    case kWmAccessKey:
      // A field's access key takes its field; any other letter goes on to the menu bar.
      if (const HWND field = FieldOfAccessKey(static_cast<wchar_t>(wparam)); field != nullptr) {
        ::SetFocus(field);
        return 1;
      }
      return 0;
    case WM_COMMAND:
      OnCommand(LOWORD(wparam), HIWORD(wparam));
      return 0;
    case WM_HSCROLL:
      OnScroll(LOWORD(wparam));
      return 0;
    case WM_TIMER:
      if (wparam == kTickTimer) {
        controller_.OnTick();
      }
      return 0;
    case WM_CLOSE:
      if (!controller_.OnCloseAsked()) {
        return 0;  // the question's answer closes it, or not
      }
      if (spectrum_ != nullptr) {
        spectrum_->Close();
      }
      controller_.Close();
      if (events_list_ != nullptr) {
        ::DestroyWindow(events_list_);  // it belongs to the recording that closes
      }
      ::ShowWindow(hwnd_, SW_HIDE);
      return 0;
    default:
      return ::DefWindowProcW(hwnd_, message, wparam, lparam);
  }
}

HWND TraceWindow::FieldOfAccessKey(wchar_t letter) const {
  for (const trace::RowField& entry : trace::kRowFields) {
    const char* key = std::strchr(entry.label, '&');
    if (key != nullptr && key[1] != '\0' &&
        std::towupper(static_cast<wint_t>(static_cast<unsigned char>(key[1]))) ==
            std::towupper(static_cast<wint_t>(letter))) {
      return ::GetDlgItem(hwnd_, FieldId(entry.field));
    }
  }
  return nullptr;
}

void TraceWindow::OnCommand(int id, int code) {
  if (id == kIdSampleRate && code == EN_KILLFOCUS) {
    SampleRateEntered();
  } else if ((id == kIdPageLength || id == kIdAmplitude) && code == CBN_SELCHANGE) {
    const HWND choice = id == kIdPageLength ? parts_.page_length : parts_.amplitude;
    const auto index = static_cast<int>(::SendMessageW(choice, CB_GETCURSEL, 0, 0));
    if (id == kIdPageLength) {
      controller_.OnPageChosen(index);
    } else {
      controller_.OnAmplitudeChosen(index);
    }
  } else if (id >= kIdHighPass && id <= kIdMontage && code == CBN_SELCHANGE) {
    const auto tool = static_cast<TraceTool>(id - kIdHighPass);
    const HWND choice = parts_.tools[static_cast<std::size_t>(tool)];
    controller_.OnToolChosen(tool, static_cast<int>(::SendMessageW(choice, CB_GETCURSEL, 0, 0)));
  } else if (id == kIdSavePicture && code == 0) {
    AskAndSavePicture();
  } else if (id == kIdSpectrum && code == 0) {
    OpenSpectrum();
  } else if (id == kIdMontageEditor && code == 0) {
    controller_.OnEditMontage();
  } else if (id >= kIdAddEvent && id <= kIdDetectEvents && code <= 1) {
    switch (id) {
      case kIdAddEvent:
        controller_.OnAddEvent();
        break;
      case kIdAddSpanEvent:
        controller_.OnAddSpanEvent();
        break;
      case kIdNextEvent:
        controller_.OnNextEvent();
        break;
      case kIdPreviousEvent:
        controller_.OnPreviousEvent();
        break;
      case kIdEventsList:
        OpenEventsList();
        break;
      case kIdSaveEvents:
        controller_.OnSaveEvents();
        break;
      case kIdSaveEventsAs:
        AskAndSaveEventsAs();
        break;
      case kIdImportEvents:
        controller_.OnImportEvents();
        break;
      default:
        controller_.OnDetectEvents();
        break;
    }
  } else if (IsChoice(id) && code == CBN_CLOSEUP) {
    ::SetFocus(parts_.canvas);  // the keys page through the recording again
  }
}

void TraceWindow::OnScroll(int request) {
  SCROLLINFO info{};
  info.cbSize = sizeof(info);
  info.fMask = SIF_ALL;
  ::GetScrollInfo(parts_.scroll_bar, SB_CTL, &info);
  const int last = std::max(0, info.nMax - static_cast<int>(info.nPage) + 1);
  int position = info.nPos;
  switch (request) {
    case SB_LINELEFT:
      --position;
      break;
    case SB_LINERIGHT:
      ++position;
      break;
    case SB_PAGELEFT:
      position -= static_cast<int>(info.nPage);
      break;
    case SB_PAGERIGHT:
      position += static_cast<int>(info.nPage);
      break;
    case SB_THUMBTRACK:
    case SB_THUMBPOSITION:
      position = info.nTrackPos;
      break;
    case SB_LEFT:
      position = 0;
      break;
    case SB_RIGHT:
      position = last;
      break;
    default:
      return;
  }
  controller_.OnScrollTo(std::clamp(position, 0, last));
}

void TraceWindow::SampleRateEntered() {
  controller_.OnSampleRateEntered(Narrow(WindowText(parts_.sample_rate)));
}

LRESULT CALLBACK TraceWindow::SampleRateProc(HWND hwnd, UINT message, WPARAM wparam,
                                             LPARAM lparam) {
  auto* self = reinterpret_cast<TraceWindow*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  if (self != nullptr && self->hwnd_ != nullptr) {
    if (message == WM_GETDLGCODE && lparam != 0 &&
        reinterpret_cast<const MSG*>(lparam)->message == WM_KEYDOWN &&
        reinterpret_cast<const MSG*>(lparam)->wParam == VK_RETURN) {
      return DLGC_WANTALLKEYS;  // Enter is the field's, not the dialog keys'
    }
    if (message == WM_KEYDOWN && wparam == VK_RETURN) {
      self->SampleRateEntered();
      return 0;
    }
    if (message == WM_CHAR && (wparam == L'\r' || wparam == L'\n')) {
      return 0;  // no beep
    }
  }
  const WNDPROC own = self != nullptr ? self->edit_proc_ : ::DefWindowProcW;
  return ::CallWindowProcW(own, hwnd, message, wparam, lparam);
}

LRESULT CALLBACK TraceWindow::CanvasProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_NCCREATE) {
    ::SetWindowLongPtrW(
        hwnd, GWLP_USERDATA,
        reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTW*>(lparam)->lpCreateParams));
  }
  auto* self = reinterpret_cast<TraceWindow*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  if (self == nullptr || self->parts_.canvas != hwnd) {
    if (message == WM_ERASEBKGND) {
      return 1;
    }
    return ::DefWindowProcW(hwnd, message, wparam, lparam);
  }
  return self->HandleCanvasMessage(message, wparam, lparam);
}

LRESULT TraceWindow::HandleCanvasMessage(UINT message, WPARAM wparam, LPARAM lparam) {
  const HWND canvas = parts_.canvas;
  const int x = static_cast<short>(LOWORD(lparam));
  const int y = static_cast<short>(HIWORD(lparam));
  switch (message) {
    case WM_ERASEBKGND:
      return 1;  // the painting covers every pixel
    case WM_PAINT: {
      PAINTSTRUCT paint{};
      HDC dc = ::BeginPaint(canvas, &paint);
      if (picture_ != nullptr) {
        painter_->Paint(dc, *picture_);
      } else {
        ::FillRect(dc, &paint.rcPaint, reinterpret_cast<HBRUSH>(::GetStockObject(WHITE_BRUSH)));
      }
      ::EndPaint(canvas, &paint);
      return 0;
    }
    case WM_SIZE:
      controller_.OnCanvasResized(LOWORD(lparam), HIWORD(lparam));
      return 0;
    case WM_GETDLGCODE:
      return DLGC_WANTARROWS | DLGC_WANTCHARS;
    case WM_KEYDOWN:
      if (const std::optional<TraceKey> key = KeyOf(wparam)) {
        controller_.OnKey(*key);
        return 0;
      }
      if (OnEventKey(wparam)) {
        return 0;
      }
      break;
    case WM_MOUSEMOVE:
      if (!tracking_mouse_) {
        TRACKMOUSEEVENT track{sizeof(TRACKMOUSEEVENT), TME_LEAVE, canvas, 0};
        tracking_mouse_ = ::TrackMouseEvent(&track) != FALSE;
      }
      controller_.OnMouseMove(x, y, (wparam & MK_LBUTTON) != 0);
      return 0;
    case WM_MOUSELEAVE:
      tracking_mouse_ = false;
      controller_.OnMouseLeave();
      return 0;
    case WM_LBUTTONDOWN:
      ::SetFocus(canvas);
      ::SetCapture(canvas);  // the release comes here, wherever it happens
      controller_.OnMouseDown(x, y);
      return 0;
    case WM_LBUTTONUP:
      ::ReleaseCapture();
      controller_.OnMouseUp(x, y);
      return 0;
    case WM_MOUSEWHEEL:
    case WM_MOUSEHWHEEL: {
      // A horizontal wheel turned right counts as towards the user.
      static_assert(WHEEL_DELTA == TraceController::kWheelNotch);
      const int delta = GET_WHEEL_DELTA_WPARAM(wparam);
      controller_.OnWheel(message == WM_MOUSEWHEEL ? delta : -delta,
                          (GET_KEYSTATE_WPARAM(wparam) & MK_CONTROL) != 0);
      return 0;
    }
    default:
      break;
  }
  return ::DefWindowProcW(canvas, message, wparam, lparam);
}

// View operations.

void TraceWindow::SetCaption(const std::string& text) {
  ::SetWindowTextW(hwnd_, Widen(text).c_str());
}

void TraceWindow::SetSampleRateText(const std::string& text) {
  ::SetWindowTextW(parts_.sample_rate, Widen(text).c_str());
}

void TraceWindow::SetPageChoices(const std::vector<std::string>& entries, int selected) {
  FillChoice(parts_.page_length, entries, selected);
  FitRow();
}

void TraceWindow::SetAmplitudeChoices(const std::vector<std::string>& entries, int selected) {
  FillChoice(parts_.amplitude, entries, selected);
  FitRow();
}

void TraceWindow::SetScrollBar(int maximum, int page, int position) {
  SCROLLINFO info{};
  info.cbSize = sizeof(info);
  info.fMask = SIF_ALL | SIF_DISABLENOSCROLL;
  info.nMin = 0;
  info.nMax = maximum + page - 1;
  info.nPage = static_cast<UINT>(page);
  info.nPos = position;
  ::SetScrollInfo(parts_.scroll_bar, SB_CTL, &info, TRUE);
}

void TraceWindow::ShowPicture(const trace::TracePicture& picture) {
  picture_ = &picture;
  ::InvalidateRect(parts_.canvas, nullptr, FALSE);
}

void TraceWindow::SetStatusText(const std::string& text) {
  ::SetWindowTextW(parts_.status, Widen(text).c_str());
}

void TraceWindow::SetToolChoices(TraceTool tool, const std::vector<std::string>& entries,
                                 int selected) {
  FillChoice(parts_.tools[static_cast<std::size_t>(tool)], entries, selected);
  FitRow();
}

int TraceWindow::FrameWidth(int client_width) const {
  RECT frame{0, 0, client_width, 100};
  ::AdjustWindowRectEx(&frame, static_cast<DWORD>(::GetWindowLongPtrW(hwnd_, GWL_STYLE)), TRUE,
                       static_cast<DWORD>(::GetWindowLongPtrW(hwnd_, GWL_EXSTYLE)));
  return static_cast<int>(frame.right - frame.left);
}

void TraceWindow::FitRow() {
  Arrange();
  RECT client{};
  ::GetClientRect(hwnd_, &client);
  if (client.right < row_width_ && !::IsZoomed(hwnd_)) {
    RECT outer{};
    ::GetWindowRect(hwnd_, &outer);
    ::SetWindowPos(hwnd_, nullptr, 0, 0, FrameWidth(row_width_), outer.bottom - outer.top,
                   SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
}

RgbImage TraceWindow::CanvasImage() {
  RECT client{};
  ::GetClientRect(parts_.canvas, &client);
  RgbImage image{static_cast<int>(client.right), static_cast<int>(client.bottom), {}};
  if (image.width <= 0 || image.height <= 0 || picture_ == nullptr) {
    return RgbImage();
  }
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(info.bmiHeader);
  info.bmiHeader.biWidth = image.width;
  info.bmiHeader.biHeight = -image.height;  // top-down
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  HBITMAP bitmap = ::CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (bitmap == nullptr) {
    return RgbImage();
  }
  HDC memory = ::CreateCompatibleDC(nullptr);
  const HGDIOBJ old = ::SelectObject(memory, bitmap);
  painter_->Draw(memory, *picture_);
  ::GdiFlush();
  const auto* pixel = static_cast<const std::uint32_t*>(bits);
  const auto count = static_cast<std::size_t>(image.width) * static_cast<std::size_t>(image.height);
  image.pixels.reserve(count * 3);
  for (std::size_t i = 0; i < count; ++i) {
    image.pixels.push_back(static_cast<std::uint8_t>((pixel[i] >> 16) & 0xFF));
    image.pixels.push_back(static_cast<std::uint8_t>((pixel[i] >> 8) & 0xFF));
    image.pixels.push_back(static_cast<std::uint8_t>(pixel[i] & 0xFF));
  }
  ::SelectObject(memory, old);
  ::DeleteDC(memory);
  ::DeleteObject(bitmap);
  return image;
}

void TraceWindow::OpenSpectrum() {
  if (spectrum_ == nullptr) {
    spectrum_ = std::make_unique<SpectrumWindow>(controller_, control_font_.get(), dpi_);
  }
  spectrum_->Open();
}

void TraceWindow::SavePictureAs(const std::filesystem::path& path) {
  controller_.OnPictureRendered(path, CanvasImage());
}

void TraceWindow::AskAndSavePicture() {
  if (const auto path = AskSaveName(hwnd_, trace::kPictureFilter, L"png")) {
    SavePictureAs(*path);
  }
}

bool TraceWindow::OnEventKey(WPARAM key) {
  const bool shift = ::GetKeyState(VK_SHIFT) < 0;
  const bool control = ::GetKeyState(VK_CONTROL) < 0;
  int id = 0;
  if ((key == 'M' && !control) || key == VK_INSERT) {
    id = shift && key == 'M' ? kIdAddSpanEvent : kIdAddEvent;
  } else if (key == VK_OEM_6 && !control) {
    id = kIdNextEvent;
  } else if (key == VK_OEM_4 && !control) {
    id = kIdPreviousEvent;
  } else if (key == 'L' && control) {
    id = kIdEventsList;
  } else if (key == 'S' && control) {
    id = kIdSaveEvents;
  }
  if (id != 0) {
    ::PostMessageW(hwnd_, WM_COMMAND, MAKEWPARAM(id, 1), 0);  // as the menu's key would
  }
  return id != 0;
}

void TraceWindow::OpenEventsList() {
  OpenEventsListDialog(hwnd_, controller_, event_rows_, event_selected_, &events_list_);
}

void TraceWindow::SetEventRows(const std::vector<EventRow>& rows, int selected) {
  event_rows_ = rows;
  event_selected_ = selected;
  if (events_list_ != nullptr) {
    FillEventsList(events_list_, rows, selected);
  }
}

void TraceWindow::AskEventLabel(const std::string& title, const std::string& label,
                                const std::vector<std::string>& offered) {
  const HWND owner = events_list_ != nullptr ? events_list_ : hwnd_;
  if (const std::optional<std::string> answer = AskEventLabelDialog(owner, title, label, offered)) {
    controller_.OnEventLabelEntered(*answer);
  }
}

void TraceWindow::AskUnsavedEvents(const std::string& question) {
  controller_.OnUnsavedEventsAnswered(AskUnsavedEventsDialog(hwnd_, question));
}

void TraceWindow::CloseWindow() {
  ::PostMessageW(hwnd_, WM_CLOSE, 0, 0);
}

void TraceWindow::OpenImportEvents() {
  if (const auto events = ShowImportEventsDialog(hwnd_, EventsSubjectOf(controller_))) {
    controller_.AddEvents(*events);
  }
}

void TraceWindow::OpenMontageEditor() {
  if (const auto file = ShowMontageEditorDialog(hwnd_, controller_.montage_editor_subject())) {
    controller_.OnMontageSaved(*file);
  }
}

void TraceWindow::OpenDetectEvents() {
  if (const auto events =
          ShowDetectEventsDialog(hwnd_, EventsSubjectOf(controller_), DetectionChannelNames())) {
    controller_.AddEvents(*events);
  }
}

void TraceWindow::AskAndSaveEventsAs() {
  if (const auto path = AskSaveName(hwnd_, trace::kEventsFilter, L"tsv")) {
    controller_.OnSaveEventsAs(*path);
  }
}

void TraceWindow::SetTicking(bool on) {
  if (on) {
    ::SetTimer(hwnd_, kTickTimer, static_cast<UINT>(trace::kTickMs), nullptr);
  } else {
    ::KillTimer(hwnd_, kTickTimer);
  }
}

}  // namespace velbrix::win32
