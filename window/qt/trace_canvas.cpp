// Painting the trace picture and passing on the canvas's events.
#include "window/qt/trace_canvas.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QVector>
#include <QWheelEvent>
#include <optional>
#include <type_traits>

namespace velbrix {
namespace {

QColor Colour(trace::Ink ink) {
  const trace::Rgb rgb = trace::InkColour(ink);
  return QColor(rgb.red, rgb.green, rgb.blue);
}

// A one-pixel pen; width 0 takes the raster engine's quickest way for lines.
QPen Pen(trace::Ink ink) {
  QPen pen(Colour(ink));
  pen.setWidth(0);
  return pen;
}

QRect ToQRect(const trace::Rect& r) {
  return QRect(r.left, r.top, r.width(), r.height());
}

std::optional<TraceKey> KeyOf(const QKeyEvent& event) {
  switch (event.key()) {
    case Qt::Key_Left:
      return TraceKey::kStepBack;
    case Qt::Key_Right:
      return TraceKey::kStepForward;
    case Qt::Key_PageUp:
      return TraceKey::kPageBack;
    case Qt::Key_PageDown:
      return TraceKey::kPageForward;
    case Qt::Key_Home:
      return TraceKey::kStart;
    case Qt::Key_End:
      return TraceKey::kEnd;
    case Qt::Key_Plus:
    case Qt::Key_Equal:
      return TraceKey::kZoomIn;
    case Qt::Key_Minus:
      return TraceKey::kZoomOut;
    case Qt::Key_Up:
      return TraceKey::kAmplitudeUp;
    case Qt::Key_Down:
      return TraceKey::kAmplitudeDown;
    default:
      return std::nullopt;
  }
}

}  // namespace

PictureFonts::PictureFonts(const QFont& base) : normal(base), bold(base), small(base) {
  normal.setPointSizeF(9);
  bold = normal;
  bold.setBold(true);
  small = normal;
  small.setPointSizeF(7.5);
}

const QFont& PictureFonts::For(trace::TextStyle style) const {
  switch (style) {
    case trace::TextStyle::kBold:
      return bold;
    case trace::TextStyle::kSmall:
      return small;
    case trace::TextStyle::kNormal:
      break;
  }
  return normal;
}

void PaintPicture(QPainter& painter, const trace::TracePicture& picture,
                  const PictureFonts& fonts) {
  QVector<QPoint> points;
  for (const trace::Step& step : picture.steps) {
    std::visit(
        [&](const auto& item) {
          using Item = std::decay_t<decltype(item)>;
          if constexpr (std::is_same_v<Item, trace::Fill>) {
            painter.fillRect(ToQRect(item.rect), Colour(item.ink));
          } else if constexpr (std::is_same_v<Item, trace::Line>) {
            painter.setPen(Pen(item.ink));
            painter.drawLine(item.from.x, item.from.y, item.to.x, item.to.y);
          } else if constexpr (std::is_same_v<Item, trace::Polyline>) {
            points.resize(static_cast<qsizetype>(item.points.size()));
            for (std::size_t i = 0; i < item.points.size(); ++i) {
              points[static_cast<qsizetype>(i)] = QPoint(item.points[i].x, item.points[i].y);
            }
            painter.setClipRect(ToQRect(item.clip));
            painter.setPen(Pen(item.ink));
            painter.drawPolyline(points.constData(), static_cast<int>(points.size()));
            painter.setClipping(false);
          } else {
            painter.setFont(fonts.For(item.style));
            painter.setPen(Colour(item.ink));
            constexpr int kReach = 2000;  // room for the text on the side that the anchor allows
            QRect box(item.anchor.x - kReach, item.anchor.y - 20, 2 * kReach, 40);
            int flags = Qt::AlignVCenter | Qt::TextSingleLine;
            if (item.align == trace::Align::kLeft) {
              box.setLeft(item.anchor.x);
              flags |= Qt::AlignLeft;
            } else if (item.align == trace::Align::kRight) {
              box.setRight(item.anchor.x);
              flags |= Qt::AlignRight;
            } else {
              flags |= Qt::AlignHCenter;
            }
            painter.drawText(box, flags, QString::fromStdString(item.text));
          }
        },
        step);
  }
}

TraceCanvas::TraceCanvas(TraceController& controller, QWidget* parent)
    : QWidget(parent), controller_(controller), fonts_(font()) {
  setObjectName(QStringLiteral("Canvas"));
  setFocusPolicy(Qt::StrongFocus);
  setMouseTracking(true);
  setAttribute(Qt::WA_OpaquePaintEvent);  // every pixel is painted
  setMinimumSize(320, 360);
}

void TraceCanvas::SetPicture(const trace::TracePicture* picture) {
  picture_ = picture;
  update();
}

void TraceCanvas::Paint(QPainter& painter, const trace::TracePicture& picture) const {
  PaintPicture(painter, picture, fonts_);
}

void TraceCanvas::paintEvent(QPaintEvent* /*event*/) {
  QPainter painter(this);
  if (picture_ == nullptr) {
    painter.fillRect(rect(), Colour(trace::Ink::kBackground));
    return;
  }
  Paint(painter, *picture_);
}

void TraceCanvas::resizeEvent(QResizeEvent* /*event*/) {
  controller_.OnCanvasResized(width(), height());
}

void TraceCanvas::mouseMoveEvent(QMouseEvent* event) {
  const QPoint at = event->position().toPoint();
  controller_.OnMouseMove(at.x(), at.y(), (event->buttons() & Qt::LeftButton) != 0);
}

void TraceCanvas::mousePressEvent(QMouseEvent* event) {
  setFocus(Qt::MouseFocusReason);
  if (event->button() == Qt::LeftButton) {
    const QPoint at = event->position().toPoint();
    controller_.OnMouseDown(at.x(), at.y());
  }
}

void TraceCanvas::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton) {
    const QPoint at = event->position().toPoint();
    controller_.OnMouseUp(at.x(), at.y());
  }
}

void TraceCanvas::leaveEvent(QEvent* /*event*/) {
  controller_.OnMouseLeave();
}

void TraceCanvas::wheelEvent(QWheelEvent* event) {
  // Eighths of a degree, 120 to a notch; a horizontal wheel turned right counts as towards the
  // user.
  const QPoint delta = event->angleDelta();
  controller_.OnWheel(delta.y() != 0 ? delta.y() : -delta.x(),
                      (event->modifiers() & Qt::ControlModifier) != 0);
  event->accept();
}

void TraceCanvas::keyPressEvent(QKeyEvent* event) {
  if (const std::optional<TraceKey> key = KeyOf(*event)) {
    controller_.OnKey(*key);
    event->accept();
    return;
  }
  QWidget::keyPressEvent(event);
}

}  // namespace velbrix
