// The command-line syntax that kivu and kivu-replay share: a table of options walked by one loop, and one
// rule for a size "WxH". Each program keeps its own options, values' meanings and messages; what an
// argument is (an option, its value, a plain argument) is decided here, once, for both.
//
// It lives in app/ beside kivu's own command line and needs nothing above platform/ (for the quoting of
// messages), so kivu-replay in tools/ links it without the application; it holds no Qt.
#pragma once

#include <cstddef>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace kivu {

// What follows an option's name.
enum class OptionTakes {
  Nothing,        // a switch: "--fullscreen"; "--fullscreen=yes" is an unknown option
  Value,          // "--home DIR" or "--home=DIR"; the value may be empty, and may start with '-'
  OptionalValue,  // "--gpsd", "--gpsd=HOST", or "--gpsd HOST" where the next argument is not an option
};

struct OptionSpec {
  std::string_view name;  // "--port", "-h"
  OptionTakes takes = OptionTakes::Nothing;
  // Every value given is kept ("--port A --port B"); otherwise a later one replaces an earlier one.
  bool repeatable = false;
};

struct OptionSyntax {
  std::span<const OptionSpec> options = {};
  // Whether the program takes plain arguments (a capture file); then "--" ends the options and "-" is a
  // plain argument. Without them, anything that is not an option is an unknown option.
  bool plainArguments = false;
  // Added to the loop's own errors (an unknown option, a missing value): " (see kivu-replay --help)".
  std::string_view hint = {};
};

// What the walk kept of the options given, by their places in the table.
struct GivenOptions {
  std::vector<bool> given;                       // the option was given at least once
  std::vector<std::vector<std::string>> values;  // every value of a repeatable option, the last of another

  bool Has(size_t option) const { return given[option]; }
  // The value kept (the last one given), "" when none was.
  std::string Value(size_t option) const { return values[option].empty() ? "" : values[option].back(); }
};

// Walks the arguments after the program name in order. check sees each option as it comes (value null for
// a switch or a left-out optional value) to refuse a bad value or to take in its meaning; takePlain sees
// each plain argument. The first false from either, or the first argument that is not valid, ends the walk
// with false and a one-line error.
using CheckOption = std::function<bool(size_t option, const std::string* value, std::string& error)>;
using TakePlain = std::function<bool(const std::string& argument, std::string& error)>;
bool WalkOptions(const std::vector<std::string>& args, const OptionSyntax& syntax, const CheckOption& check,
                 const TakePlain& takePlain, GivenOptions& given, std::string& error);

// A size "WxH" as both programs take it: two whole numbers of decimal digits only (no sign, no spaces, a
// lower-case x between them), each from 1 to largest. False for anything else.
bool ParseSize(std::string_view text, int largest, int& width, int& height);

}  // namespace kivu
