#pragma once

#include <cstddef>
#include <memory_resource>
#include <mutex>
#include <vector>

// The memory the documents' pools draw their chunks from. A chunk a document gives back is kept
// (up to KeptBytes in all) for the next document that asks for one of its size and alignment,
// so that a program that loads one file after another does not give its pages back to the
// system and take them again, page by page, for every file. Small requests and what does not fit
// go to the heap. Safe to use from several threads.
class TXmlMemory : public std::pmr::memory_resource {
public:
  // Chunks below this size are not kept: the heap serves them well.
  static constexpr std::size_t SmallestKept = 64 * 1024;
  // At most this much memory is kept for later documents.
  static constexpr std::size_t KeptBytes = 128 * 1024 * 1024;

  // The one instance every document uses.
  static TXmlMemory* Shared();
  // The bytes kept now.
  std::size_t Kept() const;
  // Gives every kept chunk back to the heap.
  void Release();

  TXmlMemory() = default;
  ~TXmlMemory() override { Release(); }
  TXmlMemory(const TXmlMemory&) = delete;
  TXmlMemory& operator=(const TXmlMemory&) = delete;

private:
  void* do_allocate(std::size_t bytes, std::size_t alignment) override;
  void do_deallocate(void* block, std::size_t bytes, std::size_t alignment) override;
  bool do_is_equal(const std::pmr::memory_resource& other) const noexcept override {
    return this == &other;
  }

  struct TChunk {
    void* Block;
    std::size_t Bytes;
    std::size_t Alignment;
  };
  mutable std::mutex Lock;
  std::vector<TChunk> Chunks;
  std::size_t KeptNow = 0;
};
