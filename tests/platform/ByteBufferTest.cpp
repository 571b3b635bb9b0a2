#include "platform/unByteBuffer.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>

namespace {

// The byte that position i holds in Fill's pattern.
char PatternAt(std::size_t i) {
  return static_cast<char>('a' + (i * 7 + i / 4093) % 26);
}

void Fill(TByteBuffer& buffer, std::size_t total, std::size_t step) {
  for (std::size_t done = 0; done < total;) {
    const std::size_t n = std::min(step, total - done);
    char* out = buffer.Reserve(n);
    for (std::size_t k = 0; k < n; ++k)
      out[k] = PatternAt(done + k);
    buffer.Commit(n);
    done += n;
  }
}

} // namespace

TEST(ByteBuffer, KeepsEveryByteWhileGrowingPastTheMappedSize) {
  // Odd steps cross the heap-to-mapping switch and several remaps in the middle of a write.
  const std::size_t total = 5 * TByteBuffer::LargeSize + 12345;
  TByteBuffer buffer;
  Fill(buffer, total, 777);
  ASSERT_EQ(buffer.size(), total);
  std::size_t wrong = 0;
  for (std::size_t i = 0; i < total; ++i)
    wrong += buffer.data()[i] != PatternAt(i);
  EXPECT_EQ(wrong, 0u);

  // One large write at once, after a small start.
  TByteBuffer big;
  big.Append("xy");
  const std::string block(3 * TByteBuffer::LargeSize, 'q');
  big.Append(block);
  big.Append("z");
  ASSERT_EQ(big.size(), block.size() + 3);
  EXPECT_EQ(big.View().substr(0, 3), "xyq");
  EXPECT_EQ(big.View().back(), 'z');
}

TEST(ByteBuffer, MovesHandTheBytesOver) {
  TByteBuffer small;
  small.Append("hello");
  TByteBuffer large;
  Fill(large, 2 * TByteBuffer::LargeSize, 65536);

  TByteBuffer taken(std::move(large));
  EXPECT_TRUE(large.empty());
  EXPECT_EQ(large.data(), nullptr);
  EXPECT_EQ(taken.size(), 2 * TByteBuffer::LargeSize);
  EXPECT_EQ(taken.data()[TByteBuffer::LargeSize], PatternAt(TByteBuffer::LargeSize));

  // Assigning over a mapped buffer releases it and takes the heap one.
  taken = std::move(small);
  EXPECT_EQ(taken.ToString(), "hello");
  EXPECT_TRUE(small.empty());
  // Both stay usable.
  small.Append("again");
  taken.Append("!");
  EXPECT_EQ(small.View(), "again");
  EXPECT_EQ(taken.View(), "hello!");
  TByteBuffer empty;
  empty.Append("");
  EXPECT_TRUE(empty.empty());
  EXPECT_EQ(empty.View(), "");
}
