// The event loop of the converter window and the trace window: each message goes to the dialog
// keys of its top-level window first (Tab and the arrow keys between the controls), then to its
// window.
#ifndef VELBRIX_WINDOW_WIN32_MESSAGE_LOOP_H_
#define VELBRIX_WINDOW_WIN32_MESSAGE_LOOP_H_

#include <windows.h>

namespace velbrix::win32 {

// Sent to a top-level window for Alt and a letter before the dialog keys see them, with the key
// (a virtual key, 'A' .. 'Z') as its WPARAM: a window that takes the letter as one of its own
// access keys returns nonzero, and the key goes no further. (Wine's translation of posted keys
// gives the dialog keys no WM_SYSCHAR to find a label's access key by.)
inline constexpr UINT kWmAccessKey = WM_APP + 16;

// `window` is the converter window, which takes the dialog keys of messages for no window.
// Runs until the program is asked to quit (the window posts that when it is closed); returns the
// exit code that came with the request.
int RunMessageLoop(HWND window);

// Handles every message waiting for this thread as RunMessageLoop would, including those that
// handling them posts, and returns when none is left. A request to quit is dropped. For tests.
void PumpMessages(HWND window);

}  // namespace velbrix::win32

#endif  // VELBRIX_WINDOW_WIN32_MESSAGE_LOOP_H_
