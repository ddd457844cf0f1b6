// The trace window's Events list on Qt Widgets: a non-modal dialog with a table of the events
// (time, record, length, label) and the buttons Go To, Rename... and Delete, which pass the chosen
// row on to the TraceController. Enter or a double click goes to the row, Delete deletes it.
//
// Object names for tests: "EventsList" (the dialog), "EventsTable", "GoToEvent", "RenameEvent",
// "DeleteEvent".
#ifndef VELBRIX_WINDOW_QT_TRACE_EVENTS_LIST_H_
#define VELBRIX_WINDOW_QT_TRACE_EVENTS_LIST_H_

#include <QDialog>
#include <vector>

#include "window/trace/trace_controller.h"
#include "window/trace/trace_view.h"

class QTableView;

namespace velbrix {

class EventRowsModel;

class TraceEventsList final : public QDialog {
  Q_OBJECT

 public:
  TraceEventsList(TraceController& controller, QWidget* parent);

  // The rows shown, and the row to select (-1: none).
  void SetRows(const std::vector<EventRow>& rows, int selected);
  // The row chosen, or -1.
  int CurrentRow() const;
  QTableView* table() const { return table_; }

 protected:
  void keyPressEvent(QKeyEvent* event) override;

 private:
  TraceController& controller_;
  EventRowsModel* model_ = nullptr;
  QTableView* table_ = nullptr;
};

}  // namespace velbrix

#endif  // VELBRIX_WINDOW_QT_TRACE_EVENTS_LIST_H_
