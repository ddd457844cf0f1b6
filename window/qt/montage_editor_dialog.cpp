#include "window/qt/montage_editor_dialog.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QTableWidget>
#include <QVBoxLayout>

namespace velbrix {
namespace {

QString Text(const std::string& text) {
  return QString::fromStdString(text);
}

QPushButton* MakeButton(const char* text, const char* name) {
  auto* button = new QPushButton(text);
  button->setObjectName(name);
  button->setAutoDefault(false);
  return button;
}

// Sets `edit`'s text only when it differs, so that the caret of the one being typed in stays.
void SetIfDifferent(QLineEdit* edit, const std::string& text) {
  if (edit->text() != Text(text)) {
    edit->setText(Text(text));
  }
}

}  // namespace

MontageEditorDialog::MontageEditorDialog(MontageEditorSubject subject, QWidget* parent)
    : QDialog(parent), controller_(*this, std::move(subject)) {
  setWindowTitle(kMontageEditorTitle);
  name_ = new QLineEdit;
  name_->setObjectName("name");
  rows_ = new QTableWidget(0, 5);
  rows_->setObjectName("rows");
  QStringList columns;
  for (const auto& column : kMontageColumns) {
    columns << column;
  }
  columns << "Problem";
  rows_->setHorizontalHeaderLabels(columns);
  rows_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  rows_->setSelectionBehavior(QAbstractItemView::SelectRows);
  rows_->setSelectionMode(QAbstractItemView::SingleSelection);
  rows_->verticalHeader()->setDefaultSectionSize(rows_->fontMetrics().height() + 6);
  for (int c = 0; c < 4; ++c) {
    rows_->horizontalHeader()->setSectionResizeMode(c, QHeaderView::ResizeToContents);
  }
  rows_->horizontalHeader()->setStretchLastSection(true);
  rows_->setMinimumHeight(200);
  derivation_ = new QLineEdit;
  derivation_->setObjectName("derivation");
  label_ = new QLineEdit;
  label_->setObjectName("label");
  factor_ = new QLineEdit;
  factor_->setObjectName("factor");
  auto* help = new QLabel(kMontageHelpText);
  help->setWordWrap(true);
  message_ = new QLabel;
  message_->setObjectName("message");
  message_->setWordWrap(true);
  message_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  message_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  message_->setStyleSheet("color: #a00000");
  // The message takes three lines and scrolls when it holds more, so that a long list of
  // problems neither grows the dialog nor moves the table.
  auto* message_area = new QScrollArea;
  message_area->setWidget(message_);
  message_area->setWidgetResizable(true);
  message_area->setFrameShape(QFrame::NoFrame);
  message_area->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  message_area->setFixedHeight(3 * fontMetrics().lineSpacing() + 4);

  auto* add = MakeButton(kMontageAddText, "add");
  auto* remove = MakeButton(kMontageRemoveText, "remove");
  auto* up = MakeButton(kMontageUpText, "up");
  auto* down = MakeButton(kMontageDownText, "down");
  auto* shown = MakeButton(kMontageShowHideText, "shown");
  auto* row_buttons = new QHBoxLayout;
  for (QPushButton* button : {add, remove, up, down, shown}) {
    row_buttons->addWidget(button);
  }
  row_buttons->addStretch();
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Save | QDialogButtonBox::Cancel);
  buttons->button(QDialogButtonBox::Save)->setText(kMontageSaveText);

  // A field under its label, whose access key reaches it.
  const auto add_row = [](QFormLayout* form, const char* text, QWidget* field) {
    auto* label = new QLabel(text);
    label->setBuddy(field);
    form->addRow(label, field);
  };
  auto* form = new QFormLayout;
  add_row(form, kMontageNameLabel, name_);
  auto* rows_label = new QLabel(kMontageRowsLabel);
  rows_label->setBuddy(rows_);
  auto* fields = new QFormLayout;
  add_row(fields, kMontageDerivationLabel, derivation_);
  add_row(fields, kMontageLabelLabel, label_);
  add_row(fields, kMontageFactorLabel, factor_);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(form);
  layout->addWidget(rows_label);
  layout->addWidget(rows_, 1);
  layout->addLayout(row_buttons);
  layout->addLayout(fields);
  layout->addWidget(help);
  layout->addWidget(message_area);
  layout->addWidget(buttons);

  connect(rows_, &QTableWidget::currentCellChanged, this, [this](int row) {
    if (!showing_)
      controller_.RowChosen(row);
  });
  for (QLineEdit* edit : {derivation_, label_, factor_}) {
    connect(edit, &QLineEdit::textEdited, this, &MontageEditorDialog::FieldsEdited);
  }
  connect(add, &QPushButton::clicked, this, [this] { controller_.AddRow(); });
  connect(remove, &QPushButton::clicked, this, [this] { controller_.RemoveRow(); });
  connect(up, &QPushButton::clicked, this, [this] { controller_.MoveRow(-1); });
  connect(down, &QPushButton::clicked, this, [this] { controller_.MoveRow(1); });
  connect(shown, &QPushButton::clicked, this, [this] { controller_.ToggleShown(); });
  connect(buttons, &QDialogButtonBox::accepted, this, &MontageEditorDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &MontageEditorDialog::reject);
  controller_.Open();
  resize(680, 620);
  name_->setFocus();
}

void MontageEditorDialog::accept() {
  if (controller_.Accept())
    QDialog::accept();
}

void MontageEditorDialog::FieldsEdited() {
  if (!showing_) {
    controller_.RowEdited(derivation_->text().toStdString(), label_->text().toStdString(),
                          factor_->text().toStdString());
  }
}

std::string MontageEditorDialog::Name() const {
  return name_->text().toStdString();
}

void MontageEditorDialog::SetName(const std::string& name) {
  name_->setText(Text(name));
}

void MontageEditorDialog::SetRows(const std::vector<MontageEditorRow>& rows, int chosen) {
  showing_ = true;
  rows_->setRowCount(static_cast<int>(rows.size()));
  for (int r = 0; r < static_cast<int>(rows.size()); ++r) {
    const MontageEditorRow& row = rows[static_cast<std::size_t>(r)];
    const QString cells[] = {Text(row.line.derivation), Text(row.line.label), Text(row.line.factor),
                             row.line.shown ? "Yes" : "No", Text(row.problem)};
    for (int c = 0; c < 5; ++c) {
      QTableWidgetItem* item = rows_->item(r, c);
      if (item == nullptr) {
        item = new QTableWidgetItem;
        rows_->setItem(r, c, item);
      }
      item->setText(cells[c]);
      item->setForeground(row.problem.empty() ? (row.line.shown ? palette().text().color()
                                                                : palette().mid().color())
                                              : QColor(0xa0, 0, 0));
    }
  }
  if (chosen >= 0) {
    rows_->setCurrentCell(chosen, 0);
  } else {
    rows_->clearSelection();
  }
  showing_ = false;
}

void MontageEditorDialog::SetRowFields(const MontageLine& line, bool enabled) {
  showing_ = true;
  SetIfDifferent(derivation_, line.derivation);
  SetIfDifferent(label_, line.label);
  SetIfDifferent(factor_, line.factor);
  for (QLineEdit* edit : {derivation_, label_, factor_}) {
    edit->setEnabled(enabled);
  }
  showing_ = false;
}

void MontageEditorDialog::SetMessage(const std::string& text) {
  message_->setText(Text(text));
}

}  // namespace velbrix
