#include "app/OptionTable.h"

#include <algorithm>

#include "platform/MessageText.h"

namespace kivu {

bool WalkOptions(const std::vector<std::string>& args, const OptionSyntax& syntax, const CheckOption& check,
                 const TakePlain& takePlain, GivenOptions& given, std::string& error) {
  given.given.assign(syntax.options.size(), false);
  given.values.assign(syntax.options.size(), {});
  bool endOfOptions = false;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (syntax.plainArguments && !endOfOptions && arg == "--") {
      endOfOptions = true;
      continue;
    }
    // "-" alone names standard input or a file of that name, never an option.
    const bool looksLikeOption = !endOfOptions && arg.size() > 1 && arg[0] == '-';
    if (syntax.plainArguments && !looksLikeOption) {
      if (!takePlain(arg, error)) return false;
      continue;
    }
    // A long option may carry its value after '=' in the same argument.
    const size_t equals = arg.rfind("--", 0) == 0 ? arg.find('=') : std::string::npos;
    const std::string name = arg.substr(0, equals);
    const auto spec = std::find_if(syntax.options.begin(), syntax.options.end(),
                                   [&](const OptionSpec& option) { return option.name == name; });
    if (spec == syntax.options.end() ||
        (equals != std::string::npos && spec->takes == OptionTakes::Nothing)) {
      error = "unknown option " + QuoteForMessage(arg) + std::string(syntax.hint);
      return false;
    }
    bool hasValue = equals != std::string::npos;
    std::string value = hasValue ? arg.substr(equals + 1) : std::string();
    if (!hasValue && spec->takes == OptionTakes::Value) {
      if (i + 1 >= args.size()) {
        error = "option " + name + " needs a value" + std::string(syntax.hint);
        return false;
      }
      value = args[++i];
      hasValue = true;
    } else if (!hasValue && spec->takes == OptionTakes::OptionalValue && i + 1 < args.size() &&
               args[i + 1].rfind('-', 0) != 0) {
      value = args[++i];
      hasValue = true;
    }
    const auto option = static_cast<size_t>(spec - syntax.options.begin());
    if (!check(option, hasValue ? &value : nullptr, error)) return false;
    given.given[option] = true;
    if (!hasValue) continue;
    if (!spec->repeatable) given.values[option].clear();
    given.values[option].push_back(std::move(value));
  }
  return true;
}

bool ParseSize(std::string_view text, int largest, int& width, int& height) {
  const size_t x = text.find('x');
  if (x == std::string_view::npos) return false;
  const std::string_view parts[2] = {text.substr(0, x), text.substr(x + 1)};
  int sides[2] = {0, 0};
  for (int i = 0; i < 2; ++i) {
    if (parts[i].empty()) return false;
    long long side = 0;
    for (char c : parts[i]) {
      if (c < '0' || c > '9') return false;
      side = side * 10 + (c - '0');
      // Stopping here keeps any number of digits from overflowing.
      if (side > largest) return false;
    }
    if (side < 1) return false;
    sides[i] = static_cast<int>(side);
  }
  width = sides[0];
  height = sides[1];
  return true;
}

}  // namespace kivu
