#include "platform/raster/Utf8.h"

namespace kivu {

char32_t NextCodePoint(std::string_view text, size_t& i) noexcept {
  const unsigned char b = static_cast<unsigned char>(text[i]);
  int length = b < 0x80 ? 1 : (b >> 5) == 0x6 ? 2 : (b >> 4) == 0xE ? 3 : (b >> 3) == 0x1E ? 4 : 0;
  char32_t c = length == 1 ? b : length == 2 ? (b & 0x1F) : length == 3 ? (b & 0x0F) : (b & 0x07);
  bool valid = length > 0 && i + size_t(length) <= text.size();
  for (int k = 1; valid && k < length; ++k) {
    const unsigned char next = static_cast<unsigned char>(text[i + size_t(k)]);
    if ((next & 0xC0) != 0x80) valid = false;
    c = (c << 6) | (next & 0x3F);
  }
  // Overlong forms, surrogates and values beyond Unicode are not characters.
  static constexpr char32_t kMinimum[] = {0, 0, 0x80, 0x800, 0x10000};
  if (valid && (c < kMinimum[length] || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF))) valid = false;
  if (!valid) {
    ++i;
    return U'\uFFFD';
  }
  i += size_t(length);
  return c;
}

std::u32string DecodeUtf8(std::string_view text) {
  std::u32string out;
  out.reserve(text.size());
  ForEachCodePoint(text, [&](char32_t c) {
    out.push_back(c);
    return true;
  });
  return out;
}

}  // namespace kivu
