// Image1's drawing.
#include "window/qt/image1_picture.h"

#include <QPainter>
#include <QPolygonF>

#include "window/art/image1_trace.h"
#include "window/converter/frm_fle_layout.h"

namespace velbrix {

Image1Picture::Image1Picture(QWidget* parent) : QWidget(parent) {
  setFocusPolicy(Qt::NoFocus);
  setAttribute(Qt::WA_TransparentForMouseEvents);
}

void Image1Picture::paintEvent(QPaintEvent* /*event*/) {
  QPainter painter(this);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setClipRect(rect());
  painter.scale(logicalDpiX() / double(layout::kTwipsPerInch),
                logicalDpiY() / double(layout::kTwipsPerInch));
  for (const art::Trace& trace : art::kImage1Traces) {
    QPolygonF line;
    for (std::size_t i = 0; i < trace.y.size(); ++i) {
      line << QPointF(art::kTraceLeft + static_cast<double>(i) * art::kTraceStep, trace.y[i]);
    }
    painter.setPen(QPen(QColor(trace.colour.red, trace.colour.green, trace.colour.blue),
                        art::kTracePenWidth, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.drawPolyline(line);
  }
}

}  // namespace velbrix
