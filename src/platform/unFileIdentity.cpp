#include "platform/unFileIdentity.h"

#include <fcntl.h>
#include <functional>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// The digest of the file's bytes; false when it cannot be read whole.
bool DigestOf(const std::string& file, std::int64_t size, std::uint64_t& digest) {
  const int fd = open(file.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0)
    return false;
  std::string bytes(static_cast<std::size_t>(size), '\0');
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = read(fd, bytes.data() + done, bytes.size() - done);
    if (n <= 0)
      break;
    done += static_cast<std::size_t>(n);
  }
  close(fd);
  if (done != bytes.size())
    return false;
  digest = std::hash<std::string_view>()(bytes);
  return true;
}

std::int64_t TimeNs(const struct stat& st) {
  return static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
}

} // namespace

TFileIdentity TFileIdentity::Of(const std::string& file) {
  TFileIdentity identity;
  identity.Known = true;
  struct stat st {};
  if (stat(file.c_str(), &st) != 0 || !S_ISREG(st.st_mode))
    return identity;
  identity.Size = st.st_size;
  identity.ModifiedNs = TimeNs(st);
  identity.Exists = DigestOf(file, identity.Size, identity.Digest);
  return identity;
}

bool TFileIdentity::Matches(const std::string& file) const {
  if (!Known)
    return true;
  struct stat st {};
  const bool exists = stat(file.c_str(), &st) == 0 && S_ISREG(st.st_mode);
  if (!exists || !Exists)
    return exists == Exists;
  if (st.st_size != Size)
    return false;
  if (TimeNs(st) == ModifiedNs)
    return true;
  std::uint64_t digest = 0;
  return DigestOf(file, st.st_size, digest) && digest == Digest;
}
