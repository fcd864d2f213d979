#include "output_buffer.h"

#include <algorithm>

namespace {

const size_t FIRST_CAPACITY = 64 * 1024;

}  // namespace

// The capacity at least doubles, so that appending stays linear.
void OutputBuffer::grow(size_t bytes) {
  const size_t capacity = std::max({FIRST_CAPACITY, 2 * capacity_, size_ + bytes});
  std::unique_ptr<char[]> grown(new char[capacity]);
  if (size_ > 0) std::memcpy(grown.get(), bytes_.get(), size_);
  bytes_ = std::move(grown);
  capacity_ = capacity;
}
