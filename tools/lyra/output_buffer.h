// OutputBuffer is the growing byte buffer that the record writers append rows to
// and that is written out a whole buffer at a time. A writer that knows the most a
// row can take asks for that much room once, stores the row's bytes through a
// pointer and commits where it ended, so short pieces cost plain stores, not calls.
// It owns its memory, which clear() keeps for the next rows; one thread at a time.
#ifndef LYRA_TOOLS_OUTPUT_BUFFER_H_
#define LYRA_TOOLS_OUTPUT_BUFFER_H_

#include <cstddef>
#include <cstring>
#include <memory>
#include <string_view>

class OutputBuffer {
 public:
  const char* data() const { return bytes_.get(); }
  size_t size() const { return size_; }
  std::string_view view() const { return std::string_view(bytes_.get(), size_); }
  void clear() { size_ = 0; }

  // Where to store up to `bytes` more bytes after the end; valid until the buffer
  // grows again.
  char* room(size_t bytes) {
    if (capacity_ - size_ < bytes || bytes_ == nullptr) grow(bytes);
    return bytes_.get() + size_;
  }
  // The bytes stored through room() up to end belong to the buffer now.
  // REQUIRES: end lies within the room last given.
  void commit(const char* end) { size_ = static_cast<size_t>(end - bytes_.get()); }

  void append(std::string_view bytes) {
    if (bytes.empty()) return;  // its data may be null
    std::memcpy(room(bytes.size()), bytes.data(), bytes.size());
    size_ += bytes.size();
  }
  void append(size_t count, char byte) {
    std::memset(room(count), byte, count);
    size_ += count;
  }
  void push_back(char byte) {
    *room(1) = byte;
    ++size_;
  }
  // Drops the blanks at the end, down to from at most.
  void trimBlanks(size_t from) {
    while (size_ > from && bytes_[size_ - 1] == ' ') --size_;
  }

 private:
  void grow(size_t bytes);

  std::unique_ptr<char[]> bytes_;
  size_t size_ = 0;
  size_t capacity_ = 0;
};

#endif  // LYRA_TOOLS_OUTPUT_BUFFER_H_
