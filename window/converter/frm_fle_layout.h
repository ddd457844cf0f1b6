// Where FrmFle's controls are and how they look: positions and sizes in twips, fonts, text colours
// and the fixed texts. Data only, free of any toolkit type: the Qt and the Win32 window both take
// their layout from here.
//
// A control's Left and Top are measured from its container's top-left corner: the window's client
// area (below the menu bar) for controls on the window, the frame's outer top-left corner for those
// inside FraCh. 1440 twips make an inch, so 15 twips make a pixel at 96 dpi.
#ifndef VELBRIX_WINDOW_CONVERTER_FRM_FLE_LAYOUT_H_
#define VELBRIX_WINDOW_CONVERTER_FRM_FLE_LAYOUT_H_

#include <optional>
#include <span>
#include <string_view>

#include "velbrix_version.h"

namespace velbrix::layout {

inline constexpr int kTwipsPerInch = 1440;

struct TwipsRect {
  int left;
  int top;
  int width;
  int height;
};

struct Rgb {
  int red;
  int green;
  int blue;
};

struct Font {
  const char* face;
  double points;
  bool bold;
  bool italic = false;
  bool underline = false;
};

struct Control {
  TwipsRect rect;
  std::optional<Font> font;             // none: the control shows no text
  std::optional<Rgb> text_colour;       // none: the toolkit's standard colour
  std::optional<Rgb> back_colour = {};  // none: the toolkit's standard colour
};

inline constexpr char kCaption[] = "Velbrix";
inline constexpr int kClientWidth = 5790;   // twips
inline constexpr int kClientHeight = 6915;  // twips

inline constexpr char kGaramond[] = "Garamond";
inline constexpr char kBookAntiqua[] = "Book Antiqua";

// The faces that stand in for a face of the layout where it is not installed, in order of
// preference, for both windows; where none is, the toolkit picks a serif face. "EB Garamond 12"
// is EB Garamond under the family name of its older releases.
struct StandIns {
  const char* face;
  const char* names[2];
};
inline constexpr StandIns kStandIns[] = {
    {kGaramond, {"EB Garamond", "EB Garamond 12"}},
    {kBookAntiqua, {"Palatino Linotype", "TeX Gyre Pagella"}},
};

// The stand-ins for `face`; none for a face that kStandIns does not name.
constexpr std::span<const char* const> StandInsFor(std::string_view face) {
  for (const StandIns& entry : kStandIns) {
    if (face == entry.face) {
      return entry.names;
    }
  }
  return {};
}

inline constexpr Rgb kPurple{128, 0, 128};
inline constexpr Rgb kDarkBlue{0, 0, 192};
inline constexpr Rgb kMaroon{128, 0, 0};
inline constexpr Rgb kGreen{0, 128, 0};
inline constexpr Rgb kRed{192, 0, 0};
inline constexpr Rgb kWhite{255, 255, 255};

// On the window, beneath FraCh.
inline constexpr Control kLblFile{{600, 375, 4305, 495}, Font{kBookAntiqua, 11.25, true}, kPurple};
inline constexpr Control kImage1{{5085, 90, 600, 705}, std::nullopt, std::nullopt};
inline constexpr Control kLabel1{
    {300, 2205, 5010, 1590}, Font{kBookAntiqua, 27.75, false, true, true}, kGreen};
// Starts left of the client area and reaches beyond its right and bottom edges: it is clipped.
inline constexpr Control kLabel15{
    {-315, 6690, 7245, 300}, Font{kBookAntiqua, 8.25, true}, kRed, kWhite};

// The frame, on the window.
inline constexpr Control kFraCh{{255, 1005, 5130, 5385}, Font{kGaramond, 12, true}, kDarkBlue};

// On the window beneath FraCh, below Label1 and as wide: the progress of a run, shown only while a
// run converts. FraCh covers it, so the window looks as it always did whenever the frame shows.
inline constexpr Control kProgress{{300, 3915, 5010, 285}, std::nullopt, std::nullopt};
static_assert(kProgress.rect.top >= kLabel1.rect.top + kLabel1.rect.height &&
              kProgress.rect.left >= kFraCh.rect.left &&
              kProgress.rect.left + kProgress.rect.width <= kFraCh.rect.left + kFraCh.rect.width &&
              kProgress.rect.top + kProgress.rect.height <= kFraCh.rect.top + kFraCh.rect.height);

// Inside FraCh.
inline constexpr Control kOptch0{{1065, 570, 1500, 375}, Font{kGaramond, 12, true}, kMaroon};
inline constexpr Control kOptch1{{3105, 570, 1500, 375}, Font{kGaramond, 12, true}, kMaroon};
inline constexpr Control kLstCh{
    {690, 1455, 3735, 2895}, Font{kBookAntiqua, 12, true}, std::nullopt};
inline constexpr Control kCmdOk{
    {1080, 4620, 1110, 315}, Font{kBookAntiqua, 9.75, true}, std::nullopt};
inline constexpr Control kCmdCancel{
    {2730, 4620, 1110, 315}, Font{kBookAntiqua, 9.75, true}, std::nullopt};

// Texts at start.
inline constexpr char kFraChCaption[] = "Channel Selection";
inline constexpr char kOptch0Caption[] = "Selection";
inline constexpr char kOptch1Caption[] = "All";
inline constexpr char kCmdOkCaption[] = "OK";
inline constexpr char kCmdCancelCaption[] = "Cancel";
inline constexpr char kMnuFileCaption[] = "&File";
inline constexpr char kMnuOpenCaption[] = "&Open";
// The File menu's further items, after Open and a separator, in this order.
inline constexpr char kMnuExportCaption[] = "&Export...";
inline constexpr char kMnuTracesCaption[] = "View &Traces";
inline constexpr char kMnuFolderCaption[] = "Open Output &Folder";
inline constexpr char kMakerNotice[] =
    "Velbrix " VELBRIX_VERSION " \u00b7 made by the Velbrix developers";

// `twips` in pixels at `dpi` pixels per inch, rounded to the nearest pixel (half away from zero),
// so that negative places map like positive ones.
constexpr int TwipsToPixels(int twips, int dpi) {
  const long long scaled = static_cast<long long>(twips) * dpi;
  const long long half = kTwipsPerInch / 2;
  return static_cast<int>(scaled >= 0 ? (scaled + half) / kTwipsPerInch
                                      : -((-scaled + half) / kTwipsPerInch));
}

static_assert(TwipsToPixels(5790, 96) == 386 && TwipsToPixels(-315, 96) == -21);

}  // namespace velbrix::layout

#endif  // VELBRIX_WINDOW_CONVERTER_FRM_FLE_LAYOUT_H_
