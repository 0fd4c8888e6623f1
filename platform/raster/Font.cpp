#include "platform/raster/Font.h"

#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H

#include <strings.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <list>
#include <mutex>
#include <unordered_map>

namespace kivu {
namespace {

// The default face: a plain sans-serif whose digits are narrow enough for three of them to fit the
// 20-pixel labels of the heading tape at the default size (Liberation Sans; where it is missing,
// fontconfig substitutes the system's sans-serif).
constexpr const char* kDefaultFamily = "Liberation Sans";
// Fonts kept alive between paints: a paint creates and releases its fonts each time, and looking a
// face up and rendering its glyphs again every second would be waste. The dashboard uses about eight
// faces and sizes for each window size, and a window may go through a few sizes (turned, resized,
// full screen and back).
constexpr size_t kFontCacheSize = 64;

// The one FreeType library of the process; faces keep it alive.
class FtLibrary {
 public:
  FtLibrary() {
    if (FT_Init_FreeType(&library_) != 0) library_ = nullptr;
  }
  ~FtLibrary() {
    if (library_) FT_Done_FreeType(library_);
  }
  FT_Library Get() const { return library_; }

 private:
  FT_Library library_ = nullptr;
};

std::shared_ptr<FtLibrary> Library() {
  static std::shared_ptr<FtLibrary> library = std::make_shared<FtLibrary>();
  return library;
}

std::mutex& FontMutex() {
  static std::mutex mutex;
  return mutex;
}

struct FaceFile {
  std::string path;
  int index = 0;
  std::string family;
};

// Asks fontconfig for the best face for a family, weight and slant.
bool MatchFace(const std::string& family, int weight, bool italic, FaceFile& out) {
  static const bool initialised = FcInit() == FcTrue;
  if (!initialised) return false;
  FcPattern* pattern = FcPatternCreate();
  if (!pattern) return false;
  FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(family.c_str()));
  // Weight 0 is "any weight": the regular one.
  FcPatternAddInteger(pattern, FC_WEIGHT, FcWeightFromOpenType(weight <= 0 ? 400 : std::min(weight, 1000)));
  FcPatternAddInteger(pattern, FC_SLANT, italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
  FcPatternAddBool(pattern, FC_SCALABLE, FcTrue);
  FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
  FcDefaultSubstitute(pattern);
  FcResult result = FcResultNoMatch;
  FcPattern* match = FcFontMatch(nullptr, pattern, &result);
  FcPatternDestroy(pattern);
  if (!match) return false;
  FcChar8* file = nullptr;
  FcChar8* matchedFamily = nullptr;
  int index = 0;
  bool ok = FcPatternGetString(match, FC_FILE, 0, &file) == FcResultMatch && file;
  if (ok) {
    out.path = reinterpret_cast<const char*>(file);
    out.index = FcPatternGetInteger(match, FC_INDEX, 0, &index) == FcResultMatch ? index : 0;
    out.family = FcPatternGetString(match, FC_FAMILY, 0, &matchedFamily) == FcResultMatch && matchedFamily
                     ? reinterpret_cast<const char*>(matchedFamily)
                     : "";
  }
  FcPatternDestroy(match);
  return ok;
}

// The face fontconfig gives for a family it does not know at all.
std::string UnknownFaceFile(int weight, bool italic) {
  FaceFile file;
  if (!MatchFace("kivu-no-such-face-family", weight, italic, file)) return "";
  return file.path;
}

// Exact sines and cosines for the right angles, so that 900 gives a clean quarter turn.
void EscapementDirection(int escapement, double& s, double& c) {
  const int tenths = ((escapement % 3600) + 3600) % 3600;
  switch (tenths) {
    case 0:
      s = 0, c = 1;
      return;
    case 900:
      s = 1, c = 0;
      return;
    case 1800:
      s = 0, c = -1;
      return;
    case 2700:
      s = -1, c = 0;
      return;
    default: {
      const double radians = tenths * M_PI / 1800.0;
      s = std::sin(radians);
      c = std::cos(radians);
    }
  }
}

// Fonts kept alive, most recently used first; only under the font lock.
std::list<std::shared_ptr<const Font>>& FontCache() {
  static std::list<std::shared_ptr<const Font>> cache;
  return cache;
}

// The cached font for a record, moved to the front; null when there is none.
std::shared_ptr<const Font> Cached(const FontRecord& record) {
  auto& cache = FontCache();
  for (auto it = cache.begin(); it != cache.end(); ++it) {
    if ((*it)->Record() == record) {
      cache.splice(cache.begin(), cache, it);
      return cache.front();
    }
  }
  return nullptr;
}

void Remember(std::shared_ptr<const Font> font) {
  auto& cache = FontCache();
  cache.push_front(std::move(font));
  if (cache.size() > kFontCacheSize) cache.pop_back();
}

// The face asked for, then the default face: never nothing while the machine has a font.
bool OpenFace(FT_Library library, const FontRecord& record, FT_Face& face, FaceFile& file) {
  std::string family = record.faceName.empty() ? kDefaultFamily : record.faceName;
  // fontconfig answers every name with some face; a face it does not know gets the system's generic
  // one, which need not be Kivu's default face. Such a name is taken as the default face.
  if (family != kDefaultFamily && MatchFace(family, record.weight, record.italic, file) &&
      strcasecmp(file.family.c_str(), family.c_str()) != 0 &&
      file.path == UnknownFaceFile(record.weight, record.italic)) {
    family = kDefaultFamily;
  }
  for (const std::string& candidate : {family, std::string(kDefaultFamily)}) {
    if (MatchFace(candidate, record.weight, record.italic, file) &&
        FT_New_Face(library, file.path.c_str(), file.index, &face) == 0) {
      return true;
    }
    face = nullptr;
  }
  return false;
}

// Sizes the face for a record's height: negative, the character height in pixels; positive, the
// largest size, in 64ths of a pixel, whose ascent plus descent fits the cell height; zero, the
// default. False when FreeType refuses the size.
bool SetSize(FT_Face face, int height) {
  if (height <= 0) {
    const int pixels = height == 0 ? kDefaultCharacterHeight : height < -4096 ? 4096 : -height;
    return FT_Set_Pixel_Sizes(face, 0, FT_UInt(pixels)) == 0;
  }
  auto cellHeight = [&] {
    return ((face->size->metrics.ascender + 63) >> 6) + ((-face->size->metrics.descender + 63) >> 6);
  };
  FT_F26Dot6 low = 64, high = FT_F26Dot6(std::min(height, 4096)) * 64;
  while (low < high) {
    const FT_F26Dot6 middle = (low + high + 1) / 2;
    if (FT_Set_Char_Size(face, 0, middle, 72, 72) != 0) return false;
    if (cellHeight() <= height) {
      low = middle;
    } else {
      high = middle - 1;
    }
  }
  return FT_Set_Char_Size(face, 0, low, 72, 72) == 0;
}

// Turns the face's glyphs to the escapement's direction. Anticlockwise on the screen is anticlockwise
// in FreeType's y-up space too.
void TurnFace(FT_Face face, double sin, double cos) {
  FT_Matrix matrix{FT_Fixed(std::lround(cos * 65536)), FT_Fixed(std::lround(-sin * 65536)),
                   FT_Fixed(std::lround(sin * 65536)), FT_Fixed(std::lround(cos * 65536))};
  FT_Set_Transform(face, &matrix, nullptr);
}

// The coverage of anti-aliased edges, stretched by half again about its middle: an edge pixel leans
// to the ink or to the ground, so that text reads crisp from a distance, while the half-covered
// contour, and with it each glyph's shape, stays where it was.
uint8_t Sharpened(uint8_t coverage) {
  const int quarters = 6 * coverage - 255;  // 4 * ((coverage - 127.5) * 1.5 + 127.5)
  return uint8_t(quarters <= 0 ? 0 : std::min((quarters + 2) / 4, 255));
}

// The set pixels of a one-bit rendering as solid runs.
void AddMonoRuns(const FT_Bitmap& bits, int left, int top, Glyph& glyph) {
  for (unsigned row = 0; row < bits.rows; ++row) {
    const unsigned char* line = bits.buffer + std::ptrdiff_t(row) * bits.pitch;
    unsigned col = 0;
    while (col < bits.width) {
      while (col < bits.width && !(line[col >> 3] & (0x80 >> (col & 7))))
        ++col;
      const unsigned start = col;
      while (col < bits.width && (line[col >> 3] & (0x80 >> (col & 7))))
        ++col;
      if (col > start) {
        glyph.runs.push_back(
            GlyphRun{int16_t(left + int(start)), int16_t(int(row) - top), int16_t(col - start)});
      }
    }
  }
}

// The covered pixels of a grey rendering: fully covered stretches as solid runs, the rest as runs with
// a coverage byte a pixel.
void AddGrayRuns(const FT_Bitmap& bits, int left, int top, Glyph& glyph) {
  for (unsigned row = 0; row < bits.rows; ++row) {
    const unsigned char* line = bits.buffer + std::ptrdiff_t(row) * bits.pitch;
    unsigned col = 0;
    while (col < bits.width) {
      const uint8_t first = Sharpened(line[col]);
      if (first == 0) {
        ++col;
        continue;
      }
      const bool solid = first == 255;
      const unsigned start = col;
      const size_t offset = glyph.coverage.size();
      for (; col < bits.width; ++col) {
        const uint8_t c = Sharpened(line[col]);
        if (c == 0 || (c == 255) != solid) break;
        if (!solid) glyph.coverage.push_back(c);
      }
      glyph.runs.push_back(GlyphRun{int16_t(left + int(start)), int16_t(int(row) - top), int16_t(col - start),
                                    solid ? kSolidRun : int32_t(offset)});
    }
  }
}

}  // namespace

struct Font::Impl {
  std::shared_ptr<FtLibrary> library;
  FT_Face face = nullptr;
  bool transformed = false;
  bool antialiased = false;
  mutable std::mutex mutex;
  mutable std::array<std::unique_ptr<Glyph>, 128> ascii;
  mutable std::unordered_map<char32_t, std::unique_ptr<Glyph>> others;

