#include "config/IniFile.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <initializer_list>
#include <new>
#include <string>
#include <utility>

#include "platform/AtomicFile.h"
#include "platform/Diagnostics.h"
#include "platform/WholeFile.h"

namespace kivu {

namespace {

// A settings file is a few hundred bytes. Of one that has grown far beyond that (junk appended by a
// broken tool, a file put in its place) only the start is read, and it is never rewritten: a save would
// throw its rest away.
constexpr std::size_t kMaxIniFileSize = 1u << 20;

struct IniLine {
  std::size_t offset;      // where the line starts in the file
  std::string_view bytes;  // the whole line with its line end
  std::string_view text;   // the line without its line end
};

bool IsBlank(char c) {
  return c == ' ' || c == '\t';
}

std::string_view SkipBlanks(std::string_view s) {
  std::size_t i = 0;
  while (i < s.size() && IsBlank(s[i]))
    ++i;
  return s.substr(i);
}

std::string_view TrimTrailingBlanks(std::string_view s) {
  std::size_t n = s.size();
  while (n > 0 && IsBlank(s[n - 1]))
    --n;
  return s.substr(0, n);
}

// Hands each line of buffer to visit in turn, until visit returns false. Nothing is allocated, so a
// look-up is one pass over the file whatever its lines are like.
template <typename Visit>
void ForEachLine(std::string_view buffer, Visit&& visit) {
  std::size_t start = 0;
  while (start < buffer.size()) {
    std::size_t lf = buffer.find('\n', start);
    std::size_t end = lf == std::string_view::npos ? buffer.size() : lf + 1;
    std::size_t textEnd = lf == std::string_view::npos ? end : lf;
    if (lf != std::string_view::npos && textEnd > start && buffer[textEnd - 1] == '\r') --textEnd;
    if (!visit(IniLine{start, buffer.substr(start, end - start), buffer.substr(start, textEnd - start)}))
      return;
    start = end;
  }
}

constexpr std::size_t kNone = static_cast<std::size_t>(-1);

// Where a key stands: its line (offsets into the file), or where its section ends.
struct Lookup {
  bool sectionFound = false;
  std::size_t keyStart = kNone, keyEnd = kNone;
  std::string_view keyText;        // the key's line without its line end
  std::size_t nextHeader = kNone;  // the offset of the header after the section
};

Lookup Scan(std::string_view buffer, std::string_view section, std::string_view key) {
  Lookup result;
  ForEachLine(buffer, [&](const IniLine& line) {
    std::string_view text = SkipBlanks(line.text);
    if (!text.empty() && (text.front() == ',' || text.front() == '#')) return true;
    if (!text.empty() && text.front() == '[') {
      if (result.sectionFound) {
        result.nextHeader = line.offset;
        return false;
      }
      if (SkipBlanks(text.substr(1)).starts_with(section)) result.sectionFound = true;
      return true;
    }
    if (result.sectionFound && text.find(key) != std::string_view::npos) {
      result.keyStart = line.offset;
      result.keyEnd = line.offset + line.bytes.size();
      result.keyText = line.text;
      return false;
    }
    return true;
  });
  return result;
}

// The value on a key's line, or nothing when the line has no '='.
bool ValueOf(std::string_view text, std::string_view& value) {
  std::size_t eq = text.find('=');
  if (eq == std::string_view::npos) return false;
  value = TrimTrailingBlanks(SkipBlanks(text.substr(eq + 1)));
  return true;
}

// strtol's reading of a decimal number, on a 32-bit int: saturates instead of overflowing.
int ParseInt(std::string_view s) {
  std::size_t i = 0;
  auto isSpace = [](char c) { return c == ' ' || (c >= '\t' && c <= '\r'); };
  while (i < s.size() && isSpace(s[i]))
    ++i;
  bool negative = false;
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) negative = s[i++] == '-';
  long long magnitude = 0;
  const long long limit = negative ? -static_cast<long long>(INT_MIN) : INT_MAX;
  for (; i < s.size() && s[i] >= '0' && s[i] <= '9'; ++i) {
    magnitude = magnitude * 10 + (s[i] - '0');
    if (magnitude > limit) magnitude = limit;  // stays saturated through any further digits
  }
  return static_cast<int>(negative ? -magnitude : magnitude);
}

bool ReadableBack(std::string_view section, std::string_view key) {
  if (section.empty() || key.empty()) return false;
  if (section.find('\n') != std::string_view::npos || key.find('\n') != std::string_view::npos) return false;
  if (IsBlank(section.front())) return false;
  char first = key.front();
  if (IsBlank(first) || first == ',' || first == '#' || first == '[') return false;
  return key.find('=') == std::string_view::npos;
}

// The cause a document loaded cut short reports, once.
constexpr int kCutError = EFBIG;

// One line on standard error per failing file and cause, so a failing save of seven keys says it once.
void ReportWriteFailure(const std::string& path, int error, const std::string& reason = {}) {
  const std::string token = "settings-write:" + std::to_string(error) + ":" + path + ":" + reason;
  if (error == kCutError)
    ReportOnce(token, DiagnosticLevel::Warning,
               "the settings file " + path +
                   " is larger than 1 MiB: only its first 1 MiB is read, and it is "
                   "not rewritten");
  else
    ReportOnce(
        token, DiagnosticLevel::Error,
        "cannot write the settings file " + path + ": " + (reason.empty() ? std::strerror(error) : reason));
}

std::string Joined(std::initializer_list<std::string_view> parts) {
  std::string joined;
  for (std::string_view part : parts)
    joined.append(part);
  return joined;
}

std::string Rewrite(std::string_view old, std::string_view section, std::string_view key,
                    std::string_view value) {
  std::string header = Joined({"[", section, "]\r\n"});
  std::string entry = Joined({key, " = ", value, "\r\n"});
  Lookup found = Scan(old, section, key);
  std::string out;
  out.reserve(old.size() + header.size() + entry.size() + 2);
  auto appendAtEnd = [&](std::string_view added) {
    // A last line without a line end gets one, or the new line would run into it.
    if (!out.empty() && out.back() != '\n') out += "\r\n";
    out += added;
  };
  if (found.keyStart != kNone) {
    // The key's line is replaced whole.
    out.append(old.substr(0, found.keyStart)).append(entry).append(old.substr(found.keyEnd));
  } else if (found.nextHeader != kNone) {
    // A key missing from its section goes just above the next header.
    out.append(old.substr(0, found.nextHeader)).append(entry).append(old.substr(found.nextHeader));
  } else if (found.sectionFound) {
    out.append(old);
    appendAtEnd(entry);
  } else {
    out.append(old);
    appendAtEnd(header);
    out += entry;
  }
  return out;
}

}  // namespace

