#include "view/DashboardColours.h"

#include "view/Attitude.h"
#include "view/DashboardPaint.h"

namespace kivu {

namespace {

constexpr Color Grey(uint8_t level) {
  return Color{level, level, level};
}

DashboardColours DayColours() {
  DashboardColours c;
  c.palette = Palette::kDay;
  c.canvas = kCanvasColour;
  c.subPanel = kSubPanelColour;
  c.panel = kBlack;
  c.label = kWhite;
  c.symbol = kYellow;
  c.figure = kCyan;
  c.readout = kGreen;
  c.dimmedLabel = kDimmedLabelColour;
  c.dimmedReadout = kDimmedReadoutColour;
  c.sky = kSkyColour;
  c.ground = kGroundColour;
  c.light[0] = kLightColours[0];
  c.light[1] = kLightColours[1];
  c.flag = kGpsFlagColour;
  c.warning = Color{255, 0, 0};
  c.flagText = kWhite;
  c.frameShadow = kColor3DDarkShadow;
  c.frameLight = kColor3DLight;
  c.adText = kBlack;
  c.pictureGain = 256;
  return c;
}

// Dimmer all over, the areas more than the figures.
DashboardColours DuskColours() {
  DashboardColours c;
  c.palette = Palette::kDusk;
  c.canvas = Grey(110);
  c.subPanel = Color{34, 38, 34};
  c.panel = kBlack;
  c.label = Grey(215);
  c.symbol = Color{215, 215, 0};
  c.figure = Color{0, 215, 215};
  c.readout = Color{0, 215, 0};
  c.dimmedLabel = Grey(100);
  c.dimmedReadout = Color{0, 100, 0};
  c.sky = Color{0, 78, 77};
  c.ground = Color{78, 50, 1};
  c.light[0] = Color{0, 100, 0};
  c.light[1] = Color{0, 200, 0};
  c.flag = Color{170, 0, 0};
  c.warning = Color{230, 0, 0};
  c.flagText = Grey(215);
  c.frameShadow = Grey(40);
  c.frameLight = Grey(150);
  c.adText = kBlack;
  c.pictureGain = 200;
  return c;
}

// Dark areas, and figures no brighter than 160 of 255: enough to read at a glance in a dark car,
// not enough to dazzle.
DashboardColours NightColours() {
  DashboardColours c;
  c.palette = Palette::kNight;
  c.canvas = Grey(22);
  c.subPanel = Color{14, 16, 14};
  c.panel = kBlack;
  c.label = Grey(150);
  c.symbol = Color{150, 150, 0};
  c.figure = Color{0, 150, 150};
  c.readout = Color{0, 160, 0};
  c.dimmedLabel = Grey(85);
  c.dimmedReadout = Color{0, 80, 0};
  c.sky = Color{0, 30, 29};
  c.ground = Color{30, 19, 0};
  c.light[0] = Color{0, 60, 0};
  c.light[1] = Color{0, 140, 0};
  c.flag = Color{90, 0, 0};
  c.warning = Color{160, 0, 0};
  c.flagText = Grey(150);
  c.frameShadow = Grey(12);
  c.frameLight = Grey(50);
  c.adText = Grey(110);
  c.pictureGain = 140;
  return c;
}

// Night in reds alone, which leave the eyes' adaptation to the dark as it is.
DashboardColours RedNightColours() {
  DashboardColours c;
  c.palette = Palette::kRedNight;
  c.canvas = Color{26, 0, 0};
  c.subPanel = Color{14, 0, 0};
  c.panel = kBlack;
  c.label = Color{130, 0, 0};
  c.symbol = Color{160, 40, 0};
  c.figure = Color{160, 0, 0};
  c.readout = Color{160, 24, 0};
  c.dimmedLabel = Color{70, 0, 0};
  c.dimmedReadout = Color{80, 12, 0};
  c.sky = Color{44, 0, 6};
  c.ground = Color{22, 6, 0};
  c.light[0] = Color{60, 0, 0};
  c.light[1] = Color{140, 0, 0};
  c.flag = Color{150, 0, 0};
  c.warning = Color{160, 0, 0};
  c.flagText = kBlack;
  c.frameShadow = Color{8, 0, 0};
  c.frameLight = Color{50, 0, 0};
  c.adText = Color{100, 0, 0};
  c.pictureGain = 150;
  c.redOnly = true;
  return c;
}

// On a windscreen only what is lit shows: every area black, the figures as the palette has them.
DashboardColours HeadUp(DashboardColours c) {
  c.headUp = true;
  c.canvas = c.subPanel = c.panel = c.sky = c.ground = kBlack;
  c.frameShadow = c.frameLight = kBlack;
  c.adText = c.dimmedLabel;  // black words would vanish on the black strip
  return c;
}

struct AllColours {
  DashboardColours plain[4] = {DayColours(), DuskColours(), NightColours(), RedNightColours()};
  DashboardColours headUp[4] = {HeadUp(plain[0]), HeadUp(plain[1]), HeadUp(plain[2]), HeadUp(plain[3])};
};

}  // namespace

const DashboardColours& ColoursOf(Palette palette, bool headUp) {
  static const AllColours all;
  const auto index = static_cast<size_t>(palette);
  const size_t i = index < 4 ? index : 0;
  return headUp ? all.headUp[i] : all.plain[i];
}

void TintPixels(std::span<uint32_t> pixels, const DashboardColours& colours) {
  if (colours.pictureGain == 256 && !colours.redOnly) return;
  const uint32_t gain = static_cast<uint32_t>(colours.pictureGain);
  for (uint32_t& p : pixels) {
    const uint32_t spare = p & 0xFF000000u;
    const uint32_t r = (p >> 16) & 0xFF, g = (p >> 8) & 0xFF, b = p & 0xFF;
    if (colours.redOnly) {
      const uint32_t level = (r * 77 + g * 150 + b * 29) >> 8;
      p = spare | (level * gain >> 8) << 16;
    } else {
      p = spare | (r * gain >> 8) << 16 | (g * gain >> 8) << 8 | (b * gain >> 8);
    }
  }
}

}  // namespace kivu
