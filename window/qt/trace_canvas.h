// The trace window's canvas on Qt: paints the controller's TracePicture with QPainter and passes
// the user's mouse, wheel and keys on to the controller.
#ifndef VELBRIX_WINDOW_QT_TRACE_CANVAS_H_
#define VELBRIX_WINDOW_QT_TRACE_CANVAS_H_

#include <QFont>
#include <QWidget>

#include "window/trace/trace_controller.h"
#include "window/trace/trace_picture.h"

namespace velbrix {

// The fonts of a trace picture's text styles, made from `base` (a widget's font).
struct PictureFonts {
  explicit PictureFonts(const QFont& base);
  const QFont& For(trace::TextStyle style) const;
  QFont normal;
  QFont bold;
  QFont small;
};

// Carries out `picture`'s steps on `painter`.
void PaintPicture(QPainter& painter, const trace::TracePicture& picture, const PictureFonts& fonts);

class TraceCanvas final : public QWidget {
  Q_OBJECT

 public:
  // `controller` must outlive the canvas.
  TraceCanvas(TraceController& controller, QWidget* parent);

  // Paints `picture` at the next paint; it must stay valid until the next call.
  void SetPicture(const trace::TracePicture* picture);
  // Carries out `picture`'s steps on `painter` (also for the benchmark).
  void Paint(QPainter& painter, const trace::TracePicture& picture) const;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void leaveEvent(QEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  TraceController& controller_;
  const trace::TracePicture* picture_ = nullptr;
  PictureFonts fonts_;
};

}  // namespace velbrix

#endif  // VELBRIX_WINDOW_QT_TRACE_CANVAS_H_
