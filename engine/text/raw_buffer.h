#pragma once
// Scratch memory that the codecs fill through a pointer. Unlike a string it
// is never zeroed only to be overwritten: on a 100 MB file that would cost
// as much as the decoding itself.

#include <algorithm>
#include <cstddef>
#include <memory>

namespace quelvane {

template <typename T>
class RawBuffer {
 public:
  // Uninitialised memory for at least `count` elements; what the buffer held
  // is lost when it grows. Never null, so a codec's result tells failure from an empty text. Far
  // more room than asked for (what a much larger file left) is handed back.
  // The old memory goes before the new is taken, so the two never add up;
  // if taking it fails, the buffer is left empty.
  T* Uninitialized(size_t count) {
    const bool farTooLarge = capacity_ / 4 > count && capacity_ * sizeof(T) >= kKeptBytes;
    if (count > capacity_ || !data_ || farTooLarge) {
      count = std::max<size_t>(count, 256);
      data_.reset();
      capacity_ = 0;
      data_.reset(new T[count]);
      capacity_ = count;
    }
    return data_.get();
  }
  // Memory for at least `count` elements, keeping the first `used`.
  T* Grow(size_t count, size_t used) {
    if (count > capacity_) {
      std::unique_ptr<T[]> larger(new T[count]);
      std::copy(data_.get(), data_.get() + used, larger.get());
      data_ = std::move(larger);
      capacity_ = count;
    }
    return data_.get();
  }
  T* data() { return data_.get(); }
  const T* data() const { return data_.get(); }
  size_t capacity() const { return capacity_; }

 private:
  // Capacity below this many bytes is kept for the next file, whatever its size.
  static constexpr size_t kKeptBytes = 64 << 20;

  std::unique_ptr<T[]> data_;
  size_t capacity_ = 0;
};

}  // namespace quelvane
