#pragma once
// How much more memory the process may take before something stops it, the
// least of:
// - its address-space limit (ulimit -v) less what it maps;
// - at each level of its memory cgroup that has a limit, that limit less
//   the level's use (cgroup v2 memory.max and memory.current, v1
//   memory.limit_in_bytes and memory.usage_in_bytes), page cache that can be
//   dropped not counted as used, as container tools count it;
// - the memory the system has available.
// Past the address-space limit an allocation fails, which the run survives;
// past a cgroup's limit the kernel kills the program, with no word.

#include <sys/resource.h>

#include <algorithm>
#include <cstddef>
#include <string>
#include <vector>

namespace quelvane {

class MemoryRoom {
 public:
  // Whether `bytes` more may surely be taken without measuring: they are
  // few beside the room last measured, or too few to be worth it.
  bool SurelyAllows(size_t bytes) const { return bytes <= std::max(kNotWorthMeasuring, lastMeasured_ / 8); }
  // The room now, in bytes. The limits, which hold for the whole run, are
  // found the first time.
  size_t Measure();

 private:
  struct CgroupLevel {
    std::string folder;
    bool v2 = false;
    size_t limit = 0;
  };

  // Not even the program's start could do with less.
  static constexpr size_t kNotWorthMeasuring = 16 << 20;

  void FindLimits();

  bool limitsFound_ = false;
  rlim_t addressSpaceLimit_ = RLIM_INFINITY;
  std::vector<CgroupLevel> cgroupLevels_;  // only the levels with a limit
  size_t lastMeasured_ = 0;
};

}  // namespace quelvane
