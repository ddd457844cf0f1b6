// The picture control Image1: draws the window's EEG drawing at its natural size.
#ifndef VELBRIX_WINDOW_QT_IMAGE1_PICTURE_H_
#define VELBRIX_WINDOW_QT_IMAGE1_PICTURE_H_

#include <QWidget>

namespace velbrix {

// Draws window/art/image1_trace.h from its top-left corner at the drawing's own size (in twips,
// mapped by the widget's logical dpi), not stretched to the widget and without a border; what
// falls outside the widget is cut off. It takes no focus and ignores clicks.
class Image1Picture final : public QWidget {
 public:
  explicit Image1Picture(QWidget* parent);

 protected:
  void paintEvent(QPaintEvent* event) override;
};

}  // namespace velbrix

#endif  // VELBRIX_WINDOW_QT_IMAGE1_PICTURE_H_
