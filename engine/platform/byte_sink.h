#pragma once

#include <string_view>

#include "left_alone_reason.h"

namespace quelvane {

// Where the encoded bytes go, in order, in blocks of any size: a file being
// replaced, or a string in tests. False ends the writing, and Failure then
// says why.
class ByteSink {
 public:
  virtual ~ByteSink() = default;
  virtual bool Write(std::string_view bytes) = 0;
  virtual LeftAlone Failure() const = 0;
  // Forgets everything written: the next Write is the first again. A
  // failure stays, so that the file it was for is left alone all the same.
  virtual void StartOver() = 0;
};

}  // namespace quelvane
