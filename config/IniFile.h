// Kivu's settings file store: key and value lines in named sections of a small text file.
//
// An IniDocument reads the file once, answers and changes keys in memory, and writes it back once, whole
// and crash-safe (see ReplaceFileAtomically): a save of many keys is one rewrite, never a mix of old and
// new values. The four Ini* functions are the one-key forms: each reads the file afresh, and each write
// rewrites it. Strings are UTF-8 bytes and are compared byte for byte.
//
// The file, as the store sees it:
//  - A line ends at LF; a CR just before the LF belongs to the line end. A last line without any line
//    end is a line too. Lines the store writes end in CR LF; every other line keeps its bytes and its own
//    line end when the file is rewritten.
//  - The first byte after leading blanks (space, tab) decides a line's kind: ',' or '#' makes a comment
//    line (';' does not), '[' a section header, anything else (the empty line too) a candidate entry.
//  - A header opens a section when the text after '[' and any blanks begins with the section's name;
//    the ']' is not looked at, so "[Settings2]" opens "Settings". Only the first section of a name counts
//    and it ends at the next header of any name.
//  - In that section the first candidate line that contains the key anywhere (from its first non-blank
//    byte on) is the key's line. Its value follows the first '=' and its blanks, up to the line end, less
//    trailing blanks; there are no inline comments.
//  - Entries are written as "KEY = VALUE\r\n", headers as "[NAME]\r\n", of any length.
#pragma once

#include <string>
#include <string_view>

namespace kivu {

class IniDocument {
 public:
  // Reads the file at path. A missing file reads as an empty one, which a save creates.
  static IniDocument Load(const std::string& path);

  // 0, or the errno of a file that could not be read; such a document answers every key with its
  // default and is never saved over the file. Of a file over 1 MiB, far too large to be a settings file,
  // the whole lines of its first 1 MiB are read (standard error says so once) and Save refuses with
  // EFBIG, leaving the file as it is.
  int Error() const { return error_; }

  // The rules of IniGetString and IniGetInt below, on the document as it stands.
  std::string GetString(std::string_view section, std::string_view key, std::string_view defaultValue) const;
  int GetInt(std::string_view section, std::string_view key, int defaultValue) const;

  // The rules of IniWriteString and IniWriteInt below, in memory: false, with the document unchanged,
  // for arguments that could not be read back.
  bool SetString(std::string_view section, std::string_view key, std::string_view value);
  bool SetInt(std::string_view section, std::string_view key, int value);

  // Replaces the file by the document, crash-safe: 0, or the errno of the failure (also the load's),
  // with the old file left whole. Each failing file and cause is said once on standard error.
  int Save() const;

 private:
  std::string path_;
  std::string content_;
  int error_ = 0;
  bool cut_ = false;
};

// The value of key in section, or defaultValue when the file, the section, the key's line or the '=' on
// it is missing or the file cannot be read. An empty section, key or path gives "" (not the default).
std::string IniGetString(std::string_view section, std::string_view key, std::string_view defaultValue,
                         const std::string& path);

// The value read as a decimal integer the way strtol reads it (leading white space, an optional sign,
// digits up to the first other byte; no digits reads as 0), clamped to the int range. An empty or
// missing value gives defaultValue.
int IniGetInt(std::string_view section, std::string_view key, int defaultValue, const std::string& path);

// Sets key in section to value and rewrites the file:
//  - the key's line is replaced whole by the new entry;
//  - a key missing from its section is added just above the next header, or at the end of the file
//    when the section runs to it;
//  - a missing section is appended with the entry.
// Returns false when the file cannot be read or replaced (the old file then stays as it was), and for
// arguments that could not be read back: an empty section, key or path; a line feed in any of them; a
// section that begins with a blank; a key that begins with a blank, ',', '#' or '[', or holds a '='.
bool IniWriteString(std::string_view section, std::string_view key, std::string_view value,
                    const std::string& path);

// IniWriteString with the value written in decimal ("%d").
bool IniWriteInt(std::string_view section, std::string_view key, int value, const std::string& path);

}  // namespace kivu
