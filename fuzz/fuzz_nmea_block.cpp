// Any bytes as one block for the parser: it must neither fault nor read past the terminating zero.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "gps/NmeaParser.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // Blocks are at most one read; longer inputs (whole captures as seeds) are parsed a read at a time.
  constexpr size_t kBlock = 1024;
  kivu::GpsFix fix{};
  for (size_t offset = 0; offset < size || offset == 0; offset += kBlock) {
    size_t count = size - offset < kBlock ? size - offset : kBlock;
    std::vector<char> block(data + offset, data + offset + count);
    block.push_back('\0');
    kivu::ParseNmeaBlock(fix, block.data());
    if (size == 0) break;
  }
  return 0;
}
