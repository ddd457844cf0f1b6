// The spectrum window on Qt Widgets, opened from the trace window (View > Spectrum): the channel
// choice, a canvas painting the controller's spectrum picture, and a status line. It carries out
// SpectrumView's operations and passes the user's actions on to the trace window's controller.
// Closing it only hides it; the parts carry object names for tests: "SpectrumChannel",
// "SpectrumCanvas", "SpectrumStatus".
#ifndef VELBRIX_WINDOW_QT_SPECTRUM_WINDOW_H_
#define VELBRIX_WINDOW_QT_SPECTRUM_WINDOW_H_

#include <QWidget>

#include "window/qt/trace_canvas.h"
#include "window/trace/spectrum_view.h"
#include "window/trace/trace_controller.h"

class QComboBox;
class QLabel;

namespace velbrix {

class SpectrumCanvas final : public QWidget {
  Q_OBJECT

 public:
  // `controller` must outlive the canvas.
  SpectrumCanvas(TraceController& controller, QWidget* parent);
  void SetPicture(const trace::TracePicture* picture);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void leaveEvent(QEvent* event) override;

 private:
  TraceController& controller_;
  const trace::TracePicture* picture_ = nullptr;
  PictureFonts fonts_;
};

class SpectrumWindow final : public QWidget, public SpectrumView {
  Q_OBJECT

 public:
  // `controller` must outlive the window.
  SpectrumWindow(TraceController& controller, QWidget* parent);
  ~SpectrumWindow() override;
  SpectrumWindow(const SpectrumWindow&) = delete;
  SpectrumWindow& operator=(const SpectrumWindow&) = delete;

  // Shows the window and tells the controller so.
  void Open();

  // SpectrumView.
  void SetCaption(const std::string& text) override;
  void SetChannelChoices(const std::vector<std::string>& entries, int selected) override;
  void ShowPicture(const trace::TracePicture& picture) override;
  void SetStatusText(const std::string& text) override;

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  TraceController& controller_;
  QComboBox* channel_ = nullptr;
  SpectrumCanvas* canvas_ = nullptr;
  QLabel* status_ = nullptr;
  bool open_ = false;
};

}  // namespace velbrix

#endif  // VELBRIX_WINDOW_QT_SPECTRUM_WINDOW_H_
