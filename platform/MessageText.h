// Text of outside origin (arguments, file names, what a peer sends) made fit for a one-line message.
#pragma once

#include <string>
#include <string_view>

namespace kivu {

// The text with every byte a terminal could take as a command shown as \xNN, so that the message stays
// one line and cannot retitle or clear the terminal it is read in: control characters (below 0x20,
// 0x7f), the C1 controls (U+0080 to U+009F) and every byte that is not part of well-formed UTF-8.
// Well-formed text passes unchanged, and escaped text escapes to itself.
std::string EscapeForMessage(std::string_view text);

// The text in single quotes, escaped as above.
std::string QuoteForMessage(std::string_view text);

}  // namespace kivu
