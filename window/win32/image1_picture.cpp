// The EEG picture of Image1, drawn with GDI into a metafile in twips.
#include "window/win32/image1_picture.h"

#include <array>
#include <cmath>
#include <tuple>

#include "window/art/image1_trace.h"
#include "window/converter/frm_fle_layout.h"

namespace velbrix::win32 {
namespace {

int Round(double value) {
  return static_cast<int>(std::lround(value));
}

void DrawTrace(HDC dc, const art::Trace& trace) {
  std::array<POINT, std::tuple_size_v<decltype(trace.y)>> points{};
  for (std::size_t i = 0; i < points.size(); ++i) {
    points[i] = POINT{art::kTraceLeft + static_cast<int>(i) * art::kTraceStep, trace.y[i]};
  }
  LOGBRUSH brush{BS_SOLID, RGB(trace.colour.red, trace.colour.green, trace.colour.blue), 0};
  HPEN pen = ::ExtCreatePen(PS_GEOMETRIC | PS_SOLID | PS_ENDCAP_ROUND | PS_JOIN_ROUND,
                            art::kTracePenWidth, &brush, 0, nullptr);
  HGDIOBJ old = ::SelectObject(dc, pen);
  ::Polyline(dc, points.data(), static_cast<int>(points.size()));
  ::SelectObject(dc, old);
  ::DeleteObject(pen);
}

}  // namespace

Image1Picture::Image1Picture() {
  // The frame in hundredths of a millimetre.
  const RECT frame{0, 0, Round(art::kImage1Width * 2540.0 / layout::kTwipsPerInch),
                   Round(art::kImage1Height * 2540.0 / layout::kTwipsPerInch)};
  HDC dc = ::CreateEnhMetaFileW(nullptr, nullptr, &frame, L"Velbrix\0EEG traces\0");
  if (dc == nullptr) {
    return;
  }
  // Logical units are twips of the frame.
  ::SetMapMode(dc, MM_ANISOTROPIC);
  ::SetWindowExtEx(dc, art::kImage1Width, art::kImage1Height, nullptr);
  ::SetViewportExtEx(dc, layout::TwipsToPixels(art::kImage1Width, ::GetDeviceCaps(dc, LOGPIXELSX)),
                     layout::TwipsToPixels(art::kImage1Height, ::GetDeviceCaps(dc, LOGPIXELSY)),
                     nullptr);
  for (const art::Trace& trace : art::kImage1Traces) {
    DrawTrace(dc, trace);
  }
  metafile_ = ::CloseEnhMetaFile(dc);
}

Image1Picture::~Image1Picture() {
  if (metafile_ != nullptr) {
    ::DeleteEnhMetaFile(metafile_);
  }
}

void Image1Picture::Draw(HDC dc, int x, int y, int dpi_x, int dpi_y) const {
  if (metafile_ == nullptr) {
    return;
  }
  const RECT place{x, y, x + layout::TwipsToPixels(art::kImage1Width, dpi_x),
                   y + layout::TwipsToPixels(art::kImage1Height, dpi_y)};
  ::PlayEnhMetaFile(dc, metafile_, &place);
}

}  // namespace velbrix::win32
