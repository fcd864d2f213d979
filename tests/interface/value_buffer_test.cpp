// CCBValueBuffer: values kept across growth, shrinking and clearing.
#include "interface/ccb_value_buffer.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>

namespace {

TEST(ValueBufferTest, KeepsEveryValueAsItGrows) {
  CCBValueBuffer<int64_t> numbers;
  const int64_t count = 100000;  // many growths from empty
  for (int64_t i = 0; i < count; ++i) numbers.push_back(i * 7);
  ASSERT_EQ(static_cast<size_t>(count), numbers.size());
  for (int64_t i = 0; i < count; ++i) ASSERT_EQ(i * 7, numbers.data()[i]) << i;
  EXPECT_EQ((count - 1) * 7, numbers.back());

  CCBValueBuffer<char> text;
  std::string want;
  for (int i = 0; i < 2000; ++i) {  // appends that outgrow the storage by more than twice
    const std::string piece(static_cast<size_t>(i % 300), static_cast<char>('a' + i % 26));
    text.append(piece.data(), piece.size());
    want += piece;
  }
  EXPECT_EQ(want, std::string(text.data(), text.size()));

  // Written in place past the end: only what is committed counts, the rest is written over.
  for (int i = 0; i < 500; ++i) {
    char* room = text.spare(static_cast<size_t>(i));
    std::memset(room, 'r', static_cast<size_t>(i));
    text.commit(static_cast<size_t>(i / 2));
    want += std::string(static_cast<size_t>(i / 2), 'r');
  }
  EXPECT_EQ(want, std::string(text.data(), text.size()));
}

TEST(ValueBufferTest, ShrinksAndClearsKeepingItsStorage) {
  CCBValueBuffer<double> reals;
  for (int i = 0; i < 10; ++i) reals.push_back(i + 0.5);
  const double* storage = reals.data();
  reals.resize(4);
  EXPECT_EQ(3.5, reals.back());
  reals.clear();
  EXPECT_TRUE(reals.empty());
  reals.reserve(10);
  reals.push_back(1.25);
  EXPECT_EQ(storage, reals.data());
  EXPECT_EQ(1.25, reals.back());
}

}  // namespace
