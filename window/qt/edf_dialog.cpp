// The EDF export's dialog on Qt Widgets.
#include "window/qt/edf_dialog.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>

#include "window/frm_fle_layout.h"

namespace velbrix {

EdfDialog::EdfDialog(const EdfSettings& settings, QWidget* parent) : QDialog(parent) {
  setWindowTitle(QString::fromUtf8(layout::kEdfDialogCaption));
  sample_rate_ = new QLineEdit(QString::fromStdString(settings.sample_rate), this);
  sample_rate_->setObjectName(QStringLiteral("sample_rate"));
  start_ = new QLineEdit(QString::fromStdString(settings.start), this);
  start_->setObjectName(QStringLiteral("start"));
  start_->setPlaceholderText(QStringLiteral("YYYY-MM-DD HH:MM:SS"));
  // Wide enough to show the placeholder whole, with the field's frame and margins.
  start_->setMinimumWidth(start_->fontMetrics().horizontalAdvance(start_->placeholderText()) + 24);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

  auto* form = new QFormLayout(this);
  form->addRow(QString::fromUtf8(layout::kEdfRateLabel), sample_rate_);
  form->addRow(QString::fromUtf8(layout::kEdfStartLabel), start_);
  form->addRow(buttons);
  sample_rate_->selectAll();
}

EdfSettings EdfDialog::settings() const {
  return {sample_rate_->text().toStdString(), start_->text().toStdString()};
}

}  // namespace velbrix
