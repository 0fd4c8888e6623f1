// UTF-8 as Kivu's text is stored: decoded character by character, a byte that does not start a valid
// sequence taken as U+FFFD, so that any byte string has a defined reading.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace kivu {

// The character at byte i of text (i < its size); i moves past it, or past the one bad byte.
char32_t NextCodePoint(std::string_view text, size_t& i) noexcept;

// Hands each character of text to `character`, in order, until it returns false.
template <typename Character>
void ForEachCodePoint(std::string_view text, Character character) {
  for (size_t i = 0; i < text.size();)
    if (!character(NextCodePoint(text, i))) return;
}

// The whole text decoded.
std::u32string DecodeUtf8(std::string_view text);

}  // namespace kivu
