// Fonts for Kivu's drawing: a font record as the dashboard describes it, looked up with fontconfig and
// rendered by FreeType, one bit per pixel or with anti-aliased edges, with a glyph cache per font.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/raster/Utf8.h"

namespace kivu {

struct FontRecord {
  // Negative: the character height (em size) in pixels; positive: the cell height (ascent plus
  // descent) in pixels; zero: the default size.
  int height = 0;
  // Direction of the text's base line, tenths of a degree anticlockwise from the x axis (900 reads upwards).
  int escapement = 0;
  // 400 normal, 700 bold (CSS and OpenType weights); 0 or less means normal.
  int weight = 400;
  bool italic = false;
  // A family name ("Courier New"); empty for the default face.
  std::string faceName;
  // Grey edges blended into what lies below, with stems kept on whole pixels; otherwise every text
  // pixel is exactly the text colour.
  bool antialiased = false;

  friend bool operator==(const FontRecord&, const FontRecord&) = default;
};

// The character height of the default font: its digits fit the 12-pixel label bands of the tapes, and
// three of them the 20-pixel labels of the heading tape.
constexpr int kDefaultCharacterHeight = 11;

// The record of a surface's default font: the plain sans-serif face at the default character height.
FontRecord DefaultFontRecord();

// The coverage of a run whose every pixel is fully covered: drawn in the text colour as it is.
constexpr int32_t kSolidRun = -1;

// One glyph as horizontal runs of covered pixels, relative to the pen position on the base line
// (x to the right, y downwards).
struct GlyphRun {
  int16_t x;
  int16_t y;
  int16_t length;
  // Where the run's coverage starts in its glyph's coverage, one byte a pixel (255 full), or
  // kSolidRun.
  int32_t coverage = kSolidRun;
};

struct Glyph {
  std::vector<GlyphRun> runs;
  // The coverage of the runs that are not solid; empty for one-bit glyphs.
  std::vector<uint8_t> coverage;
  // Pen movement after the glyph, 26.6 fixed point, screen directions (y downwards).
  int64_t advanceX = 0;
  int64_t advanceY = 0;
  // The advance along the base line in whole pixels, whatever the escapement: what layout measures.
  int width = 0;
};

class Font {
 public:
  // The font for a record. A face that fontconfig cannot find falls back to the default face; the
  // result is null only when the machine has no usable font at all. Fonts are shared: equal records
  // give the same font object while it is cached.
  static std::shared_ptr<const Font> Create(const FontRecord& record);
  static std::shared_ptr<const Font> Default() { return Create(DefaultFontRecord()); }

  ~Font();
  Font(const Font&) = delete;
  Font& operator=(const Font&) = delete;

  const FontRecord& Record() const noexcept { return record_; }
  // The family and file of the face in use, as fontconfig resolved them.
  const std::string& FamilyName() const noexcept { return family_; }
  const std::string& FilePath() const noexcept { return file_; }

  // Pixels above and below the base line; their sum is the height of a line of text.
  int Ascent() const noexcept { return ascent_; }
  int Descent() const noexcept { return descent_; }
  int LineHeight() const noexcept { return ascent_ + descent_; }
  // The escapement in radians' terms: sine and cosine of the base line's direction.
  double EscapementSin() const noexcept { return sin_; }
  double EscapementCos() const noexcept { return cos_; }

  // The width in pixels of a line of UTF-8 text along its base line.
  int TextWidth(std::string_view text) const;

  // The glyph of a character, rendered on first use and kept; it takes the font's lock itself, so
  // two threads may ask one font.
  const Glyph& GlyphFor(char32_t c) const;

  // Hands the glyph of each character of a line of UTF-8 text to `glyph`, in order, until it returns
  // false.
  template <typename Each>
  void ForEachGlyph(std::string_view text, Each glyph) const {
    ForEachCodePoint(text, [&](char32_t c) { return glyph(GlyphFor(c)); });
  }

  struct Impl;

 private:
  explicit Font(std::unique_ptr<Impl> impl, const FontRecord& record);

  std::unique_ptr<Impl> impl_;
  FontRecord record_;
  std::string family_;
  std::string file_;
  int ascent_ = 0;
  int descent_ = 0;
  double sin_ = 0;
  double cos_ = 1;
};

}  // namespace kivu
