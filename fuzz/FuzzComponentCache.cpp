// Feeds arbitrary bytes to the component cache's reader, as a damaged or foreign cache file would
// hold them. Whatever loads must write bytes that load again to the same bytes.

#include "plugins/unComponentCache.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  TComponentCache cache;
  if (!cache.FromBytes(std::string_view(reinterpret_cast<const char*>(data), size))) {
    if (cache.Size() != 0) {
      std::fprintf(stderr, "a refused cache kept entries\n");
      std::abort();
    }
    return 0;
  }
  const std::string first = cache.ToBytes();
  TComponentCache again;
  if (!again.FromBytes(first) || again.ToBytes() != first || again.Size() != cache.Size()) {
    std::fprintf(stderr, "a loaded cache does not come back as it was written\n");
    std::abort();
  }
  return 0;
}
