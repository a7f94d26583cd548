#include "settings_from_controls.h"

#include <QAbstractButton>
#include <QLineEdit>
#include <QWidget>

#include "option_fields.h"

namespace quelvane {
namespace {

// The control named as the field: a missing one is a fault of the window's
// layout, never something a user could cause.
template <typename Control>
const Control& ControlNamed(const QWidget& window, const std::string& name) {
  const auto* control = window.findChild<const Control*>(QString::fromStdString(name));
  if (control == nullptr) qFatal("the window has no control %s", name.c_str());
  return *control;
}

}  // namespace

TidySettings ReadTidySettings(const QWidget& window) {
  TidySettings settings;
  for (const OptionField& field : OptionFields()) {
    for (size_t box = 0; box < ControlCount(field); ++box) {
      const std::string name = ControlName(field, box);
      if (field.kind == OptionKind::Text) {
        field.text(settings, box) = ControlNamed<QLineEdit>(window, name).text().toStdU16String();
      } else {
        field.set(settings, ControlNamed<QAbstractButton>(window, name).isChecked());
      }
    }
  }
  return settings;
}

}  // namespace quelvane
