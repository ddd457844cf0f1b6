// The spectrum window's parts, view operations and events.
#include "window/qt/spectrum_window.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include "window/qt/controls.h"
#include "window/trace/trace_window_layout.h"

namespace velbrix {

SpectrumCanvas::SpectrumCanvas(TraceController& controller, QWidget* parent)
    : QWidget(parent), controller_(controller), fonts_(font()) {
  setObjectName(QStringLiteral("SpectrumCanvas"));
  setMouseTracking(true);
  setAttribute(Qt::WA_OpaquePaintEvent);
  setMinimumSize(300, 200);
}

void SpectrumCanvas::SetPicture(const trace::TracePicture* picture) {
  picture_ = picture;
  update();
}

void SpectrumCanvas::paintEvent(QPaintEvent* /*event*/) {
  QPainter painter(this);
  if (picture_ == nullptr) {
    painter.fillRect(rect(), Qt::white);
    return;
  }
  PaintPicture(painter, *picture_, fonts_);
}

void SpectrumCanvas::resizeEvent(QResizeEvent* /*event*/) {
  controller_.OnSpectrumResized(width(), height());
}

void SpectrumCanvas::mouseMoveEvent(QMouseEvent* event) {
  const QPoint at = event->position().toPoint();
  controller_.OnSpectrumMouseMove(at.x(), at.y());
}

void SpectrumCanvas::leaveEvent(QEvent* /*event*/) {
  controller_.OnSpectrumMouseLeave();
}

SpectrumWindow::SpectrumWindow(TraceController& controller, QWidget* parent)
    : QWidget(parent, Qt::Window), controller_(controller) {
  auto* controls = new QHBoxLayout;
  auto* label = new QLabel(tr(trace::kSpectrumChannelLabel), this);
  channel_ = new QComboBox(this);
  channel_->setObjectName(QString::fromUtf8(trace::kSpectrumChannelName));
  channel_->setSizeAdjustPolicy(QComboBox::AdjustToContents);
  label->setBuddy(channel_);
  controls->addWidget(label);
  controls->addWidget(channel_);
  controls->addStretch(1);
  canvas_ = new SpectrumCanvas(controller_, this);
  status_ = NewStatusLine(this, QStringLiteral("SpectrumStatus"));
  auto* column = new QVBoxLayout(this);
  column->setContentsMargins(6, 6, 6, 6);
  column->setSpacing(4);
  column->addLayout(controls);
  column->addWidget(canvas_, 1);
  column->addWidget(status_);
  connect(channel_, &QComboBox::activated, this,
          [this](int index) { controller_.OnSpectrumChannelChosen(index); });
  resize(trace::kSpectrumStartWidth, trace::kSpectrumStartHeight);
}

SpectrumWindow::~SpectrumWindow() {
  channel_->blockSignals(true);
  if (open_) {
    controller_.OnSpectrumClosed();
  }
}

void SpectrumWindow::Open() {
  show();
  raise();
  activateWindow();
  if (!open_) {
    open_ = true;
    controller_.OnSpectrumResized(canvas_->width(), canvas_->height());
    controller_.OnSpectrumOpened(*this);
  }
}

void SpectrumWindow::SetCaption(const std::string& text) {
  setWindowTitle(QString::fromStdString(text));
}

void SpectrumWindow::SetChannelChoices(const std::vector<std::string>& entries, int selected) {
  const QSignalBlocker blocker(channel_);
  QStringList texts;
  for (const std::string& entry : entries) {
    texts << QString::fromStdString(entry);
  }
  QStringList shown;
  for (int i = 0; i < channel_->count(); ++i) {
    shown << channel_->itemText(i);
  }
  if (texts != shown) {  // refilled only when they change, so that an open list stays open
    channel_->clear();
    channel_->addItems(texts);
  }
  channel_->setCurrentIndex(selected);
}

void SpectrumWindow::ShowPicture(const trace::TracePicture& picture) {
  canvas_->SetPicture(&picture);
}

void SpectrumWindow::SetStatusText(const std::string& text) {
  status_->setText(QString::fromStdString(text));
}

void SpectrumWindow::closeEvent(QCloseEvent* event) {
  if (open_) {
    open_ = false;
    canvas_->SetPicture(nullptr);
    controller_.OnSpectrumClosed();
  }
  event->accept();  // hidden, not deleted
}

}  // namespace velbrix
