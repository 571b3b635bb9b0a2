#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// A growable byte buffer for large outputs such as whole files. Small contents live on the heap;
// from LargeSize on, the bytes live in their own mapping, asked for in huge pages, and growth
// remaps the pages instead of copying them. Nothing is zero-filled. Move-only.
class TByteBuffer {
public:
  static constexpr std::size_t LargeSize = std::size_t{1} << 20;

  TByteBuffer() = default;
  TByteBuffer(TByteBuffer&& other) noexcept;
  TByteBuffer& operator=(TByteBuffer&& other) noexcept;
  TByteBuffer(const TByteBuffer&) = delete;
  TByteBuffer& operator=(const TByteBuffer&) = delete;
  ~TByteBuffer();

  // Room for n bytes after the contents; returns where they go, valid until the next Reserve.
  // Throws std::bad_alloc when no memory is left.
  char* Reserve(std::size_t n) {
    if (n > Capacity - Used)
      Grow(n);
    return Data + Used;
  }
  // Adds n bytes written at Reserve's pointer to the contents.
  void Commit(std::size_t n) { Used += n; }
  void Append(std::string_view bytes);

  const char* data() const { return Data; }
  std::size_t size() const { return Used; }
  bool empty() const { return Used == 0; }
  std::string_view View() const { return {Data, Used}; }
  std::string ToString() const { return std::string(View()); }

private:
  void Grow(std::size_t n);
  void Release() noexcept;

  char* Data = nullptr;
  std::size_t Used = 0;
  std::size_t Capacity = 0;
  bool Mapped = false;
};
