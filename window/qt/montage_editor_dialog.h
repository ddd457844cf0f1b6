// The Montage Editor on Qt Widgets: the view of MontageEditorController.
//
// Save keeps the dialog open, with the rows and what is wrong with them shown, until the montage
// is written; saved() then names its file. Controls carry object names for tests: "name", "rows",
// "derivation", "label", "factor", "add", "remove", "up", "down", "shown", "message".
#ifndef VELBRIX_WINDOW_QT_MONTAGE_EDITOR_DIALOG_H_
#define VELBRIX_WINDOW_QT_MONTAGE_EDITOR_DIALOG_H_

#include <QDialog>
#include <filesystem>
#include <optional>
#include <vector>

#include "window/montage/montage_editor_controller.h"

class QLabel;
class QLineEdit;
class QTableWidget;

namespace velbrix {

class MontageEditorDialog final : public QDialog, private MontageEditorView {
  Q_OBJECT

 public:
  explicit MontageEditorDialog(MontageEditorSubject subject, QWidget* parent = nullptr);

  const std::optional<std::filesystem::path>& saved() const { return controller_.saved(); }

  void accept() override;

 private:
  std::string Name() const override;
  void SetName(const std::string& name) override;
  void SetRows(const std::vector<MontageEditorRow>& rows, int chosen) override;
  void SetRowFields(const MontageLine& line, bool enabled) override;
  void SetMessage(const std::string& text) override;

  void FieldsEdited();

  QLineEdit* name_ = nullptr;
  QTableWidget* rows_ = nullptr;
  QLineEdit* derivation_ = nullptr;
  QLineEdit* label_ = nullptr;
  QLineEdit* factor_ = nullptr;
  QLabel* message_ = nullptr;
  bool showing_ =
      false;  // while the controller's answer is shown, the widgets' signals are not its
  MontageEditorController controller_;
};

}  // namespace velbrix

#endif  // VELBRIX_WINDOW_QT_MONTAGE_EDITOR_DIALOG_H_
