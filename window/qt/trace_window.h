// The trace window on Qt Widgets: a second, resizable, non-modal window with the sample rate
// field, the choices of page length and amplitude, the canvas, a scroll bar and a status line.
// It carries out TraceView's operations and passes each user action to its TraceController.
//
// Closing the window only hides it and lets go of the recording; the controller, and with it the
// sample rate, stays for the next showing. Closing it never ends the program.
//
// The parts carry object names for tests: "SampleRate", "PageLength", "Amplitude", "Canvas",
// "ScrollBar", "Status"; the Events menu's actions "AddEvent", "AddSpanEvent", "NextEvent",
// "PreviousEvent", "EventsListAction", "SaveEvents", "SaveEventsAs", "ImportEvents",
// "DetectEvents"; the label prompt "EventLabel" and the unsaved question "UnsavedEvents" (both
// modal), and the Events list (trace_events_list.h).
//
// Closing the window with unsaved events asks first (Save, Discard, Cancel); Cancel, or a save
// that fails, keeps it open.
#ifndef VELBRIX_WINDOW_QT_TRACE_WINDOW_H_
#define VELBRIX_WINDOW_QT_TRACE_WINDOW_H_

#include <QTimer>
#include <QWidget>
#include <array>
#include <filesystem>
#include <vector>

#include "window/trace/trace_controller.h"
#include "window/trace/trace_subject.h"
#include "window/trace/trace_view.h"

class QAction;
class QComboBox;
class QLabel;
class QLineEdit;
class QMenuBar;
class QScrollBar;

namespace velbrix {

class SpectrumWindow;
class TraceCanvas;
class TraceEventsList;

class TraceWindow final : public QWidget, public TraceView {
  Q_OBJECT

 public:
  // The "Sample rate" field takes `decimal_separator`, the user's own, as well as the full stop.
  explicit TraceWindow(const std::string& decimal_separator = ".", QWidget* parent = nullptr);
  ~TraceWindow() override;
  TraceWindow(const TraceWindow&) = delete;
  TraceWindow& operator=(const TraceWindow&) = delete;

  // Shows `subject` (see TraceController::Show); does not show the window itself.
  void ShowSubject(const TraceSubject& subject, bool reread);

  const TraceController& controller() const { return controller_; }
  TraceCanvas* canvas() const { return canvas_; }
  SpectrumWindow* spectrum_window() const { return spectrum_; }
  // View > Spectrum, and File > Save Picture... once a file is chosen: the canvas as it is shown,
  // at its size, to `path` as PNG.
  void OpenSpectrum();
  void SavePictureAs(const std::filesystem::path& path);
  // Events > Events List...: shows the list, made at its first showing.
  void OpenEventsList();
  TraceEventsList* events_list() const { return events_list_; }

  // TraceView.
  void SetCaption(const std::string& text) override;
  void SetSampleRateText(const std::string& text) override;
  void SetPageChoices(const std::vector<std::string>& entries, int selected) override;
  void SetAmplitudeChoices(const std::vector<std::string>& entries, int selected) override;
  void SetScrollBar(int maximum, int page, int position) override;
  void ShowPicture(const trace::TracePicture& picture) override;
  void SetStatusText(const std::string& text) override;
  void SetTicking(bool on) override;
  void SetToolChoices(TraceTool tool, const std::vector<std::string>& entries,
                      int selected) override;
  void SetEventRows(const std::vector<EventRow>& rows, int selected) override;
  void AskEventLabel(const std::string& title, const std::string& label,
                     const std::vector<std::string>& offered) override;
  void AskUnsavedEvents(const std::string& question) override;
  void CloseWindow() override;
  // Events > Import Events... and Detect Events...: the dialog, whose events join the window's.
  void OpenImportEvents() override;
  void OpenDetectEvents() override;
  void OpenMontageEditor() override;

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void CreateParts();
  void CreateMenus();
  void ConnectEvents();
  void AskAndSavePicture();
  void CreateEventsMenu(QMenuBar* bar);
  void AskAndSaveEventsAs();

  QLineEdit* sample_rate_ = nullptr;
  QComboBox* page_length_ = nullptr;
  QComboBox* amplitude_ = nullptr;
  std::array<QComboBox*, 4> tools_{};  // by TraceTool
  std::vector<QWidget*> row_;          // the fields of trace::kRowFields, in their order
  SpectrumWindow* spectrum_ = nullptr;
  TraceCanvas* canvas_ = nullptr;
  QScrollBar* scroll_bar_ = nullptr;
  QLabel* status_ = nullptr;
  TraceEventsList* events_list_ = nullptr;
  std::vector<EventRow> event_rows_;
  int event_selected_ = -1;
  QTimer ticks_;
  TraceController controller_;
};

}  // namespace velbrix

#endif  // VELBRIX_WINDOW_QT_TRACE_WINDOW_H_
