// Fuzz input as a command line: arguments separated by zero bytes, as in a process's argument block.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace kivu::fuzz {

inline std::vector<std::string> SplitArguments(const uint8_t* data, size_t size) {
  std::vector<std::string> args(1);
  for (size_t i = 0; i < size; ++i) {
    if (data[i] == 0) {
      args.emplace_back();
    } else {
      args.back() += static_cast<char>(data[i]);
    }
  }
  return args;
}

}  // namespace kivu::fuzz
