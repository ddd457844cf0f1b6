// The container of the frame FraCh: a plain child window of the dialog colour that holds the
// group box with its caption and the controls inside it. Hiding it hides them all, and its opaque
// ground covers whatever lies beneath it on the window (Label1).
//
// It has no state and no logic: it passes its controls' notifications (WM_COMMAND), colour
// questions (WM_CTLCOLOR*) and drawing requests (WM_DRAWITEM) on to its own parent, so that the
// window handles the controls inside the frame like its own.
#ifndef VELBRIX_WINDOW_WIN32_FRA_CH_FRAME_H_
#define VELBRIX_WINDOW_WIN32_FRA_CH_FRAME_H_

#include <windows.h>

namespace velbrix::win32 {

// Creates the container, hidden, at `rect` (pixels in `parent`'s client area) with the control
// identifier `id`. Returns nullptr when the system cannot create it (GetLastError tells why).
HWND CreateFraChFrame(HWND parent, const RECT& rect, int id);

}  // namespace velbrix::win32

#endif  // VELBRIX_WINDOW_WIN32_FRA_CH_FRAME_H_
