#include "platform/unByteBuffer.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>
#include <sys/mman.h>
#include <utility>

namespace {

constexpr std::size_t HugePage = std::size_t{2} << 20;

std::size_t RoundUp(std::size_t n, std::size_t unit) {
  return (n + unit - 1) / unit * unit;
}

} // namespace

TByteBuffer::TByteBuffer(TByteBuffer&& other) noexcept
    : Data(std::exchange(other.Data, nullptr)), Used(std::exchange(other.Used, 0)),
      Capacity(std::exchange(other.Capacity, 0)), Mapped(std::exchange(other.Mapped, false)) {}

TByteBuffer& TByteBuffer::operator=(TByteBuffer&& other) noexcept {
  if (this != &other) {
    Release();
    Data = std::exchange(other.Data, nullptr);
    Used = std::exchange(other.Used, 0);
    Capacity = std::exchange(other.Capacity, 0);
    Mapped = std::exchange(other.Mapped, false);
  }
  return *this;
}

TByteBuffer::~TByteBuffer() {
  Release();
}

void TByteBuffer::Release() noexcept {
  if (Mapped)
    munmap(Data, Capacity);
  else
    std::free(Data);
  Data = nullptr;
  Used = Capacity = 0;
  Mapped = false;
}

void TByteBuffer::Append(std::string_view bytes) {
  if (bytes.empty())
    return;
  std::memcpy(Reserve(bytes.size()), bytes.data(), bytes.size());
  Commit(bytes.size());
}

void TByteBuffer::Grow(std::size_t n) {
  if (n > SIZE_MAX / 4 - Used)
    throw std::bad_alloc();
  const std::size_t wanted = std::max({Capacity * 2, Used + n, std::size_t{4096}});
  if (wanted < LargeSize) {
    void* grown = std::realloc(Data, wanted);
    if (!grown)
      throw std::bad_alloc();
    Data = static_cast<char*>(grown);
    Capacity = wanted;
    return;
  }
  const std::size_t capacity = RoundUp(wanted, HugePage);
  void* block;
  if (Mapped) {
    block = mremap(Data, Capacity, capacity, MREMAP_MAYMOVE);
    if (block == MAP_FAILED)
      throw std::bad_alloc();
  } else {
    block = mmap(nullptr, capacity, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (block == MAP_FAILED)
      throw std::bad_alloc();
    if (Used > 0)
      std::memcpy(block, Data, Used);
    std::free(Data);
    Mapped = true;
  }
  // Huge pages are a hint: without them the buffer still works, with more page faults.
  madvise(block, capacity, MADV_HUGEPAGE);
  Data = static_cast<char*>(block);
  Capacity = capacity;
}
