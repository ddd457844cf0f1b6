#include "window/trace/spectrum_canvas.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

namespace velbrix::trace {
namespace {

// A title as long as the spectrum window writes.
constexpr char kTitle[] =
    "All channels  \u00B7  records 1\u201312800  \u00B7  Welch, Hann windows of 2.000 s, half "
    "overlap  \u00B7  Bipolar longitudinal  \u00B7  high-pass 0.5 Hz  \u00B7  notch 50 Hz";

SpectrumInput Input(int width, int height, double rate) {
  SpectrumInput input;
  input.width = width;
  input.height = height;
  input.title = kTitle;
  input.rate = rate;
  for (double hz = 0; hz <= rate / 2; hz += rate / 512) {
    input.frequencies.push_back(hz);
  }
  // Densities over eight decades.
  for (int curve = 0; curve < 2; ++curve) {
    std::vector<double> density;
    for (const double hz : input.frequencies) {
      density.push_back(1e4 * std::pow(10.0, -8.0 * hz / (rate / 2)) + curve);
    }
    input.densities.push_back(density);
  }
  return input;
}

// `text` without its spaces and separating dots, which a line break may take.
std::string Letters(std::string text) {
  for (const std::string gap : {" ", "\u00B7"}) {
    for (std::size_t at = text.find(gap); at != std::string::npos; at = text.find(gap)) {
      text.erase(at, gap.size());
    }
  }
  return text;
}

bool Intersect(const Rect& a, const Rect& b) {
  return a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom;
}

std::vector<Text> TextsOf(const TracePicture& picture) {
  std::vector<Text> texts;
  for (const Step& step : picture.steps) {
    if (const auto* text = std::get_if<Text>(&step); text != nullptr) {
      texts.push_back(*text);
    }
  }
  return texts;
}

TEST(SpectrumCanvasTest, TextsNeitherOverlapNorLeaveTheCanvasAtAnySize) {
  for (const auto& [width, height] : {std::pair{820, 540}, std::pair{640, 480}, std::pair{420, 320},
                                      std::pair{320, 260}, std::pair{1600, 1000}}) {
    for (const double rate : {100.0, 256.0, 5000.0}) {
      const std::vector<Text> texts = TextsOf(ComposeSpectrum(Input(width, height, rate)));
      ASSERT_GT(texts.size(), 10u);
      for (std::size_t i = 0; i < texts.size(); ++i) {
        const Rect box = EstimatedTextBox(texts[i]);
        EXPECT_GE(box.left, 0) << texts[i].text << " at " << width << "x" << height;
        EXPECT_LE(box.right, width) << texts[i].text << " at " << width << "x" << height;
        for (std::size_t j = i + 1; j < texts.size(); ++j) {
          EXPECT_FALSE(Intersect(box, EstimatedTextBox(texts[j])))
              << "\"" << texts[i].text << "\" and \"" << texts[j].text << "\" at " << width << "x"
              << height << ", " << rate << " Hz";
        }
      }
    }
  }
}

TEST(SpectrumCanvasTest, ALongTitleTakesMoreLinesAndThePlotBeginsBelowThem) {
  const TracePicture wide = ComposeSpectrum(Input(1600, 1000, 256));
  const TracePicture narrow = ComposeSpectrum(Input(420, 320, 256));
  EXPECT_GT(narrow.traces.top, wide.traces.top);
  // Every text but the figures beside the plot lies above it, clear of the curves.
  for (const TracePicture* picture : {&wide, &narrow}) {
    for (const Text& text : TextsOf(*picture)) {
      const Rect box = EstimatedTextBox(text);
      EXPECT_TRUE(box.bottom <= picture->traces.top || box.right <= picture->traces.left ||
                  box.top >= picture->traces.bottom)
          << text.text;
    }
  }
  // Every word of the title is shown, in its order.
  std::string shown;
  for (const Text& text : TextsOf(narrow)) {
    if (text.style == TextStyle::kNormal) {  // the title's lines
      shown += (shown.empty() ? "" : " ") + text.text;
    }
  }
  EXPECT_EQ(Letters(shown), Letters(kTitle)) << shown;
}

}  // namespace
}  // namespace velbrix::trace
