#include "window/qt/import_events_dialog.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "window/qt/qt_desktop.h"

namespace velbrix {
namespace {

QComboBox* MakeCombo(const char* name) {
  auto* combo = new QComboBox;
  combo->setObjectName(name);
  return combo;
}

}  // namespace

ImportEventsDialog::ImportEventsDialog(EventsDialogSubject subject, QWidget* parent)
    : QDialog(parent), controller_(*this, std::move(subject)) {
  setWindowTitle("Import Events");
  file_ = new QLineEdit;
  file_->setObjectName("file");
  auto* browse = new QPushButton("&Browse...");
  browse->setObjectName("browse");
  browse->setAutoDefault(false);
  header_ = new QRadioButton("Told by the &header (sidecar or BIDS)");
  header_->setObjectName("header");
  header_->setChecked(true);
  lab_ = new QRadioButton("A &lab's table:");
  lab_->setObjectName("lab");
  onset_ = MakeCombo("onset");
  duration_ = MakeCombo("duration");
  label_ = MakeCombo("label");
  seconds_ = new QRadioButton("&Seconds");
  seconds_->setObjectName("seconds");
  seconds_->setChecked(true);
  records_ = new QRadioButton("&Records");
  records_->setObjectName("records");
  auto* units = new QButtonGroup(this);
  units->addButton(seconds_);
  units->addButton(records_);
  rate_ = new QLineEdit;
  rate_->setObjectName("rate");
  message_ = new QLabel;
  message_->setObjectName("message");
  message_->setWordWrap(true);
  message_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);

  auto* file_row = new QHBoxLayout;
  file_row->addWidget(file_, 1);
  file_row->addWidget(browse);
  auto* unit_row = new QHBoxLayout;
  unit_row->addWidget(seconds_);
  unit_row->addWidget(records_);
  unit_row->addStretch();
  auto* form = new QFormLayout;
  auto add = [form](const char* text, QWidget* field) {
    auto* label = new QLabel(text);
    label->setBuddy(field);
    form->addRow(label, field);
  };
  auto* file_label = new QLabel("&File:");
  file_label->setBuddy(file_);
  form->addRow(file_label, file_row);
  form->addRow(header_);
  form->addRow(lab_);
  add("&Onset column:", onset_);
  add("&Duration column:", duration_);
  add("Lab&el column:", label_);
  form->addRow("Unit:", unit_row);
  add("Sample ra&te (Hz):", rate_);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(form);
  layout->addWidget(message_);
  layout->addWidget(buttons);

  connect(browse, &QPushButton::clicked, this, &ImportEventsDialog::Browse);
  connect(file_, &QLineEdit::editingFinished, this, [this] {
    if (file_->isModified()) {
      file_->setModified(false);
      controller_.FileChosen(File());
    }
  });
  const auto changed = [this] { controller_.EntriesChanged(); };
  connect(lab_, &QRadioButton::toggled, this, changed);
  connect(records_, &QRadioButton::toggled, this, changed);
  for (QComboBox* combo : {onset_, duration_, label_}) {
    connect(combo, &QComboBox::activated, this, changed);
  }
  connect(rate_, &QLineEdit::editingFinished, this, changed);
  connect(buttons, &QDialogButtonBox::accepted, this, &ImportEventsDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &ImportEventsDialog::reject);
  controller_.Open();
  file_->setFocus();
}

void ImportEventsDialog::accept() {
  if (file_->isModified()) {
    file_->setModified(false);
    controller_.FileChosen(File());
  }
  if (controller_.Accept()) QDialog::accept();
}

void ImportEventsDialog::Browse() {
  const QString file = QFileDialog::getOpenFileName(
      this, "Import Events", file_->text(), "Event tables (*.tsv *.csv *.txt);;All files (*)");
  if (!file.isEmpty()) controller_.FileChosen(PathFromQt(file));
}

std::filesystem::path ImportEventsDialog::File() const {
  return file_->text().isEmpty() ? std::filesystem::path() : PathFromQt(file_->text());
}
ImportForm ImportEventsDialog::Form() const {
  return lab_->isChecked() ? ImportForm::kLabTable : ImportForm::kToldByHeader;
}
std::string ImportEventsDialog::OnsetColumn() const { return onset_->currentText().toStdString(); }
std::string ImportEventsDialog::DurationColumn() const {
  return duration_->currentText().toStdString();
}
std::string ImportEventsDialog::LabelColumn() const { return label_->currentText().toStdString(); }
EventTimeUnit ImportEventsDialog::Unit() const {
  return records_->isChecked() ? EventTimeUnit::kRecords : EventTimeUnit::kSeconds;
}
std::string ImportEventsDialog::RateText() const { return rate_->text().toStdString(); }

void ImportEventsDialog::SetFile(const std::filesystem::path& file) {
  file_->setText(QDir::toNativeSeparators(QString::fromStdString(PathForDisplay(file))));
  file_->setModified(false);
}
void ImportEventsDialog::SetRateText(const std::string& text) {
  rate_->setText(QString::fromStdString(text));
}
void ImportEventsDialog::SetColumnChoices(const std::vector<std::string>& names) {
  for (QComboBox* combo : {onset_, duration_, label_}) {
    combo->clear();
    if (combo != onset_) combo->addItem(QString());
    for (const std::string& name : names) combo->addItem(QString::fromStdString(name));
  }
}
void ImportEventsDialog::SetColumns(const std::string& onset, const std::string& duration,
                                    const std::string& label) {
  onset_->setCurrentText(QString::fromStdString(onset));
  duration_->setCurrentText(QString::fromStdString(duration));
  label_->setCurrentText(QString::fromStdString(label));
}
void ImportEventsDialog::SetLabTableEnabled(bool enabled) {
  for (QWidget* widget : std::initializer_list<QWidget*>{onset_, duration_, label_, seconds_,
                                                         records_}) {
    widget->setEnabled(enabled);
  }
}
void ImportEventsDialog::SetMessage(const std::string& text) {
  message_->setText(QString::fromStdString(text));
}

}  // namespace velbrix
