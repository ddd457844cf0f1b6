// The EDF export's dialog: the sample rate and, if known, the start date and time, as typed.
//
// The dialog only collects the two texts; the controller checks them (FrmFle::mnuedf_Click). Its
// fields carry the object names "sample_rate" and "start" for tests.
#ifndef VELBRIX_WINDOW_QT_EDF_DIALOG_H_
#define VELBRIX_WINDOW_QT_EDF_DIALOG_H_

#include <QDialog>

#include "window/desktop.h"

class QLineEdit;

namespace velbrix {

class EdfDialog final : public QDialog {
  Q_OBJECT

 public:
  // Filled in with `settings`.
  explicit EdfDialog(const EdfSettings& settings, QWidget* parent = nullptr);

  EdfSettings settings() const;

 private:
  QLineEdit* sample_rate_ = nullptr;
  QLineEdit* start_ = nullptr;
};

}  // namespace velbrix

#endif  // VELBRIX_WINDOW_QT_EDF_DIALOG_H_
