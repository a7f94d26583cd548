#pragma once
// Following a symbolic link the way the run may: one name at a time from an
// open folder, every folder on the way opened without following a link and
// checked to be the one looked at, so that nothing is looked up twice and a
// link swapped in meanwhile is noticed rather than followed.

#include <sys/stat.h>

#include <optional>
#include <string>

#include "file_system.h"
#include "left_alone_reason.h"

namespace quelvane {

// Where a chain of links ends: the folder that holds the last name (held
// open here when it is not the folder the chain started in), that name, and
// what is there, not followed.
struct LinkEnd {
  int folder = -1;
  OpenFile heldFolder;
  std::string name;
  struct stat info {};
};

// Follows the link `name` in `folder`. LinkToOtherOwner when a link of the
// chain is not `owner`'s; Vanished, ChangedMeanwhile or Unreadable when the
// chain cannot be followed.
std::optional<LeftAlone> FollowLink(FileSystem& fs, int folder, const std::string& name, uid_t owner, LinkEnd& end);

// A failed look-up of a name the run had seen: gone, changed into or from a
// link meanwhile, or unreadable.
LeftAlone ForFailedLookUp(int error);

}  // namespace quelvane
