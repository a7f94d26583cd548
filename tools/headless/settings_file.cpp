#include "settings_file.h"

#include <functional>
#include <map>
#include <optional>

#include "platform/text_encoding.h"

namespace quelvane {
namespace {

using Setter = std::function<bool(const std::u16string&)>;

Setter Text(std::u16string& field) {
  return [&field](const std::u16string& value) {
    field = value;
    return true;
  };
}

std::optional<bool> Flag(const std::u16string& value) {
  if (value == u"0") return false;
  if (value == u"1") return true;
  return std::nullopt;
}

// An option button: "1" selects it in its group, "0" changes nothing.
template <typename Mode>
Setter Option(Mode& group, Mode mode) {
  return [&group, mode](const std::u16string& value) {
    std::optional<bool> on = Flag(value);
    if (on && *on) group = mode;
    return on.has_value();
  };
}

template <size_t N>
void AddArray(std::map<std::string, Setter>& setters, const std::string& name, std::array<std::u16string, N>& fields) {
  for (size_t i = 0; i < N; ++i) setters[name + "(" + std::to_string(i) + ")"] = Text(fields[i]);
}

std::map<std::string, Setter> SettersFor(TidySettings& s) {
  std::map<std::string, Setter> setters;
  AddArray(setters, "txtAllS", s.txtAllS);
  AddArray(setters, "txtAllT", s.txtAllT);
  AddArray(setters, "txtLeftS", s.txtLeftS);
  AddArray(setters, "txtLeftT", s.txtLeftT);
  AddArray(setters, "txtRightS", s.txtRightS);
  AddArray(setters, "txtRightT", s.txtRightT);
  AddArray(setters, "txtBegin", s.txtBegin);
  AddArray(setters, "txtEnd", s.txtEnd);
  AddArray(setters, "txtLink", s.txtLink);
  setters["txtReplaceS"] = Text(s.txtReplaceS);
  setters["txtReplaceT"] = Text(s.txtReplaceT);
  setters["txtDivide"] = [&s](const std::u16string& value) {
    s.txtDivide = value.substr(0, kDivideTextLimit);  // the window cuts longer input the same way
    return true;
  };
  setters["chkOrdinal"] = [&s](const std::u16string& value) {
    std::optional<bool> on = Flag(value);
    if (on) s.chkOrdinal = *on;
    return on.has_value();
  };
  setters["optParagraph"] = Option(s.paragraphMode, ParagraphMode::Keep);
  setters["optDivide"] = Option(s.paragraphMode, ParagraphMode::Divide);
  setters["optLink"] = Option(s.paragraphMode, ParagraphMode::Link);
  setters["optBlank"] = Option(s.blankLineMode, BlankLineMode::Keep);
  setters["optDelete"] = Option(s.blankLineMode, BlankLineMode::Delete);
  setters["optAdd"] = Option(s.blankLineMode, BlankLineMode::OneBetween);
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
