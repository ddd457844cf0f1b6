// The Export dialog's controls, built from the tables of window/export/export_settings.h.
#include "window/qt/export_dialog.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace velbrix {

ExportDialog::ExportDialog(const ExportSettings& settings, QWidget* parent) : QDialog(parent) {
  setWindowTitle(QString::fromUtf8(kExportDialogCaption));
  auto* form = new QFormLayout(this);

  // Created in the order of Tab: the format, the fields from top to bottom, Browse after its
  // field, then OK and Cancel.
  format_ = new QComboBox(this);
  format_->setObjectName(QStringLiteral("format"));
  for (const ExportFormatInfo& info : kExportFormats) {
    format_->addItem(QString::fromUtf8(info.label));
    if (info.target == settings.target) {
      format_->setCurrentIndex(format_->count() - 1);
    }
  }
  auto* format_label = new QLabel(QString::fromUtf8(kExportFormatLabel), this);
  format_label->setBuddy(format_);
  form->addRow(format_label, format_);

  for (const ExportFieldInfo& info : kExportFields) {
    const auto index = static_cast<std::size_t>(info.field);
    auto* field = new QLineEdit(QString::fromStdString(settings[info.field]), this);
    field->setObjectName(QString::fromUtf8(info.key));
    fields_[index] = field;
    auto* label = new QLabel(QString::fromUtf8(info.label), this);
    label->setBuddy(field);
    labels_[index] = label;
    if (info.field != ExportField::kBidsRoot) {
      form->addRow(label, field);
      continue;
    }
    browse_ = new QPushButton(QString::fromUtf8(kExportBrowseCaption), this);
    browse_->setObjectName(QStringLiteral("browse"));
    connect(browse_, &QPushButton::clicked, this, &ExportDialog::Browse);
    auto* row = new QHBoxLayout;
    row->addWidget(field);
    row->addWidget(browse_);
    form->addRow(label, row);
  }
  QLineEdit* start = Field(ExportField::kStart);
  start->setPlaceholderText(QStringLiteral("YYYY-MM-DD HH:MM:SS"));
  // Wide enough to show the placeholder whole, with the field's frame and margins.
  start->setMinimumWidth(start->fontMetrics().horizontalAdvance(start->placeholderText()) + 24);
  // And the dataset folder as wide, beside its button, for the longer paths it holds.
  Field(ExportField::kBidsRoot)->setMinimumWidth(start->minimumWidth());

  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  // Without access keys of their own, which some desktops' "&OK" and "&Cancel" would bring into
  // conflict with the labels' (F&ormat, Li&cense).
  buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("OK"));
  buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("Cancel"));
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  form->addRow(buttons);

  connect(format_, &QComboBox::currentIndexChanged, this, &ExportDialog::EnableBidsFields);
  EnableBidsFields();
  QLineEdit* rate = Field(ExportField::kSampleRate);
  rate->setFocus();
  rate->selectAll();
}

ExportSettings ExportDialog::settings() const {
  ExportSettings settings;
  settings.target = kExportFormats[static_cast<std::size_t>(format_->currentIndex())].target;
  for (const ExportFieldInfo& info : kExportFields) {
    settings[info.field] = Field(info.field)->text().toStdString();
  }
  return settings;
}

void ExportDialog::SetDatasetFolder(const QString& folder) {
  Field(ExportField::kBidsRoot)->setText(QDir::toNativeSeparators(folder));
}

void ExportDialog::EnableBidsFields() {
  const bool bids =
      IsBids(kExportFormats[static_cast<std::size_t>(format_->currentIndex())].target);
  for (const ExportFieldInfo& info : kExportFields) {
    if (info.bids) {
      const auto index = static_cast<std::size_t>(info.field);
      fields_[index]->setEnabled(bids);
      labels_[index]->setEnabled(bids);  // greyed as its field is
    }
  }
  browse_->setEnabled(bids);
}

void ExportDialog::Browse() {
  const QString typed = Field(ExportField::kBidsRoot)->text();
  const QString folder = QFileDialog::getExistingDirectory(
      this, QString::fromUtf8(kExportBrowseTitle), QDir::fromNativeSeparators(typed));
  if (!folder.isEmpty()) {
    SetDatasetFolder(folder);
  }
}

}  // namespace velbrix
