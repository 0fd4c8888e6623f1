// The dashboard's texts checked by what they say: the expected text drawn alone, in the font, colour,
// rectangle and flags the dashboard uses, against the pixels of that colour in the painted rectangle.
// A changed format ("%d" for "%.3d") or letter ("90" for "E") changes those pixels.
#pragma once

#include <gtest/gtest.h>

#include <string_view>

#include "platform/raster/Surface.h"
#include "raster/Pictures.h"

namespace kivu::test {

// The pixels of r (within the bitmap) that have the colour, as '#' and '.' row by row.
inline std::string Ink(const Bitmap& bitmap, Rect r, Color colour) {
  r = r.Intersected(bitmap.Bounds());
  std::string ink;
  for (int y = r.top; y < r.bottom; ++y)
    for (int x = r.left; x < r.right; ++x)
      ink += bitmap.ColorAt(x, y) == colour ? '#' : '.';
  return ink;
}

// Whether the painted bitmap has the colour exactly where `draw` sets it on a bitmap of the same size
// in the font and colour, within `area`.
template <typename Draw>
::testing::AssertionResult ShowsDrawing(const Bitmap& painted, const Rect& area, Color colour,
                                        const FontRecord& font, Draw draw) {
  const Color background{uint8_t(colour.red ^ 0xFF), colour.green, colour.blue};
  Bitmap alone = MakeBitmap(painted.Width(), painted.Height(), background);
  {
    Surface s(alone);
    s.SelectFont(Font::Create(font));
    s.SetTextColor(colour);
    s.SetBackgroundMode(BackgroundMode::Transparent);
    draw(s);
  }
  const std::string expected = Ink(alone, area, colour);
  const std::string shown = Ink(painted, area, colour);
  int differing = 0;
  for (size_t i = 0; i < expected.size(); ++i)
    differing += expected[i] != shown[i];
  if (differing == 0) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << differing << " pixels differ";
}

// Whether the painted bitmap shows text in rect as text drawn alone there (DrawText) would, and the
// text sets some pixels.
inline ::testing::AssertionResult ShowsText(const Bitmap& painted, std::string_view text, const Rect& rect,
                                            unsigned flags, Color colour, const FontRecord& font) {
  bool inked = false;
  auto result = ShowsDrawing(painted, rect, colour, font, [&](Surface& s) {
    s.DrawText(text, rect, flags);
    inked = Ink(*s.SelectedBitmap(), rect, colour).find('#') != std::string::npos;
  });
  if (!inked) return ::testing::AssertionFailure() << '"' << text << "\" alone draws nothing";
  if (!result) result << " from \"" << text << '"';
  return result;
}

}  // namespace kivu::test
