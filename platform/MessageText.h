// Text of outside origin (arguments, file names) made fit for a one-line message.
#pragma once

#include <string>
#include <string_view>

namespace kivu {

// The text in single quotes, with control characters shown as \xNN so the message stays one line.
std::string QuoteForMessage(std::string_view text);

}  // namespace kivu
