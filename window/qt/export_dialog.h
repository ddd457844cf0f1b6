// The Export dialog on Qt Widgets: the format and the twelve texts of
// window/export/export_settings.h, as typed.
//
// The dialog only collects the entries; it neither trims nor checks them (the controller does,
// FrmFle::mnuexport_Click). The format list carries the object name "format", each field its key
// (ExportFieldInfo::key) and the dataset folder's Browse button "browse", for tests. The BIDS
// fields and Browse are enabled only while a BIDS format is chosen.
#ifndef VELBRIX_WINDOW_QT_EXPORT_DIALOG_H_
#define VELBRIX_WINDOW_QT_EXPORT_DIALOG_H_

#include <QDialog>
#include <QString>
#include <array>

#include "window/export/export_settings.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace velbrix {

class ExportDialog final : public QDialog {
  Q_OBJECT

 public:
  // Filled in with `settings`, the sample rate's text selected and focused.
  explicit ExportDialog(const ExportSettings& settings, QWidget* parent = nullptr);

  ExportSettings settings() const;
  // Puts `folder`, as a folder dialog gives it, into the dataset folder's field with the system's
  // separators; what Browse does with the chosen folder.
  void SetDatasetFolder(const QString& folder);

 private:
  QLineEdit* Field(ExportField field) const { return fields_[static_cast<std::size_t>(field)]; }
  // Enables the BIDS fields, their labels and Browse as the chosen format asks.
  void EnableBidsFields();
  // Asks for the dataset's folder, starting in the one typed if any.
  void Browse();

  QComboBox* format_ = nullptr;
  std::array<QLineEdit*, kExportFieldCount> fields_{};  // by ExportField
  std::array<QLabel*, kExportFieldCount> labels_{};
  QPushButton* browse_ = nullptr;
};

}  // namespace velbrix

#endif  // VELBRIX_WINDOW_QT_EXPORT_DIALOG_H_
