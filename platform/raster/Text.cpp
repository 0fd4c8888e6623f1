// Text on a surface: lines laid out in a rectangle, or one line at a point turned by the escapement.
#include <algorithm>
#include <cmath>
#include <limits>
#include <string_view>

#include "platform/raster/Surface.h"

namespace kivu {
namespace {

// Hands each line DrawText shows to `line`, in order: the text cut at "\n" (a "\r" before it is dropped)
// unless DT_SINGLELINE, then, with DT_WORDBREAK (and not DT_SINGLELINE), at blanks so that each line fits
// the width where it can. A word wider than the rectangle keeps a line of its own and is clipped. Nothing
// is allocated: DrawText walks the lines twice, to count them and to draw them.
template <typename Line>
void ForEachLine(std::string_view text, unsigned flags, int64_t width, const Font& font, Line line) {
  auto wrap = [&](std::string_view hard) {
    if (!(flags & DT_WORDBREAK) || (flags & DT_SINGLELINE)) return line(hard);
    auto trimEnd = [](std::string_view s) {
      while (!s.empty() && s.back() == ' ')
        s.remove_suffix(1);
      return s;
    };
    size_t start = 0;
    do {
      std::string_view rest = hard.substr(start);
      if (font.TextWidth(trimEnd(rest)) <= width) {
        line(rest);
        break;
      }
      // The longest run of whole words that fits; at least the first word.
      size_t cut = std::string_view::npos;
      for (size_t blank = rest.find(' ', 1); blank != std::string_view::npos;
           blank = rest.find(' ', blank + 1)) {
        if (rest[blank - 1] == ' ') continue;
        if (font.TextWidth(rest.substr(0, blank)) > width) break;
        cut = blank;
      }
      if (cut == std::string_view::npos) cut = std::min(rest.find(' ', 1), rest.size());
      line(trimEnd(rest.substr(0, cut)));
      start += cut;
      while (start < hard.size() && hard[start] == ' ')
        ++start;
    } while (start < hard.size());
  };
  if (flags & DT_SINGLELINE) return wrap(text);
  size_t start = 0;
  while (true) {
    const size_t end = text.find('\n', start);
    std::string_view hard = text.substr(start, end == std::string_view::npos ? text.npos : end - start);
    if (!hard.empty() && hard.back() == '\r') hard.remove_suffix(1);
    wrap(hard);
    if (end == std::string_view::npos) break;
    start = end + 1;
  }
}

// The text colour over a pixel by a coverage of 255ths, each channel rounded to the nearest.
inline uint32_t Blend(uint32_t ground, uint32_t ink, uint32_t coverage) {
  const uint32_t rest = 255 - coverage;
  auto channel = [&](int shift) {
    return (((ground >> shift) & 0xFF) * rest + ((ink >> shift) & 0xFF) * coverage + 127) / 255 << shift;
  };
  return channel(0) | channel(8) | channel(16);
}

}  // namespace

Size Surface::MeasureText(std::string_view text) const {
  const auto& font = CurrentFont();
  if (!font) return Size{};
  return Size{font->TextWidth(text), font->LineHeight()};
}

// originX, originY: the top-left corner of the line's cell before the escapement turns it.
void Surface::DrawGlyphs(std::string_view text, int64_t originX, int64_t originY, const Rect& clip) {
  const auto& font = CurrentFont();
  if (!bitmap_ || !font || clip.IsEmpty()) return;
  const bool upright = font->EscapementSin() == 0 && font->EscapementCos() == 1;
  if (backgroundMode_ == BackgroundMode::Opaque && upright) {
    const int64_t width = font->TextWidth(text);
    const int64_t top = std::max<int64_t>(originY, clip.top);
    const int64_t bottom = std::min<int64_t>(originY + font->LineHeight(), clip.bottom);
    for (int64_t y = top; y < bottom; ++y) {
      FillSpan(y, std::max<int64_t>(originX, clip.left), std::min<int64_t>(originX + width, clip.right),
               backgroundColor_.ToPixel());
    }
  }
  // The base line starts one ascent below the origin, in the turned frame; pen positions are 26.6.
  int64_t penX = originX * 64 + std::llround(font->Ascent() * font->EscapementSin() * 64);
  int64_t penY = originY * 64 + std::llround(font->Ascent() * font->EscapementCos() * 64);
  const uint32_t pixel = textColor_.ToPixel();
  font->ForEachGlyph(text, [&](const Glyph& glyph) {
    const int64_t gx = (penX + 32) >> 6;
    const int64_t gy = (penY + 32) >> 6;
    if (upright && gx - 64 > clip.right) return false;  // the rest of the line lies beyond the clip
    for (const GlyphRun& run : glyph.runs) {
      const int64_t y = gy + run.y;
      if (y < clip.top || y >= clip.bottom) continue;
      const int64_t x0 = gx + run.x;
      const int64_t from = std::max<int64_t>(x0, clip.left);
      const int64_t to = std::min<int64_t>(x0 + run.length, clip.right);
      if (from >= to) continue;
      if (run.coverage == kSolidRun) {
        FillSpan(y, from, to, pixel);
        continue;
      }
      // The clip lies inside the bitmap, so the row and [from, to) are the bitmap's own.
      uint32_t* row = bitmap_->Row(int(y));
      const uint8_t* coverage = glyph.coverage.data() + run.coverage + (from - x0);
      for (int64_t x = from; x < to; ++x)
        row[x] = Blend(row[x], pixel, *coverage++);
    }
    penX += glyph.advanceX;
    penY += glyph.advanceY;
    return true;
  });
}

void Surface::DrawTextAt(Point origin, std::string_view text, const Rect& clip) {
  if (!bitmap_) return;
  DrawGlyphs(text, origin.x, origin.y, clip.Intersected(bitmap_->Bounds()));
}

void Surface::DrawTextAt(Point origin, std::string_view text) {
  if (!bitmap_) return;
  DrawGlyphs(text, origin.x, origin.y, bitmap_->Bounds());
}

int Surface::DrawText(std::string_view text, const Rect& rect, unsigned flags) {
  const auto& font = CurrentFont();
  if (!font || text.empty()) return 0;
  int64_t lines = 0;
  ForEachLine(text, flags, rect.Width(), *font, [&](std::string_view) { ++lines; });
  const int64_t lineHeight = font->LineHeight();
  const int64_t blockHeight = lineHeight * lines;
  int64_t top = rect.top;
  if (flags & DT_VCENTER) {
    top = rect.top + (rect.Height() - blockHeight) / 2;
  } else if (flags & DT_BOTTOM) {
    top = rect.bottom - blockHeight;
  }
  if (bitmap_) {
    const Rect clip = (flags & DT_NOCLIP) ? bitmap_->Bounds() : rect.Intersected(bitmap_->Bounds());
    ForEachLine(text, flags, rect.Width(), *font, [&](std::string_view line) {
      const int64_t width = font->TextWidth(line);
      int64_t left = rect.left;
      if (flags & DT_CENTER) {
        left = rect.left + (rect.Width() - width) / 2;
      } else if (flags & DT_RIGHT) {
        left = rect.right - width;
      }
      DrawGlyphs(line, left, top, clip);
      top += lineHeight;
    });
  }
  return int(std::min<int64_t>(blockHeight, std::numeric_limits<int>::max()));
}

}  // namespace kivu
