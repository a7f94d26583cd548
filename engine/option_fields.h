#pragma once
// Every option of a run declared once: the name its control has in the
// window (and its line in the headless driver's settings file), its kind,
// and where it lives in TidySettings. The window and the settings file both
// walk this table, so a new option is a field, a row here and a control.

#include <cstddef>
#include <span>
#include <string>
#include <string_view>

#include "tidy_settings.h"

namespace quelvane {

enum class OptionKind {
  Text,    // a text box, or a column of them
  Check,   // a check box: on or off
  Choice,  // an option button of an exclusive group: on selects its mode
};

// Longest text the window lets txtDivide hold.
inline constexpr size_t kDivideTextLimit = 4;

struct OptionField {
  std::string_view name;  // "txtAllS", "optLink"...
  OptionKind kind;
  // Text: the boxes of the column, named "txtAllS(0)" and so on from the top;
  // 0 for a single box named as the field.
  size_t boxes = 0;
  size_t maxLength = std::u16string::npos;  // Text
  std::u16string& (*text)(TidySettings& settings, size_t box) = nullptr;
  // Check: sets the flag. Choice: selects the button's mode when on; off
  // changes nothing, as unchecking one button of a group does not choose.
  void (*set)(TidySettings& settings, bool on) = nullptr;
};

std::span<const OptionField> OptionFields();

// How many controls the field has, and the name of each: "txtAllS(0)", or
// the field's own name.
size_t ControlCount(const OptionField& field);
std::string ControlName(const OptionField& field, size_t box);

}  // namespace quelvane
