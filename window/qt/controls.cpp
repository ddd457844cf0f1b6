// The window's kinds of control.
#include "window/qt/controls.h"

#include <QPainter>

namespace velbrix {

void Frame::paintEvent(QPaintEvent* /*event*/) {
  QPainter painter(this);
  const QFontMetrics metrics(font());
  const int caption_height = metrics.height();

  // An etched border: a dark line with a light one inside and below it.
  const QRect border = rect().adjusted(0, caption_height / 2, -2, -2);
  painter.setPen(palette().color(QPalette::Mid));
  painter.drawRect(border);
  painter.setPen(palette().color(QPalette::Light));
  painter.drawRect(border.translated(1, 1));

  const int gap = metrics.horizontalAdvance(QLatin1Char(' ')) / 2;
  const QRect caption(metrics.averageCharWidth(), 0, metrics.horizontalAdvance(title()) + 2 * gap,
                      caption_height);
  painter.fillRect(caption, palette().window());
  painter.setPen(palette().color(QPalette::WindowText));
  painter.drawText(caption, Qt::AlignCenter | Qt::TextSingleLine, title());
}

QItemSelectionModel::SelectionFlags ChannelList::selectionCommand(const QModelIndex& index,
                                                                  const QEvent* event) const {
  const QItemSelectionModel::SelectionFlags flags = QListWidget::selectionCommand(index, event);
  if (flags.testFlag(QItemSelectionModel::Deselect) ||
      flags.testFlag(QItemSelectionModel::Toggle)) {
    return QItemSelectionModel::NoUpdate;
  }
  return flags;
}

QLabel* NewStatusLine(QWidget* parent, const QString& object_name) {
  auto* status = new QLabel(parent);
  status->setObjectName(object_name);
  status->setTextFormat(Qt::PlainText);
  status->setFrameShape(QFrame::StyledPanel);
  status->setMinimumHeight(status->fontMetrics().height() + 6);
  return status;
}

}  // namespace velbrix
