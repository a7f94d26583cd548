#include "option_fields.h"

#include <array>
#include <type_traits>

namespace quelvane {
namespace {

template <auto member>
constexpr OptionField Column(std::string_view name) {
  using Boxes = std::remove_reference_t<decltype(std::declval<TidySettings&>().*member)>;
  return {name, OptionKind::Text, std::tuple_size_v<Boxes>, std::u16string::npos,
          [](TidySettings& s, size_t box) -> std::u16string& { return (s.*member)[box]; }};
}

template <auto member>
constexpr OptionField Box(std::string_view name, size_t maxLength = std::u16string::npos) {
  return {name, OptionKind::Text, 0, maxLength, [](TidySettings& s, size_t) -> std::u16string& { return s.*member; }};
}

template <auto member>
constexpr OptionField Check(std::string_view name) {
  return {name, OptionKind::Check, 0, std::u16string::npos, nullptr, [](TidySettings& s, bool on) { s.*member = on; }};
}

template <auto member, auto mode>
constexpr OptionField Choice(std::string_view name) {
  return {name, OptionKind::Choice, 0, std::u16string::npos, nullptr, [](TidySettings& s, bool on) {
            if (on) s.*member = mode;
          }};
}

using S = TidySettings;
constexpr OptionField kFields[] = {
    Column<&S::txtAllS>("txtAllS"),
    Column<&S::txtAllT>("txtAllT"),
    Column<&S::txtLeftS>("txtLeftS"),
    Column<&S::txtLeftT>("txtLeftT"),
    Column<&S::txtRightS>("txtRightS"),
    Column<&S::txtRightT>("txtRightT"),
    Box<&S::txtReplaceS>("txtReplaceS"),
    Box<&S::txtReplaceT>("txtReplaceT"),
    Column<&S::txtBegin>("txtBegin"),
    Column<&S::txtEnd>("txtEnd"),
    Choice<&S::paragraphMode, ParagraphMode::Keep>("optParagraph"),
    Choice<&S::paragraphMode, ParagraphMode::Divide>("optDivide"),
    Choice<&S::paragraphMode, ParagraphMode::Link>("optLink"),
    Box<&S::txtDivide>("txtDivide", kDivideTextLimit),
    Column<&S::txtLink>("txtLink"),
    Check<&S::chkOrdinal>("chkOrdinal"),
    Choice<&S::blankLineMode, BlankLineMode::Keep>("optBlank"),
    Choice<&S::blankLineMode, BlankLineMode::Delete>("optDelete"),
    Choice<&S::blankLineMode, BlankLineMode::OneBetween>("optAdd"),
};

}  // namespace

std::span<const OptionField> OptionFields() { return kFields; }

size_t ControlCount(const OptionField& field) { return field.boxes == 0 ? 1 : field.boxes; }

std::string ControlName(const OptionField& field, size_t box) {
  std::string name(field.name);
  if (field.boxes != 0) name += "(" + std::to_string(box) + ")";
  return name;
}

}  // namespace quelvane
