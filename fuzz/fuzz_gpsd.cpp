// Any bytes as what a gpsd sends, in chunks the input chooses, and as the texts that name a gpsd or a
// GPS source (the command line, KIVU_GPSD, the GPS_SOURCE setting). The stream must hand on exactly
// the bytes of the lines that are not gpsd's reports, however they are cut, and a setting that reads
// must write back to a setting that reads the same. The same bytes as words of gpsd's in a message must
// come out without a byte a terminal takes as a command, and escape to themselves again.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "gps/GpsdSource.h"
#include "platform/MessageText.h"

namespace {

// The bytes of every line that does not begin with '{'.
std::string NmeaLines(std::string_view text) {
  std::string kept;
  size_t start = 0;
  while (start < text.size()) {
    size_t lf = text.find('\n', start);
    size_t end = lf == std::string_view::npos ? text.size() : lf + 1;
    if (text[start] != '{') kept.append(text.substr(start, end - start));
    start = end;
  }
  return kept;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const size_t step = data[0] % 64 + 1;
  const std::string_view text(reinterpret_cast<const char*>(data) + 1, size - 1);

  std::string passed;
  size_t reports = 0;
  kivu::GpsdStream stream([&](const char* bytes, size_t count) { passed.append(bytes, count); },
                          [&](const kivu::GpsdReport& report) { reports += report.kind.size() > 0; });
  for (size_t i = 0; i < text.size(); i += step)
    stream.Feed(text.data() + i, std::min(step, text.size() - i));
  if (passed != NmeaLines(text)) std::abort();

  const std::string escaped = kivu::EscapeForMessage(text);
  for (unsigned char c : escaped)
    if (c < 0x20 || c == 0x7f) std::abort();
  if (kivu::EscapeForMessage(escaped) != escaped) std::abort();

  kivu::GpsdAddress address;
  if (kivu::ParseGpsdAddress(text, address)) {
    kivu::GpsdAddress again;
    if (!kivu::ParseGpsdAddress(kivu::GpsdAddressText(address), again) || !(again == address)) std::abort();
  }
  kivu::GpsSource source;
  if (kivu::ParseGpsSourceSetting(text, source)) {
    kivu::GpsSource again;
    if (!kivu::ParseGpsSourceSetting(kivu::GpsSourceSetting(source), again) || !(again == source))
      std::abort();
  }
  return 0;
}
