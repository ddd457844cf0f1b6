// What both trace windows (window/qt, window/win32) agree on: the row of fields above the canvas,
// in its order, with their labels; the menus; the window's size at its first showing; how often it
// calls the controller's OnTick; and the spectrum window's parts. Data only, free of any toolkit
// type. An "&" in a text marks the access key of the letter after it.
#ifndef VELBRIX_WINDOW_TRACE_TRACE_WINDOW_LAYOUT_H_
#define VELBRIX_WINDOW_TRACE_TRACE_WINDOW_LAYOUT_H_

#include <optional>

#include "window/trace/trace_view.h"

namespace velbrix::trace {

// The fields of the row, each reported to its own handler of TraceController (the reading tools'
// to OnToolChosen).
enum class TraceField {
  kSampleRate,
  kPageLength,
  kAmplitude,
  kHighPass,
  kLowPass,
  kNotch,
  kMontage
};
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
    {TraceField::kSampleRate, "SampleRate", "Sample &rate", "Hz", FieldKind::kText},
    {TraceField::kPageLength, "PageLength", "&Page", "", FieldKind::kChoice},
    {TraceField::kAmplitude, "Amplitude", "&Amplitude", "", FieldKind::kChoice},
    {TraceField::kHighPass, "HighPass", "Hi&gh-pass", "", FieldKind::kChoice},
    {TraceField::kLowPass, "LowPass", "&Low-pass", "", FieldKind::kChoice},
    {TraceField::kNotch, "Notch", "&Notch", "", FieldKind::kChoice},
    {TraceField::kMontage, "Montage", "&Montage", "", FieldKind::kChoice},
};

// The reading tool a field chooses, or none.
constexpr std::optional<TraceTool> ToolOf(TraceField field) {
  switch (field) {
    case TraceField::kHighPass:
      return TraceTool::kHighPass;
    case TraceField::kLowPass:
      return TraceTool::kLowPass;
    case TraceField::kNotch:
      return TraceTool::kNotch;
    case TraceField::kMontage:
      return TraceTool::kMontage;
    default:
      return std::nullopt;
  }
}

// The menus: File > Save Picture... (the canvas as shown, as PNG), View > Spectrum, View >
// Montage Editor... (montage_editor_controller.h).
inline constexpr char kFileMenuText[] = "&File";
inline constexpr char kSavePictureText[] = "Save &Picture...";
inline constexpr char kViewMenuText[] = "&View";
inline constexpr char kSpectrumText[] = "&Spectrum";
inline constexpr char kMontageEditorText[] = "&Montage Editor...";
inline constexpr char kPictureFilter[] = "PNG pictures (*.png)";

// The Events menu, with its keys: M or Insert adds an event, Shift+M one for a span, ] and [ go to
// the next and the previous event, Ctrl+L shows the Events list, Ctrl+S saves the events.
inline constexpr char kEventsMenuText[] = "&Events";
inline constexpr char kAddEventText[] = "&Add Event...";
inline constexpr char kAddSpanEventText[] = "Add Event for &Span...";
inline constexpr char kNextEventText[] = "&Next Event";
inline constexpr char kPreviousEventText[] = "&Previous Event";
inline constexpr char kEventsListText[] = "Events &List...";
inline constexpr char kSaveEventsText[] = "&Save Events";
inline constexpr char kSaveEventsAsText[] = "Save Events &As...";
inline constexpr char kImportEventsText[] = "&Import Events...";
inline constexpr char kDetectEventsText[] = "&Detect Events...";
inline constexpr char kEventsFilter[] = "Events tables (*.tsv)";
// The Events list's columns, and the questions' titles.
inline constexpr const char* kEventColumns[] = {"Time", "Record", "Length", "Label"};
inline constexpr char kEventLabelPrompt[] = "&Label:";
inline constexpr char kUnsavedEventsTitle[] = "Unsaved Events";

// The spectrum window: its size at its first showing (96 dpi) and its channel choice.
inline constexpr int kSpectrumStartWidth = 820;
inline constexpr int kSpectrumStartHeight = 540;
inline constexpr char kSpectrumChannelName[] = "SpectrumChannel";
inline constexpr char kSpectrumChannelLabel[] = "&Channel";

// The window's size at its first showing, in pixels at 96 dpi.
inline constexpr int kStartWidth = 1280;
inline constexpr int kStartHeight = 800;

// While the controller asks for ticks (TraceView::SetTicking), the interval between two.
inline constexpr int kTickMs = 100;

}  // namespace velbrix::trace

#endif  // VELBRIX_WINDOW_TRACE_TRACE_WINDOW_LAYOUT_H_
