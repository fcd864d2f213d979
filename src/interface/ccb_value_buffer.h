// CCBValueBuffer<T> is a growing array of plain values (numbers, flags, bytes) that a
// batch fills one value at a time. It owns its storage; growing keeps the values, and
// clearing and shrinking keep the storage. Appending is a store and a count unless the
// storage is full: the rare growth is out of the way of the common path, which stays
// small enough to be inlined into every place that appends.
#ifndef LYRA_INTERFACE_CCB_VALUE_BUFFER_H_
#define LYRA_INTERFACE_CCB_VALUE_BUFFER_H_

#include <cstddef>
#include <cstring>
#include <memory>
#include <type_traits>

template <typename T>
class CCBValueBuffer {
  static_assert(std::is_trivially_copyable<T>::value, "values are copied as bytes");

 public:
  const T* data() const { return values_.get(); }
  T* data() { return values_.get(); }
  size_t size() const { return size_; }
  bool empty() const { return size_ == 0; }
  const T& back() const { return values_[size_ - 1]; }  // REQUIRES: not empty

  void clear() { size_ = 0; }
  // Room for count values in all; throws std::bad_alloc when there is none to be had.
  void reserve(size_t count) {
    if (count > capacity_) grow(count);
  }
  // Keeps the first count values, or makes room for count and leaves those added unset.
  void resize(size_t count) {
    reserve(count);
    size_ = count;
  }
  void push_back(T value) {
    if (size_ == capacity_) grow(size_ + 1);
    values_[size_++] = value;
  }
  // Room for count more values past the last, left unset: they are written there and
  // then counted in by commit.
  T* spare(size_t count) {
    reserve(size_ + count);
    return values_.get() + size_;
  }
  void commit(size_t count) { size_ += count; }  // REQUIRES: spare(count) or more
  void append(const T* values, size_t count) {
    reserve(size_ + count);
    if (count > 0) std::memcpy(values_.get() + size_, values, count * sizeof(T));
    size_ += count;
  }

 private:
  // Never inlined: appending stays a store and a count wherever it is written.
  __attribute__((noinline)) void grow(size_t count) {
    const size_t capacity = count > 2 * capacity_ ? count : 2 * capacity_;
    std::unique_ptr<T[]> values(new T[capacity]);
    if (size_ > 0) std::memcpy(values.get(), values_.get(), size_ * sizeof(T));
    values_ = std::move(values);
    capacity_ = capacity;
  }

  std::unique_ptr<T[]> values_;
  size_t size_ = 0;
  size_t capacity_ = 0;
};

#endif  // LYRA_INTERFACE_CCB_VALUE_BUFFER_H_
