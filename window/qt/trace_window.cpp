// The trace window's parts, view operations and events.
#include "window/qt/trace_window.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include "window/qt/trace_canvas.h"
#include "window/trace_window_layout.h"

namespace velbrix {
namespace {

void FillChoice(QComboBox* choice, const std::vector<std::string>& entries, int selected) {
  const QSignalBlocker blocker(choice);
  choice->clear();
  for (const std::string& entry : entries) {
    choice->addItem(QString::fromStdString(entry));
  }
  choice->setCurrentIndex(selected);
}

}  // namespace

TraceWindow::TraceWindow(const std::string& decimal_separator, QWidget* parent)
    : QWidget(parent, Qt::Window), controller_(*this, decimal_separator) {
  setAttribute(Qt::WA_QuitOnClose, false);  // the converter window's closing ends the program
  setWindowIcon(QIcon(QStringLiteral(":/velbrix.ico")));
  CreateParts();
  ConnectEvents();
  canvas_->setFocus();  // the keys page through the recording from the start
  resize(trace::kStartWidth, trace::kStartHeight);
}

TraceWindow::~TraceWindow() {
  // QWidget's destructor hides the window, and a part losing the focus would then call the
  // controller, which is gone by then: the parts are silenced, the canvas deleted first.
  for (QWidget* part :
       std::initializer_list<QWidget*>{sample_rate_, page_length_, amplitude_, scroll_bar_}) {
    part->blockSignals(true);
  }
  delete canvas_;
  ticks_.stop();
}

void TraceWindow::CreateParts() {
  auto* controls = new QHBoxLayout;
  for (const trace::RowField& entry : trace::kRowFields) {
    if (&entry != &trace::kRowFields[0]) {
      controls->addSpacing(20);
    }
    controls->addWidget(new QLabel(tr(entry.label), this));
    QWidget* field = nullptr;
    switch (entry.field) {
      case trace::TraceField::kSampleRate:
        field = sample_rate_ = new QLineEdit(this);
        sample_rate_->setMaximumWidth(80);
        break;
      case trace::TraceField::kPageLength:
        field = page_length_ = new QComboBox(this);
        break;
      case trace::TraceField::kAmplitude:
        field = amplitude_ = new QComboBox(this);
        break;
    }
    if (auto* choice = qobject_cast<QComboBox*>(field)) {
      choice->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    }
    field->setObjectName(QString::fromUtf8(entry.name));
    controls->addWidget(field);
    row_.push_back(field);
    if (*entry.unit != '\0') {
      controls->addWidget(new QLabel(QString::fromUtf8(entry.unit), this));
    }
  }
  controls->addStretch(1);

  canvas_ = new TraceCanvas(controller_, this);
  scroll_bar_ = new QScrollBar(Qt::Horizontal, this);
  scroll_bar_->setObjectName(QStringLiteral("ScrollBar"));
  status_ = new QLabel(this);
  status_->setObjectName(QStringLiteral("Status"));
  status_->setTextFormat(Qt::PlainText);
  status_->setFrameShape(QFrame::StyledPanel);
  status_->setMinimumHeight(status_->fontMetrics().height() + 6);

  auto* column = new QVBoxLayout(this);
  column->setContentsMargins(6, 6, 6, 6);
  column->setSpacing(4);
  column->addLayout(controls);
  column->addWidget(canvas_, 1);
  column->addWidget(scroll_bar_);
  column->addWidget(status_);
  QWidget* previous = canvas_;
  for (QWidget* field : row_) {
    setTabOrder(previous, field);
    previous = field;
  }
}

void TraceWindow::ConnectEvents() {
  // Only signals that user actions raise; the view operations block them.
  connect(sample_rate_, &QLineEdit::editingFinished, this,
          [this] { controller_.OnSampleRateEntered(sample_rate_->text().toStdString()); });
  connect(page_length_, &QComboBox::activated, this, [this](int index) {
    controller_.OnPageChosen(index);
    canvas_->setFocus();
  });
  connect(amplitude_, &QComboBox::activated, this, [this](int index) {
    controller_.OnAmplitudeChosen(index);
    canvas_->setFocus();
  });
  connect(scroll_bar_, &QScrollBar::valueChanged, this,
          [this](int position) { controller_.OnScrollTo(position); });
  connect(&ticks_, &QTimer::timeout, this, [this] { controller_.OnTick(); });
}

void TraceWindow::ShowSubject(const TraceSubject& subject, bool reread) {
  controller_.Show(subject, reread);
}

void TraceWindow::SetCaption(const std::string& text) {
  setWindowTitle(QString::fromStdString(text));
}

void TraceWindow::SetSampleRateText(const std::string& text) {
  const QSignalBlocker blocker(sample_rate_);
  sample_rate_->setText(QString::fromStdString(text));
}

void TraceWindow::SetPageChoices(const std::vector<std::string>& entries, int selected) {
  FillChoice(page_length_, entries, selected);
}

void TraceWindow::SetAmplitudeChoices(const std::vector<std::string>& entries, int selected) {
  FillChoice(amplitude_, entries, selected);
}

void TraceWindow::SetScrollBar(int maximum, int page, int position) {
  const QSignalBlocker blocker(scroll_bar_);
  scroll_bar_->setRange(0, maximum);
  scroll_bar_->setPageStep(page);
  scroll_bar_->setSingleStep(1);
  scroll_bar_->setValue(position);
}

void TraceWindow::ShowPicture(const trace::TracePicture& picture) {
  canvas_->SetPicture(&picture);
}

void TraceWindow::SetStatusText(const std::string& text) {
  status_->setText(QString::fromStdString(text));
}

void TraceWindow::SetTicking(bool on) {
  if (on && !ticks_.isActive()) {
    ticks_.start(trace::kTickMs);
  } else if (!on) {
    ticks_.stop();
  }
}

void TraceWindow::closeEvent(QCloseEvent* event) {
  controller_.Close();
  event->accept();  // hidden, not deleted
}

}  // namespace velbrix
