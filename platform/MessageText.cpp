#include "platform/MessageText.h"

namespace kivu {

std::string QuoteForMessage(std::string_view text) {
  static const char kHex[] = "0123456789abcdef";
  std::string out = "'";
  for (unsigned char c : text) {
    if (c < 0x20 || c == 0x7f) {
      out += "\\x";
      out += kHex[c >> 4];
      out += kHex[c & 15];
    } else {
      out += static_cast<char>(c);
    }
  }
  return out + "'";
}

}  // namespace kivu
