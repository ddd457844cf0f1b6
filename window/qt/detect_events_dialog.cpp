#include "window/qt/detect_events_dialog.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

namespace velbrix {

DetectEventsDialog::DetectEventsDialog(EventsDialogSubject subject,
                                       std::vector<std::string> channels, QWidget* parent)
    : QDialog(parent),
      controller_(*this, std::move(subject), std::move(channels),
                  [this](BackgroundRunner::Task task) {
                    QMetaObject::invokeMethod(this, std::move(task), Qt::QueuedConnection);
                  }) {
  setWindowTitle("Detect Events");
  channel_ = new QComboBox;
  channel_->setObjectName("channel");
  level_ = new QLineEdit;
  level_->setObjectName("level");
  direction_ = new QComboBox;
  direction_->setObjectName("direction");
  for (const char* direction : kDirectionChoices) {
    direction_->addItem(direction);
  }
  gap_ = new QLineEdit;
  gap_->setObjectName("gap");
  label_ = new QLineEdit;
  label_->setObjectName("label");
  detect_ = new QPushButton("&Detect");
  detect_->setObjectName("detect");
  stop_ = new QPushButton("&Stop");
  stop_->setObjectName("stop");
  stop_->setAutoDefault(false);
  progress_ = new QProgressBar;
  progress_->setObjectName("progress");
  progress_->setRange(0, 100);
  found_ = new QListWidget;
  found_->setObjectName("found");
  message_ = new QLabel;
  message_->setObjectName("message");
  message_->setWordWrap(true);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Cancel);
  add_ = buttons->addButton("&Add", QDialogButtonBox::AcceptRole);
  add_->setObjectName("add");

  auto* form = new QFormLayout;
  auto add = [form](const char* text, QWidget* field) {
    auto* label = new QLabel(text);
    label->setBuddy(field);
    form->addRow(label, field);
    return label;
  };
  add("&Channel:", channel_);
  add("&Level (\u00B5V):", level_);
  add("Di&rection:", direction_);
  gap_label_ = add("Shortest &gap (seconds):", gap_);
  add("La&bel:", label_);
  auto* run_row = new QHBoxLayout;
  run_row->addWidget(detect_);
  run_row->addWidget(stop_);
  run_row->addWidget(progress_, 1);
  auto* found_label = new QLabel("Events f&ound (untick to leave out):");
  found_label->setBuddy(found_);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(form);
  layout->addLayout(run_row);
  layout->addWidget(found_label);
  layout->addWidget(found_, 1);
  layout->addWidget(message_);
  layout->addWidget(buttons);

  connect(detect_, &QPushButton::clicked, this, [this] { controller_.Detect(); });
  connect(stop_, &QPushButton::clicked, this, [this] { controller_.Stop(); });
  connect(buttons, &QDialogButtonBox::accepted, this, &DetectEventsDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &DetectEventsDialog::reject);
  controller_.Open();
  level_->setFocus();
}

void DetectEventsDialog::accept() {
  if (controller_.Add())
    QDialog::accept();
}

void DetectEventsDialog::reject() {
  controller_.Cancel();
  QDialog::reject();
}

int DetectEventsDialog::Channel() const {
  return channel_->currentIndex();
}
std::string DetectEventsDialog::LevelText() const {
  return level_->text().toStdString();
}
CrossingDirection DetectEventsDialog::Direction() const {
  return DirectionAt(direction_->currentIndex());
}
std::string DetectEventsDialog::GapText() const {
  return gap_->text().toStdString();
}
std::string DetectEventsDialog::Label() const {
  return label_->text().toStdString();
}
bool DetectEventsDialog::Kept(std::size_t row) const {
  const QListWidgetItem* item = found_->item(static_cast<int>(row));
  return item != nullptr && item->checkState() == Qt::Checked;
}

void DetectEventsDialog::SetChannels(const std::vector<std::string>& names, int selected) {
  channel_->clear();
  for (const std::string& name : names)
    channel_->addItem(QString::fromStdString(name));
  channel_->setCurrentIndex(selected);
}
void DetectEventsDialog::SetGapUnit(const std::string& unit) {
  gap_label_->setText(QString::fromStdString("Shortest &gap (" + unit + "):"));
}
void DetectEventsDialog::SetRunning(bool running) {
  detect_->setEnabled(!running);
  add_->setEnabled(!running);
  stop_->setEnabled(running);
  if (running) {
    stop_->setFocus();
  } else if (found_->count() == 0) {
    detect_->setDefault(true);
  }
}
void DetectEventsDialog::SetProgress(int percent) {
  progress_->setValue(percent);
}
void DetectEventsDialog::SetFound(const std::vector<std::string>& rows) {
  found_->clear();
  for (const std::string& row : rows) {
    auto* item = new QListWidgetItem(QString::fromStdString(row), found_);
    item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
    item->setCheckState(Qt::Checked);
  }
  if (!rows.empty()) {
    add_->setDefault(true);
    found_->setCurrentRow(0);
    found_->setFocus();
  }
}
void DetectEventsDialog::SetMessage(const std::string& text) {
  message_->setText(QString::fromStdString(text));
}

}  // namespace velbrix
