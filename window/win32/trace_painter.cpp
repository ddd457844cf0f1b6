// GDI painting of the trace picture.
#include "window/win32/trace_painter.h"

#include <cmath>
#include <type_traits>

#include "window/win32/text.h"

namespace velbrix::win32 {
namespace {

constexpr wchar_t kFace[] = L"Tahoma";

COLORREF ColourOf(trace::Ink ink) {
  const trace::Rgb rgb = trace::InkColour(ink);
  return RGB(rgb.red, rgb.green, rgb.blue);
}

Font MakeFont(double points, bool bold, int dpi) {
  const int height = -static_cast<int>(std::lround(points * dpi / 72.0));
  return Font(::CreateFontW(height, 0, 0, 0, bold ? FW_BOLD : FW_NORMAL, FALSE, FALSE, FALSE,
                            DEFAULT_CHARSET, OUT_TT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                            VARIABLE_PITCH | FF_SWISS, kFace));
}

RECT ToRect(const trace::Rect& r) {
  return RECT{r.left, r.top, r.right, r.bottom};
}

}  // namespace

TracePainter::TracePainter(int dpi)
    : normal_(MakeFont(9, false, dpi)),
      bold_(MakeFont(9, true, dpi)),
      small_(MakeFont(7.5, false, dpi)) {
  for (std::size_t i = 0; i < kInks; ++i) {
    const COLORREF colour = ColourOf(static_cast<trace::Ink>(i));
    brushes_[i] = ::CreateSolidBrush(colour);
    pens_[i] = ::CreatePen(PS_SOLID, 1, colour);
  }
}

TracePainter::~TracePainter() {
  if (memory_ != nullptr) {
    ::SelectObject(memory_, old_bitmap_);
    ::DeleteDC(memory_);
  }
  if (bitmap_ != nullptr) {
    ::DeleteObject(bitmap_);
  }
  for (std::size_t i = 0; i < kInks; ++i) {
    ::DeleteObject(brushes_[i]);
    ::DeleteObject(pens_[i]);
  }
}

HFONT TracePainter::FontFor(trace::TextStyle style) const {
  switch (style) {
    case trace::TextStyle::kBold:
      return bold_.get();
    case trace::TextStyle::kSmall:
      return small_.get();
    case trace::TextStyle::kNormal:
      break;
  }
  return normal_.get();
}

void TracePainter::Paint(HDC target, const trace::TracePicture& picture) {
  if (picture.width <= 0 || picture.height <= 0) {
    return;
  }
  if (memory_ == nullptr || picture.width != width_ || picture.height != height_) {
    if (memory_ == nullptr) {
      memory_ = ::CreateCompatibleDC(target);
    } else {
      ::SelectObject(memory_, old_bitmap_);
      ::DeleteObject(bitmap_);
    }
    bitmap_ = ::CreateCompatibleBitmap(target, picture.width, picture.height);
    old_bitmap_ = ::SelectObject(memory_, bitmap_);
    width_ = picture.width;
    height_ = picture.height;
  }
  Draw(memory_, picture);
  ::BitBlt(target, 0, 0, width_, height_, memory_, 0, 0, SRCCOPY);
}

void TracePainter::Draw(HDC dc, const trace::TracePicture& picture) {
  const int saved = ::SaveDC(dc);
  ::SetBkMode(dc, TRANSPARENT);
  for (const trace::Step& step : picture.steps) {
    std::visit(
        [&](const auto& item) {
          using Item = std::decay_t<decltype(item)>;
          const auto ink = static_cast<std::size_t>(item.ink);
          if constexpr (std::is_same_v<Item, trace::Fill>) {
            const RECT rect = ToRect(item.rect);
            ::FillRect(dc, &rect, brushes_[ink]);
          } else if constexpr (std::is_same_v<Item, trace::Line>) {
            ::SelectObject(dc, pens_[ink]);
            ::MoveToEx(dc, item.from.x, item.from.y, nullptr);
            ::LineTo(dc, item.to.x, item.to.y);
            ::SetPixelV(dc, item.to.x, item.to.y, ColourOf(item.ink));  // LineTo stops short of it
          } else if constexpr (std::is_same_v<Item, trace::Polyline>) {
            points_.resize(item.points.size());
            for (std::size_t i = 0; i < item.points.size(); ++i) {
              points_[i] = POINT{item.points[i].x, item.points[i].y};
            }
            HRGN clip =
                ::CreateRectRgn(item.clip.left, item.clip.top, item.clip.right, item.clip.bottom);
            ::SelectClipRgn(dc, clip);
            ::DeleteObject(clip);
            ::SelectObject(dc, pens_[ink]);
            ::Polyline(dc, points_.data(), static_cast<int>(points_.size()));
            ::SelectClipRgn(dc, nullptr);
          } else {
            ::SelectObject(dc, FontFor(item.style));
            ::SetTextColor(dc, ColourOf(item.ink));
            constexpr int kReach = 2000;  // room for the text on the side that the anchor allows
            RECT box{item.anchor.x - kReach, item.anchor.y - 20, item.anchor.x + kReach,
                     item.anchor.y + 20};
            UINT format = DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_NOCLIP;
            if (item.align == trace::Align::kLeft) {
              box.left = item.anchor.x;
              format |= DT_LEFT;
            } else if (item.align == trace::Align::kRight) {
              box.right = item.anchor.x;
              format |= DT_RIGHT;
            } else {
              format |= DT_CENTER;
            }
            const std::wstring text = Widen(item.text);
            ::DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &box, format);
          }
        },
        step);
  }
  ::RestoreDC(dc, saved);
}

}  // namespace velbrix::win32
