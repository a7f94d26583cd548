#pragma once
// Text as the window shows it, or a file's, compared as the list it is. A failed comparison prints it as it reads, in
// UTF-8, where Qt prints a QString's Chinese as \u escapes, a QByteArray's as \x escapes, and of two lists of
// different lengths only the lengths.

#include <QStringList>

#include <utility>

namespace quelvane::testing {

struct Shown {
  Shown() = default;  // nothing
  Shown(QStringList items) : items(std::move(items)) {}
  Shown(const QString& item) : items{item} {}
  Shown(const char* item) : items{QString::fromUtf8(item)} {}
  bool operator==(const Shown&) const = default;
  QStringList items;
};

// Each item quoted as a C++ literal writes it: one on the line of its comparison, more each on a line of its own.
inline char* toString(const Shown& shown) {
  QStringList quoted;
  for (QString item : shown.items)
    quoted << '"' + item.replace('\\', "\\\\").replace('\n', "\\n").replace('\r', "\\r") + '"';
  if (quoted.isEmpty()) return qstrdup("nothing");
  return qstrdup(qUtf8Printable(quoted.size() == 1 ? quoted[0] : "\n    " + quoted.join("\n    ")));
}

}  // namespace quelvane::testing
