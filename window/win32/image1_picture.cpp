// The EEG picture of Image1, drawn with GDI into a metafile in twips.
#include "window/win32/image1_picture.h"

#include <array>
#include <cmath>
#include <numbers>

#include "window/win32/frm_fle_layout.h"

namespace velbrix::win32 {
namespace {

constexpr int kStep = 20;  // twips between the points of a trace
constexpr int kFirstX = 20;
constexpr int kPoints = (kImage1PictureWidth - 2 * kFirstX) / kStep + 1;
constexpr int kPenWidth = 24;  // twips

int Round(double value) {
  return static_cast<int>(std::lround(value));
}

// A fast rhythm.
int TopTrace(int x) {
  const double phase = 2 * std::numbers::pi * x / 110.0;
  return Round(130 + 55 * std::sin(phase) + 15 * std::sin(3.1 * phase));
}

// A calm line with one spike and the wave after it.
int MiddleTrace(int x) {
  const double calm = 12 * std::sin(2 * std::numbers::pi * x / 70.0);
  const double spike = 0.8 * (x - 250) / 15.0;
  const double wave = (x - 300) / 45.0;
  return Round(360 + calm - 150 * std::exp(-spike * spike) + 70 * std::exp(-wave * wave));
}

// A slow wave.
int BottomTrace(int x) {
  return Round(575 + 75 * std::sin(2 * std::numbers::pi * (x - 60) / 420.0));
}

void DrawTrace(HDC dc, int (*trace)(int), COLORREF colour) {
  std::array<POINT, kPoints> points{};
  for (int i = 0; i < kPoints; ++i) {
    const int x = kFirstX + i * kStep;
    points[static_cast<std::size_t>(i)] = POINT{x, trace(x)};
  }
  LOGBRUSH brush{BS_SOLID, colour, 0};
  HPEN pen = ::ExtCreatePen(PS_GEOMETRIC | PS_SOLID | PS_ENDCAP_ROUND | PS_JOIN_ROUND, kPenWidth,
                            &brush, 0, nullptr);
  HGDIOBJ old = ::SelectObject(dc, pen);
  ::Polyline(dc, points.data(), kPoints);
  ::SelectObject(dc, old);
  ::DeleteObject(pen);
}

}  // namespace

Image1Picture::Image1Picture() {
  // The frame in hundredths of a millimetre.
  const RECT frame{0, 0, Round(kImage1PictureWidth * 2540.0 / kTwipsPerInch),
                   Round(kImage1PictureHeight * 2540.0 / kTwipsPerInch)};
  HDC dc = ::CreateEnhMetaFileW(nullptr, nullptr, &frame, L"Velbrix\0EEG traces\0");
  if (dc == nullptr) {
    return;
  }
  // Logical units are twips of the frame.
  ::SetMapMode(dc, MM_ANISOTROPIC);
  ::SetWindowExtEx(dc, kImage1PictureWidth, kImage1PictureHeight, nullptr);
  ::SetViewportExtEx(dc, TwipsToPixels(kImage1PictureWidth, ::GetDeviceCaps(dc, LOGPIXELSX)),
                     TwipsToPixels(kImage1PictureHeight, ::GetDeviceCaps(dc, LOGPIXELSY)), nullptr);
  DrawTrace(dc, TopTrace, RGB(0, 0, 192));
  DrawTrace(dc, MiddleTrace, RGB(128, 0, 0));
  DrawTrace(dc, BottomTrace, RGB(0, 128, 0));
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
  const RECT place{x, y, x + TwipsToPixels(kImage1PictureWidth, dpi_x),
                   y + TwipsToPixels(kImage1PictureHeight, dpi_y)};
  ::PlayEnhMetaFile(dc, metafile_, &place);
}

}  // namespace velbrix::win32
