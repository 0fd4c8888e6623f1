// Builds NMEA sentences for tests, with the checksum worked out here rather than by the parser.
#pragma once

#include <cstdio>
#include <string>

namespace kivu::test {

inline std::string Sentence(const std::string& body, const char* lineEnd = "\r\n") {
  unsigned sum = 0;
  for (unsigned char c : body)
    sum ^= c;
  char tail[8];
  std::snprintf(tail, sizeof tail, "*%02X", sum);
  return "$" + body + tail + lineEnd;
}

}  // namespace kivu::test
