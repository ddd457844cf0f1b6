// The Detect Events dialog on Qt Widgets: the view of DetectEventsController.
//
// It returns the ticked events found (result()) or nothing when cancelled; it adds them nowhere.
// The detection runs off the window's thread; closing the dialog stops it. Controls carry object
// names for tests: "channel", "level", "direction", "gap", "label", "detect", "stop", "progress",
// "found", "message", and the Add button "add".
#ifndef VELBRIX_WINDOW_QT_DETECT_EVENTS_DIALOG_H_
#define VELBRIX_WINDOW_QT_DETECT_EVENTS_DIALOG_H_

#include <QDialog>
#include <optional>
#include <string>
#include <vector>

#include "window/events/detect_events_controller.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QProgressBar;
class QPushButton;

namespace velbrix {

class DetectEventsDialog final : public QDialog, private DetectEventsView {
  Q_OBJECT

 public:
  DetectEventsDialog(EventsDialogSubject subject, std::vector<std::string> channels,
                     QWidget* parent = nullptr);

  const std::optional<std::vector<Event>>& result() const { return controller_.result(); }

  void accept() override;
  void reject() override;

 private:
  int Channel() const override;
  std::string LevelText() const override;
  CrossingDirection Direction() const override;
  std::string GapText() const override;
  std::string Label() const override;
  bool Kept(std::size_t row) const override;
  void SetChannels(const std::vector<std::string>& names, int selected) override;
  void SetGapUnit(const std::string& unit) override;
  void SetRunning(bool running) override;
  void SetProgress(int percent) override;
  void SetFound(const std::vector<std::string>& rows) override;
  void SetMessage(const std::string& text) override;

  QComboBox* channel_ = nullptr;
  QLineEdit* level_ = nullptr;
  QComboBox* direction_ = nullptr;
  QLabel* gap_label_ = nullptr;
  QLineEdit* gap_ = nullptr;
  QLineEdit* label_ = nullptr;
  QPushButton* detect_ = nullptr;
  QPushButton* stop_ = nullptr;
  QProgressBar* progress_ = nullptr;
  QListWidget* found_ = nullptr;
  QLabel* message_ = nullptr;
  QPushButton* add_ = nullptr;
  DetectEventsController controller_;  // last: its detection ends before the controls go
};

}  // namespace velbrix

#endif  // VELBRIX_WINDOW_QT_DETECT_EVENTS_DIALOG_H_
