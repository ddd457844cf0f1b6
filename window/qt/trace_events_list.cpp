// The Events list's table model, dialog and buttons.
#include "window/qt/trace_events_list.h"

#include <QAbstractTableModel>
#include <QDialogButtonBox>
#include <QHeaderView>
#include <QKeyEvent>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

#include "window/trace/trace_window_layout.h"

namespace velbrix {

// The rows as a table, replaced whole: a list of 50,000 events is shown without an item each.
class EventRowsModel final : public QAbstractTableModel {
 public:
  using QAbstractTableModel::QAbstractTableModel;

  void SetRows(const std::vector<EventRow>& rows) {
    beginResetModel();
    rows_ = rows;
    endResetModel();
  }
  int rowCount(const QModelIndex& parent) const override {
    return parent.isValid() ? 0 : static_cast<int>(rows_.size());
  }
  int columnCount(const QModelIndex& parent) const override {
    return parent.isValid() ? 0 : static_cast<int>(std::size(trace::kEventColumns));
  }
  QVariant data(const QModelIndex& index, int role) const override {
    if (role != Qt::DisplayRole || !index.isValid()) {
      return {};
    }
    const EventRow& row = rows_[static_cast<std::size_t>(index.row())];
    const std::string* texts[] = {&row.time, &row.record, &row.length, &row.label};
    return QString::fromStdString(*texts[index.column()]);
  }
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override {
    if (role != Qt::DisplayRole || orientation != Qt::Horizontal) {
      return {};
    }
    return tr(trace::kEventColumns[section]);
  }

 private:
  std::vector<EventRow> rows_;
};

TraceEventsList::TraceEventsList(TraceController& controller, QWidget* parent)
    : QDialog(parent), controller_(controller) {
  setObjectName(QStringLiteral("EventsList"));
  setWindowTitle(tr("Events"));
  model_ = new EventRowsModel(this);
  table_ = new QTableView(this);
  table_->setObjectName(QStringLiteral("EventsTable"));
  table_->setModel(model_);
  table_->setSelectionBehavior(QAbstractItemView::SelectRows);
  table_->setSelectionMode(QAbstractItemView::SingleSelection);
  table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  table_->verticalHeader()->hide();
  table_->horizontalHeader()->setStretchLastSection(true);
  auto* buttons = new QDialogButtonBox(this);
  const auto add = [&](const char* name, const QString& text, auto action) {
    QPushButton* button = buttons->addButton(text, QDialogButtonBox::ActionRole);
    button->setObjectName(QString::fromUtf8(name));
    button->setAutoDefault(false);
    connect(button, &QPushButton::clicked, this, [this, action] {
      if (CurrentRow() >= 0) {
        (controller_.*action)(CurrentRow());
      }
    });
  };
  add("GoToEvent", tr("&Go To"), &TraceController::OnEventChosen);
  add("RenameEvent", tr("&Rename..."), &TraceController::OnRenameEvent);
  add("DeleteEvent", tr("&Delete"), &TraceController::OnDeleteEvent);
  buttons->addButton(QDialogButtonBox::Close);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  connect(table_, &QTableView::activated, this,
          [this](const QModelIndex& index) { controller_.OnEventChosen(index.row()); });
  auto* column = new QVBoxLayout(this);
  column->addWidget(table_, 1);
  column->addWidget(buttons);
  resize(520, 420);
}

void TraceEventsList::SetRows(const std::vector<EventRow>& rows, int selected) {
  model_->SetRows(rows);
  if (selected >= 0 && selected < static_cast<int>(rows.size())) {
    table_->selectRow(selected);
    table_->scrollTo(model_->index(selected, 0));
  }
}

int TraceEventsList::CurrentRow() const {
  const QModelIndex current = table_->currentIndex();
  return current.isValid() ? current.row() : -1;
}

void TraceEventsList::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Delete && CurrentRow() >= 0) {
    controller_.OnDeleteEvent(CurrentRow());
    return;
  }
  QDialog::keyPressEvent(event);
}

}  // namespace velbrix
