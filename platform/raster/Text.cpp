// Text on a surface: lines laid out in a rectangle, or one line at a point turned by the escapement.
#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "platform/raster/Surface.h"

namespace kivu {
namespace {

// Splits the text into the lines DrawText shows: at "\n" (a "\r" before it is dropped) unless
// DT_SINGLELINE, then, with DT_WORDBREAK (and not DT_SINGLELINE), at blanks so that each line fits the width
// where it can. A word wider than the rectangle keeps a line of its own and is clipped.
std::vector<std::string_view> LayoutLines(std::string_view text, unsigned flags, int64_t width,
                                          const Font& font) {
  std::vector<std::string_view> hard;
  if (flags & DT_SINGLELINE) {
    hard.push_back(text);
  } else {
    size_t start = 0;
    while (true) {
      const size_t end = text.find('\n', start);
      std::string_view line = text.substr(start, end == std::string_view::npos ? text.npos : end - start);
      if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
      hard.push_back(line);
      if (end == std::string_view::npos) break;
      start = end + 1;
    }
  }
  if (!(flags & DT_WORDBREAK) || (flags & DT_SINGLELINE)) return hard;

  auto trimEnd = [](std::string_view s) {
    while (!s.empty() && s.back() == ' ')
      s.remove_suffix(1);
    return s;
  };
  std::vector<std::string_view> lines;
  for (std::string_view line : hard) {
    size_t start = 0;
    do {
      std::string_view rest = line.substr(start);
      if (font.TextWidth(trimEnd(rest)) <= width) {
        lines.push_back(rest);
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
      lines.push_back(trimEnd(rest.substr(0, cut)));
      start += cut;
      while (start < line.size() && line[start] == ' ')
        ++start;
    } while (start < line.size());
  }
  return lines;
}

}  // namespace

Size Surface::MeasureText(std::string_view text) const {
  const auto& font = CurrentFont();
  if (!font) return Size{};
  return Size{font->TextWidth(text), font->LineHeight()};
}

// originX, originY: the top-left corner of the line's cell before the escapement turns it.
void Surface::DrawGlyphs(std::u32string_view text, int64_t originX, int64_t originY, const Rect& clip) {
  const auto& font = CurrentFont();
  if (!bitmap_ || !font || clip.IsEmpty()) return;
  const bool upright = font->EscapementSin() == 0 && font->EscapementCos() == 1;
  if (backgroundMode_ == BackgroundMode::Opaque && upright) {
    int64_t width = 0;
    for (char32_t c : text)
      width += font->GlyphFor(c).width;
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
  for (char32_t c : text) {
    const Glyph& glyph = font->GlyphFor(c);
    const int64_t gx = (penX + 32) >> 6;
    const int64_t gy = (penY + 32) >> 6;
    if (upright && gx - 64 > clip.right) break;  // the rest of the line lies beyond the clip
    for (const GlyphRun& run : glyph.runs) {
      const int64_t y = gy + run.y;
      if (y < clip.top || y >= clip.bottom) continue;
      FillSpan(y, std::max<int64_t>(gx + run.x, clip.left),
               std::min<int64_t>(gx + run.x + run.length, clip.right), pixel);
    }
    penX += glyph.advanceX;
    penY += glyph.advanceY;
  }
}

void Surface::DrawTextAt(Point origin, std::string_view text, const Rect& clip) {
  if (!bitmap_) return;
  DrawGlyphs(DecodeUtf8(text), origin.x, origin.y, clip.Intersected(bitmap_->Bounds()));
}

void Surface::DrawTextAt(Point origin, std::string_view text) {
  if (!bitmap_) return;
  DrawGlyphs(DecodeUtf8(text), origin.x, origin.y, bitmap_->Bounds());
}

int Surface::DrawText(std::string_view text, const Rect& rect, unsigned flags) {
  const auto& font = CurrentFont();
  if (!font || text.empty()) return 0;
  const std::vector<std::string_view> lines = LayoutLines(text, flags, rect.Width(), *font);
  const int64_t lineHeight = font->LineHeight();
  const int64_t blockHeight = lineHeight * int64_t(lines.size());
  int64_t top = rect.top;
  if (flags & DT_VCENTER) {
    top = rect.top + (rect.Height() - blockHeight) / 2;
  } else if (flags & DT_BOTTOM) {
    top = rect.bottom - blockHeight;
  }
  if (bitmap_) {
    const Rect clip = (flags & DT_NOCLIP) ? bitmap_->Bounds() : rect.Intersected(bitmap_->Bounds());
    for (size_t i = 0; i < lines.size(); ++i) {
      const std::u32string line = DecodeUtf8(lines[i]);
      int64_t width = 0;
      for (char32_t c : line)
        width += font->GlyphFor(c).width;
      int64_t left = rect.left;
      if (flags & DT_CENTER) {
        left = rect.left + (rect.Width() - width) / 2;
      } else if (flags & DT_RIGHT) {
        left = rect.right - width;
      }
      DrawGlyphs(line, left, top + lineHeight * int64_t(i), clip);
    }
  }
  return int(std::min<int64_t>(blockHeight, std::numeric_limits<int>::max()));
}

}  // namespace kivu
