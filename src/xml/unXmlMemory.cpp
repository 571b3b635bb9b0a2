#include "xml/unXmlMemory.h"

#include <new>

TXmlMemory* TXmlMemory::Shared() {
  // Never destroyed: documents of static lifetime may give their chunks back at exit.
  static auto* memory = new TXmlMemory;
  return memory;
}

std::size_t TXmlMemory::Kept() const {
  std::lock_guard<std::mutex> guard(Lock);
  return KeptNow;
}

void TXmlMemory::Release() {
  std::vector<TChunk> chunks;
  {
    std::lock_guard<std::mutex> guard(Lock);
    chunks.swap(Chunks);
    KeptNow = 0;
  }
  for (const TChunk& chunk : chunks)
    ::operator delete(chunk.Block, std::align_val_t(chunk.Alignment));
}

void* TXmlMemory::do_allocate(std::size_t bytes, std::size_t alignment) {
  if (bytes >= SmallestKept) {
    std::lock_guard<std::mutex> guard(Lock);
    // The newest fitting chunk: its pages are the likeliest to be in the caches still.
    for (std::size_t i = Chunks.size(); i-- > 0;) {
      if (Chunks[i].Bytes == bytes && Chunks[i].Alignment == alignment) {
        void* block = Chunks[i].Block;
        Chunks.erase(Chunks.begin() + static_cast<std::ptrdiff_t>(i));
        KeptNow -= bytes;
        return block;
      }
    }
  }
  return ::operator new(bytes, std::align_val_t(alignment));
}

void TXmlMemory::do_deallocate(void* block, std::size_t bytes, std::size_t alignment) {
  if (bytes >= SmallestKept) {
    std::lock_guard<std::mutex> guard(Lock);
    if (KeptNow + bytes <= KeptBytes) {
      try {
        Chunks.push_back({block, bytes, alignment});
        KeptNow += bytes;
        return;
      } catch (const std::bad_alloc&) {
        // No room to remember it: it goes back to the heap below.
      }
    }
  }
  ::operator delete(block, std::align_val_t(alignment));
}