IniDocument IniDocument::Load(const std::string& path) {
  IniDocument document;
  document.path_ = path;
  if (path.empty()) {
    document.error_ = ENOENT;
    return document;
  }
  try {
    WholeFile file = ReadFileStart(path, kMaxIniFileSize);
    if (file.status == WholeFile::Status::Failed) {
      document.error_ = file.error;
    } else {
      document.content_ = std::move(file.content);
    }
    if (file.cut) {
      // A line cut in two is no line of the file: the start ends with the last whole line.
      const std::size_t lf = document.content_.rfind('\n');
      document.content_.resize(lf == std::string::npos ? 0 : lf + 1);
      document.cut_ = true;
      ReportWriteFailure(path, kCutError);
    }
  } catch (const std::bad_alloc&) {
    document.error_ = ENOMEM;
  }
  return document;
}

std::string IniDocument::GetString(std::string_view section, std::string_view key,
                                   std::string_view defaultValue) const {
  if (section.empty() || key.empty() || path_.empty()) return "";
  if (error_ != 0 || content_.empty()) return std::string(defaultValue);
  try {
    Lookup found = Scan(content_, section, key);
    std::string_view value;
    if (found.keyStart == kNone || !ValueOf(found.keyText, value)) return std::string(defaultValue);
    return std::string(value);
  } catch (const std::bad_alloc&) {
    return std::string(defaultValue);
  }
}

int IniDocument::GetInt(std::string_view section, std::string_view key, int defaultValue) const {
  std::string text = GetString(section, key, "");
  if (text.empty()) return defaultValue;
  return ParseInt(text);
}

bool IniDocument::SetString(std::string_view section, std::string_view key, std::string_view value) {
  if (!ReadableBack(section, key) || value.find('\n') != std::string_view::npos) return false;
  try {
    content_ = Rewrite(content_, section, key, value);
    return true;
  } catch (const std::bad_alloc&) {
    return false;
  }
}

bool IniDocument::SetInt(std::string_view section, std::string_view key, int value) {
  char text[16];
  std::snprintf(text, sizeof text, "%d", value);
  return SetString(section, key, text);
}

int IniDocument::Save() const {
  if (error_ != 0 || cut_) {
    ReportWriteFailure(path_, error_ != 0 ? error_ : kCutError);
    return error_ != 0 ? error_ : kCutError;
  }
  const Result replaced = ReplaceFileAtomically(path_, content_);
  if (!replaced) ReportWriteFailure(path_, replaced.Error(), replaced.Text());
  return replaced.Error();
}

std::string IniGetString(std::string_view section, std::string_view key, std::string_view defaultValue,
                         const std::string& path) {
  return IniDocument::Load(path).GetString(section, key, defaultValue);
}

int IniGetInt(std::string_view section, std::string_view key, int defaultValue, const std::string& path) {
  return IniDocument::Load(path).GetInt(section, key, defaultValue);
}

bool IniWriteString(std::string_view section, std::string_view key, std::string_view value,
                    const std::string& path) {
  if (path.empty()) return false;
  IniDocument document = IniDocument::Load(path);
  return document.SetString(section, key, value) && document.Save() == 0;
}

bool IniWriteInt(std::string_view section, std::string_view key, int value, const std::string& path) {
  char text[16];
  std::snprintf(text, sizeof text, "%d", value);
  return IniWriteString(section, key, text, path);
}

}  // namespace kivu
