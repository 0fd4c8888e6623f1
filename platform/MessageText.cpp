#include "platform/MessageText.h"

#include <cstddef>

namespace kivu {

namespace {

// The length of the well-formed UTF-8 sequence at text[i] that is no control, or 0.
size_t PrintableSequence(std::string_view text, size_t i) {
  const auto byte = [&](size_t k) { return static_cast<unsigned char>(text[k]); };
  const unsigned char lead = byte(i);
  if (lead >= 0x20 && lead < 0x7f) return 1;
  size_t length;
  // The range of the second byte, which excludes overlong forms, surrogates and code points past
  // U+10FFFF (as in the Unicode standard's table of well-formed sequences).
  unsigned char low = 0x80, high = 0xbf;
  if (lead >= 0xc2 && lead <= 0xdf) {
    length = 2;
    if (lead == 0xc2) low = 0xa0;  // U+0080 to U+009F are the C1 controls
  } else if (lead >= 0xe0 && lead <= 0xef) {
    length = 3;
    if (lead == 0xe0) low = 0xa0;
    if (lead == 0xed) high = 0x9f;
  } else if (lead >= 0xf0 && lead <= 0xf4) {
    length = 4;
    if (lead == 0xf0) low = 0x90;
    if (lead == 0xf4) high = 0x8f;
  } else {
    return 0;
  }
  if (text.size() - i < length || byte(i + 1) < low || byte(i + 1) > high) return 0;
  for (size_t k = 2; k < length; ++k)
    if (byte(i + k) < 0x80 || byte(i + k) > 0xbf) return 0;
  return length;
}

}  // namespace

std::string EscapeForMessage(std::string_view text) {
  static const char kHex[] = "0123456789abcdef";
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size();) {
    if (const size_t length = PrintableSequence(text, i)) {
      out.append(text.substr(i, length));
      i += length;
      continue;
    }
    const auto c = static_cast<unsigned char>(text[i++]);
    out += "\\x";
    out += kHex[c >> 4];
    out += kHex[c & 15];
  }
  return out;
}

std::string QuoteForMessage(std::string_view text) {
  // Built by appending: GCC 12 at -O3 warns falsely (-Wrestrict) on "'" + a returned string.
  std::string quoted = "'";
  quoted += EscapeForMessage(text);
  quoted += '\'';
  return quoted;
}

}  // namespace kivu
