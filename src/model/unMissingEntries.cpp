#include "model/unMissingEntries.h"

namespace {

thread_local TMissingEntries* Current = nullptr;

} // namespace

TMissingEntries::TMissingEntries(std::int64_t allowed) : Left(allowed), Previous(Current) {
  Current = this;
}

TMissingEntries::~TMissingEntries() {
  Current = Previous;
}

bool TMissingEntries::Take(std::int64_t n) {
  if (!Current || n <= 0)
    return true;
  if (n > Current->Left)
    return false;
  Current->Left -= n;
  return true;
}
