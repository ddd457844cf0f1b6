// Qt widgets adjusted to behave as the window's kinds of control: the frame, the option button and
// the list. Each changes only what the comment says; everything else is the Qt widget's own.
#ifndef VELBRIX_WINDOW_QT_CONTROLS_H_
#define VELBRIX_WINDOW_QT_CONTROLS_H_

#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QRadioButton>
#include <QString>

namespace velbrix {

// A frame whose caption is set into its top border line, near the left, drawn in the palette's
// WindowText colour over the frame's background.
class Frame final : public QGroupBox {
 public:
  using QGroupBox::QGroupBox;

 protected:
  void paintEvent(QPaintEvent* event) override;
};

// An option button that takes a click anywhere in its rectangle, not only on its circle and text.
class OptionButton final : public QRadioButton {
 public:
  using QRadioButton::QRadioButton;

 protected:
  bool hitButton(const QPoint& pos) const override { return rect().contains(pos); }
};

// A single-selection list whose selected entry the user cannot clear (with Ctrl+click): once an
// entry is selected, one stays selected.
class ChannelList final : public QListWidget {
 public:
  using QListWidget::QListWidget;

 protected:
  QItemSelectionModel::SelectionFlags selectionCommand(const QModelIndex& index,
                                                       const QEvent* event) const override;
};

// A new status line of the trace and spectrum windows, named `object_name`: plain text on a framed
// panel one line of text high. `parent` owns it.
QLabel* NewStatusLine(QWidget* parent, const QString& object_name);

}  // namespace velbrix

#endif  // VELBRIX_WINDOW_QT_CONTROLS_H_
