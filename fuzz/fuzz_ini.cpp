// Feeds arbitrary settings files and a write into the settings file store.
//
// Input: three length bytes, then the section, the key and the value they measure, then the file content.
// After a successful write the store must read back the value written (less the blanks around it, which
// an entry line cannot hold), and the rewrite may change at most one line of the old file and add at most
// two: the entry and its section header.
#include <stdlib.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "config/IniFile.h"

namespace {

std::string ScratchFile() {
  // tmpfs where there is one: every write flushes the file to disk.
  const char* base = access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
  std::string pattern = std::string(base) + "/kivu-fuzz-ini-XXXXXX";
  std::vector<char> buffer(pattern.begin(), pattern.end());
  buffer.push_back('\0');
  if (!mkdtemp(buffer.data())) abort();
  return std::string(buffer.data()) + "/Kivu.ini";
}

// The scratch folder goes when the fuzzer ends normally.
struct Scratch {
  std::string path = ScratchFile();
  ~Scratch() {
    std::error_code ignored;
    std::filesystem::remove_all(std::filesystem::path(path).parent_path(), ignored);
  }
};

const std::string& Path() {
  static const Scratch scratch;
  return scratch.path;
}

void Store(const std::string& path, std::string_view content) {
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) abort();
  if (!content.empty() && std::fwrite(content.data(), 1, content.size(), f) != content.size()) abort();
  std::fclose(f);
}

std::string Load(const std::string& path) {
  std::string content;
  FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) abort();
  char chunk[4096];
  size_t n;
  while ((n = std::fread(chunk, 1, sizeof chunk, f)) > 0)
    content.append(chunk, n);
  std::fclose(f);
  return content;
}

std::string_view TrimBlanks(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t'))
    s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t'))
    s.remove_suffix(1);
  return s;
}

// Lines with their line ends; a last line without one is given CR LF, as a rewrite that adds a line
// after it must do.
std::vector<std::string> Lines(std::string_view content) {
  std::vector<std::string> lines;
  while (!content.empty()) {
    size_t lf = content.find('\n');
    size_t end = lf == std::string_view::npos ? content.size() : lf + 1;
    lines.emplace_back(content.substr(0, end));
    if (lf == std::string_view::npos) lines.back() += "\r\n";
    content.remove_prefix(end);
  }
  return lines;
}

void CheckRewrite(std::string_view before, std::string_view after, const std::string& header,
                  const std::string& entry) {
  std::vector<std::string> oldLines = Lines(before);
  std::vector<std::string> newLines = Lines(after);
  size_t shorter = std::min(oldLines.size(), newLines.size());
  size_t prefix = 0;
  while (prefix < shorter && oldLines[prefix] == newLines[prefix])
    ++prefix;
  size_t suffix = 0;
  while (prefix + suffix < shorter &&
         oldLines[oldLines.size() - 1 - suffix] == newLines[newLines.size() - 1 - suffix])
    ++suffix;
  size_t oldMiddle = oldLines.size() - prefix - suffix;
  size_t newMiddle = newLines.size() - prefix - suffix;
  if (oldMiddle > 1 || newMiddle < oldMiddle || newMiddle - oldMiddle > 2) abort();
  for (size_t i = prefix; i < prefix + newMiddle; ++i) {
    if (newLines[i] != entry && newLines[i] != header) abort();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view input(reinterpret_cast<const char*>(data), size);
  if (input.size() < 3) return 0;
  size_t sectionLength = static_cast<uint8_t>(input[0]) % 12;
  size_t keyLength = static_cast<uint8_t>(input[1]) % 12;
  size_t valueLength = static_cast<uint8_t>(input[2]) % 48;
  input.remove_prefix(3);
  auto take = [&input](size_t n) {
    std::string_view part = input.substr(0, n);
    input.remove_prefix(part.size());
    return part;
  };
  std::string_view section = take(sectionLength);
  std::string_view key = take(keyLength);
  std::string_view value = take(valueLength);
  std::string_view content = input;

  const std::string& path = Path();
  Store(path, content);
  (void)kivu::IniGetString(section, key, "default", path);
  (void)kivu::IniGetInt(section, key, 7, path);

  if (!kivu::IniWriteString(section, key, value, path)) {
    if (Load(path) != content) abort();  // a refused or failed write leaves the file as it was
    return 0;
  }
  const std::string sentinel("\x01no value", 9);
  if (kivu::IniGetString(section, key, sentinel, path) != TrimBlanks(value)) abort();
  (void)kivu::IniGetInt(section, key, 7, path);
  CheckRewrite(content, Load(path), "[" + std::string(section) + "]\r\n",
               std::string(key) + " = " + std::string(value) + "\r\n");
  return 0;
}
