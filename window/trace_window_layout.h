// What both trace windows (window/qt, window/win32) agree on: the row of fields above the canvas,
// in its order, with their labels; the window's size at its first showing; and how often it calls
// the controller's OnTick. Data only, free of any toolkit type.
#ifndef VELBRIX_WINDOW_TRACE_WINDOW_LAYOUT_H_
#define VELBRIX_WINDOW_TRACE_WINDOW_LAYOUT_H_

namespace velbrix::trace {

// The fields of the row, each reported to its own handler of TraceController.
enum class TraceField { kSampleRate, kPageLength, kAmplitude };
enum class FieldKind { kText, kChoice };  // a line to type in, or a drop-down list

struct RowField {
  TraceField field;
  const char* name;   // the control's name, by which tests find it
  const char* label;  // the text before it
  const char* unit;   // the text after it, or ""
  FieldKind kind;
};

// Left to right, which is also the order of Tab after the canvas.
inline constexpr RowField kRowFields[] = {
    {TraceField::kSampleRate, "SampleRate", "Sample rate", "Hz", FieldKind::kText},
    {TraceField::kPageLength, "PageLength", "Page", "", FieldKind::kChoice},
    {TraceField::kAmplitude, "Amplitude", "Amplitude", "", FieldKind::kChoice},
};

// The window's size at its first showing, in pixels at 96 dpi.
inline constexpr int kStartWidth = 1100;
inline constexpr int kStartHeight = 800;

// While the controller asks for ticks (TraceView::SetTicking), the interval between two.
inline constexpr int kTickMs = 100;

}  // namespace velbrix::trace

#endif  // VELBRIX_WINDOW_TRACE_WINDOW_LAYOUT_H_
