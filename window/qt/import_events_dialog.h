// The Import Events dialog on Qt Widgets: the view of ImportEventsController.
//
// It returns the events to add (result()) or nothing when cancelled; it adds them nowhere. OK
// keeps the dialog open, with what was entered and the bad lines shown, when the import fails.
// Controls carry object names for tests: "file", "browse", "header", "lab", "onset", "duration",
// "label", "seconds", "records", "rate", "message".
#ifndef VELBRIX_WINDOW_QT_IMPORT_EVENTS_DIALOG_H_
#define VELBRIX_WINDOW_QT_IMPORT_EVENTS_DIALOG_H_

#include <QDialog>
#include <optional>
#include <vector>

#include "window/events/import_events_controller.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QRadioButton;

namespace velbrix {

class ImportEventsDialog final : public QDialog, private ImportEventsView {
  Q_OBJECT

 public:
  explicit ImportEventsDialog(EventsDialogSubject subject, QWidget* parent = nullptr);

  // What Browse does with the file chosen.
  void ChooseFile(const std::filesystem::path& file) { controller_.FileChosen(file); }
  const std::optional<std::vector<Event>>& result() const { return controller_.result(); }

  void accept() override;

 private:
  std::filesystem::path File() const override;
  ImportForm Form() const override;
  std::string OnsetColumn() const override;
  std::string DurationColumn() const override;
  std::string LabelColumn() const override;
  EventTimeUnit Unit() const override;
  std::string RateText() const override;
  void SetFile(const std::filesystem::path& file) override;
  void SetRateText(const std::string& text) override;
  void SetColumnChoices(const std::vector<std::string>& names) override;
  void SetColumns(const std::string& onset, const std::string& duration,
                  const std::string& label) override;
  void SetLabTableEnabled(bool enabled) override;
  void SetMessage(const std::string& text) override;

  void Browse();

  QLineEdit* file_ = nullptr;
  QRadioButton* header_ = nullptr;
  QRadioButton* lab_ = nullptr;
  QComboBox* onset_ = nullptr;
  QComboBox* duration_ = nullptr;
  QComboBox* label_ = nullptr;
  QRadioButton* seconds_ = nullptr;
  QRadioButton* records_ = nullptr;
  QLineEdit* rate_ = nullptr;
  QLabel* message_ = nullptr;
  ImportEventsController controller_;
};

}  // namespace velbrix

#endif  // VELBRIX_WINDOW_QT_IMPORT_EVENTS_DIALOG_H_
