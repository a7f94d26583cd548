#include "settings_file.h"

#include <functional>
#include <map>
#include <optional>

#include "option_fields.h"
#include "text/text_encoding.h"

namespace quelvane {
namespace {

using Setter = std::function<bool(const std::u16string&)>;

std::optional<bool> Flag(const std::u16string& value) {
  if (value == u"0") return false;
  if (value == u"1") return true;
  return std::nullopt;
}

// A line sets a box as the user would type into it (cut, as the window cuts
// it, to what the box may hold), and a check box or option button as a
// click would leave it: "1" on, "0" off, and off on an option button
// changes nothing.
Setter SetterFor(TidySettings& s, const OptionField& field, size_t box) {
  if (field.kind == OptionKind::Text) {
    return [&s, &field, box](const std::u16string& value) {
      field.text(s, box) = value.substr(0, field.maxLength);
      return true;
    };
  }
  return [&s, &field](const std::u16string& value) {
    std::optional<bool> on = Flag(value);
    if (on) field.set(s, *on);
    return on.has_value();
  };
}

std::map<std::string, Setter> SettersFor(TidySettings& s) {
  std::map<std::string, Setter> setters;
  for (const OptionField& field : OptionFields()) {
    for (size_t box = 0; box < ControlCount(field); ++box) setters[ControlName(field, box)] = SetterFor(s, field, box);
  }
  return setters;
}

}  // namespace

bool ParseSettingsFile(std::string_view content, TidySettings& settings, std::string& error) {
  if (content.starts_with("\xEF\xBB\xBF")) content.remove_prefix(3);
  TidySettings parsed = settings;  // applied only when every line is good
  std::map<std::string, Setter> setters = SettersFor(parsed);
  size_t lineNumber = 0;
  while (!content.empty()) {
    ++lineNumber;
    size_t end = content.find('\n');
    std::string_view line = content.substr(0, end);
    content.remove_prefix(end == std::string_view::npos ? content.size() : end + 1);
    if (line.ends_with('\r')) line.remove_suffix(1);
    if (line.empty()) continue;

    const std::string where = "line " + std::to_string(lineNumber) + ": ";
    size_t equals = line.find('=');
    if (equals == std::string_view::npos) {
      error = where + "expected name=value";
      return false;
    }
    std::string name(line.substr(0, equals));
    auto setter = setters.find(name);
    if (setter == setters.end()) {
      error = where + "unknown name \"" + name + "\"";
      return false;
    }
    std::u16string value;
    if (!Decode(line.substr(equals + 1), TextEncoding::Utf8, value)) {
      error = where + "the value is not valid UTF-8";
      return false;
    }
    if (!setter->second(value)) {
      error = where + name + " takes 0 or 1";
      return false;
    }
  }
  settings = parsed;
  return true;
}

}  // namespace quelvane
