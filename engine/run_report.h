#pragma once
// What a run did, for whoever started it.

#include <cstddef>
#include <string>
#include <vector>

namespace quelvane {

struct LeftAloneFile {
  std::string name;  // as listed: the bytes of the name on disk
  std::u16string reason;
};

struct RunReport {
  enum class Ending { SettingsRejected, NothingToDo, Declined, Failed, Completed };
  Ending ending = Ending::Completed;
  size_t tidied = 0;      // replaced with new content
  size_t unchanged = 0;   // the tidy changed nothing
  std::vector<LeftAloneFile> leftAlone;  // read-only, not text, unreadable... kept as they were
};

}  // namespace quelvane
