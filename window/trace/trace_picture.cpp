// The colours of the trace window's inks, the same in both windows.
#include "window/trace/trace_picture.h"

namespace velbrix::trace {

Rgb InkColour(Ink ink) {
  switch (ink) {
    case Ink::kBackground:
      return {255, 255, 255};
    case Ink::kBand:
      return {246, 248, 251};
    case Ink::kHighlightBand:
      return {255, 244, 200};
    case Ink::kGrid:
      return {222, 226, 232};
    case Ink::kAxis:
      return {120, 120, 120};
    case Ink::kTrace:
      return {20, 30, 70};
    case Ink::kHighlightTrace:
      return {170, 40, 0};
    case Ink::kLabel:
      return {40, 40, 40};
    case Ink::kHighlightLabel:
      return {170, 40, 0};
    case Ink::kText:
      return {30, 30, 30};
    case Ink::kFaintText:
      return {120, 120, 120};
    case Ink::kWarning:
      return {160, 90, 0};
    case Ink::kError:
      return {192, 0, 0};
    case Ink::kOverviewBack:
      return {240, 242, 245};
    case Ink::kOverviewPending:
      return {225, 225, 225};
    case Ink::kOverviewPage:
      return {255, 232, 170};
    case Ink::kEnvelope:
      return {60, 90, 150};
    case Ink::kPageFrame:
      return {200, 120, 0};
    case Ink::kMeasure:
      return {0, 130, 90};
    case Ink::kScale:
      return {0, 0, 0};
    case Ink::kDeltaBand:
      return {232, 238, 250};
    case Ink::kThetaBand:
      return {232, 246, 236};
    case Ink::kAlphaBand:
      return {252, 243, 224};
    case Ink::kBetaBand:
      return {246, 234, 246};
    case Ink::kEvent:
      return {110, 40, 160};
    case Ink::kSelectedEvent:
      return {220, 0, 120};
    case Ink::kEventSpan:
      return {238, 228, 248};
  }
  return {0, 0, 0};
}

}  // namespace velbrix::trace