  ~Impl() {
    if (face) FT_Done_Face(face);
  }

  std::unique_ptr<Glyph> Render(char32_t c) const {
    auto glyph = std::make_unique<Glyph>();
    const FT_UInt index = FT_Get_Char_Index(face, c);
    // Grey glyphs take FreeType's own hinter in its normal mode, which snaps stems to whole pixels
    // across and along the base line; the faces' own instructions in grey leave upright stems
    // straddling two columns.
    const FT_Int32 load = antialiased ? FT_LOAD_TARGET_NORMAL | FT_LOAD_FORCE_AUTOHINT : FT_LOAD_TARGET_MONO;
    if (FT_Load_Glyph(face, index, load) != 0) return glyph;
    FT_GlyphSlot slot = face->glyph;
    if (FT_Render_Glyph(slot, antialiased ? FT_RENDER_MODE_NORMAL : FT_RENDER_MODE_MONO) != 0) return glyph;
    glyph->advanceX = slot->advance.x;
    glyph->advanceY = -int64_t{slot->advance.y};
    glyph->width = transformed
                       ? int(std::lround(std::hypot(double(slot->advance.x), double(slot->advance.y)) / 64))
                       : int((slot->advance.x + 32) >> 6);
    const FT_Bitmap& bits = slot->bitmap;
    if (bits.pixel_mode == FT_PIXEL_MODE_MONO && !antialiased) {
      AddMonoRuns(bits, slot->bitmap_left, slot->bitmap_top, *glyph);
    } else if (bits.pixel_mode == FT_PIXEL_MODE_GRAY && antialiased) {
      AddGrayRuns(bits, slot->bitmap_left, slot->bitmap_top, *glyph);
    }
    return glyph;
  }
};

FontRecord DefaultFontRecord() {
  FontRecord record;
  record.height = -kDefaultCharacterHeight;
  return record;
}

Font::Font(std::unique_ptr<Impl> impl, const FontRecord& record) : impl_(std::move(impl)), record_(record) {}
Font::~Font() = default;

std::shared_ptr<const Font> Font::Create(const FontRecord& record) {
  std::lock_guard lock(FontMutex());
  if (auto cached = Cached(record)) return cached;

  auto impl = std::make_unique<Impl>();
  impl->library = Library();
  impl->antialiased = record.antialiased;
  FaceFile file;
  if (!impl->library->Get() || !OpenFace(impl->library->Get(), record, impl->face, file) ||
      !SetSize(impl->face, record.height)) {
    return nullptr;
  }
  const FT_Size_Metrics& metrics = impl->face->size->metrics;
  std::shared_ptr<Font> font(new Font(std::move(impl), record));
  font->family_ = file.family;
  font->file_ = file.path;
  font->ascent_ = int((metrics.ascender + 63) >> 6);
  font->descent_ = int((-metrics.descender + 63) >> 6);
  EscapementDirection(record.escapement, font->sin_, font->cos_);
  if (font->sin_ != 0 || font->cos_ != 1) {
    TurnFace(font->impl_->face, font->sin_, font->cos_);
    font->impl_->transformed = true;
  }
  Remember(font);
  return font;
}

const Glyph& Font::GlyphFor(char32_t c) const {
  std::lock_guard lock(impl_->mutex);
  std::unique_ptr<Glyph>& slot = c < 128 ? impl_->ascii[c] : impl_->others[c];
  if (!slot) slot = impl_->Render(c);
  return *slot;
}

int Font::TextWidth(std::string_view text) const {
  int64_t width = 0;
  ForEachGlyph(text, [&](const Glyph& glyph) {
    width += glyph.width;
    return true;
  });
  return int(std::min<int64_t>(width, std::numeric_limits<int>::max()));
}

}  // namespace kivu
