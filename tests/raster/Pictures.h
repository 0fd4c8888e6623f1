// Bitmaps as rows of characters, so that a test can spell out every pixel it expects.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "platform/raster/Bitmap.h"

namespace kivu::test {

inline Bitmap MakeBitmap(int width, int height, Color fill = Color{}) {
  std::optional<Bitmap> bitmap = Bitmap::Create(width, height);
  if (!bitmap) throw std::runtime_error("no bitmap");
  bitmap->Fill(fill.ToPixel());
  return std::move(*bitmap);
}

// One string per row; each pixel becomes the character of its colour in the legend, '?' when absent.
inline std::vector<std::string> Picture(const Bitmap& bitmap, const std::map<char, Color>& legend) {
  std::vector<std::string> rows;
  for (int y = 0; y < bitmap.Height(); ++y) {
    std::string row;
    for (int x = 0; x < bitmap.Width(); ++x) {
      char c = '?';
      for (const auto& [name, color] : legend) {
        if (bitmap.PixelAt(x, y) == color.ToPixel()) c = name;
      }
      row += c;
    }
    rows.push_back(row);
  }
  return rows;
}

}  // namespace kivu::test
