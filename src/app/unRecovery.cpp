#include "app/unRecovery.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// The process id in "<program>.<digits>.recovery", or "" for the file an older editor wrote
// ("<program>.recovery"), or nothing when the name is not a recovery file of the program.
bool ProcessOf(const std::string& name, const std::string& program, std::string& pid) {
  const std::string suffix = ".recovery";
  if (!name.starts_with(program + ".") || !name.ends_with(suffix))
    return false;
  const std::size_t from = program.size() + 1;
  if (name.size() == program.size() + suffix.size()) {
    pid.clear(); // "<program>.recovery"
    return name == program + suffix;
  }
  if (name.size() <= from + suffix.size())
    return false;
  pid = name.substr(from, name.size() - from - suffix.size());
  return !pid.empty() && std::all_of(pid.begin(), pid.end(), [](char c) {
    return std::isdigit(static_cast<unsigned char>(c));
  });
}

// True while another process holds the lock file.
bool Locked(const std::string& lockFile) {
  const int fd = ::open(lockFile.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
  if (fd < 0)
    return false;
  const bool held = ::flock(fd, LOCK_SH | LOCK_NB) != 0 && errno == EWOULDBLOCK;
  ::close(fd);
  return held;
}

} // namespace

TRecovery::TRecovery(std::string folder, std::string program)
    : Folder(std::move(folder)), Program(std::move(program)) {}

TRecovery::~TRecovery() {
  if (LockFd >= 0) {
    ::unlink((Folder + Program + "." + std::to_string(::getpid()) + ".lock").c_str());
    ::close(LockFd);
  }
}

std::string TRecovery::File() const {
  return Folder + Program + "." + std::to_string(::getpid()) + ".recovery";
}

void TRecovery::RemoveStaleLocks() const {
  DIR* dir = ::opendir(Folder.empty() ? "." : Folder.c_str());
  if (!dir)
    return;
  const std::string prefix = Program + ".", suffix = ".lock";
  while (const dirent* entry = ::readdir(dir)) {
    const std::string name = entry->d_name;
    if (!name.starts_with(prefix) || !name.ends_with(suffix) ||
        name.size() <= prefix.size() + suffix.size())
      continue;
    const std::string pid = name.substr(prefix.size(), name.size() - prefix.size() - suffix.size());
    if (!std::all_of(pid.begin(), pid.end(), [](char c) { return c >= '0' && c <= '9'; }) ||
        pid == std::to_string(::getpid()))
      continue;
    struct stat info {};
    if (::fstatat(::dirfd(dir), entry->d_name, &info, AT_SYMLINK_NOFOLLOW) != 0 ||
        !S_ISREG(info.st_mode) || info.st_uid != ::geteuid())
      continue;
    // Removed only while this editor holds it: an editor that holds it runs.
    const int fd = ::openat(::dirfd(dir), entry->d_name, O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0)
      continue;
    if (::flock(fd, LOCK_EX | LOCK_NB) == 0)
      ::unlinkat(::dirfd(dir), entry->d_name, 0);
    ::close(fd);
  }
  ::closedir(dir);
}

bool TRecovery::Hold() {
  if (LockFd >= 0)
    return true;
  // The locks editors that were killed left behind go first.
  RemoveStaleLocks();
  const std::string lock = Folder + Program + "." + std::to_string(::getpid()) + ".lock";
  const int fd = ::open(lock.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
  if (fd < 0)
    return false;
  if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    ::close(fd);
    return false;
  }
  LockFd = fd;
  return true;
}

void TRecovery::Remove() const {
  ::unlink(File().c_str());
}

std::vector<TRecovery::TLeft> TRecovery::Left() const {
  std::vector<TLeft> left;
  DIR* dir = ::opendir(Folder.empty() ? "." : Folder.c_str());
  if (!dir)
    return left;
  while (const dirent* entry = ::readdir(dir)) {
    const std::string name = entry->d_name;
    std::string pid;
    if (!ProcessOf(name, Program, pid))
      continue;
    struct stat info {};
    if (::fstatat(::dirfd(dir), entry->d_name, &info, AT_SYMLINK_NOFOLLOW) != 0 ||
        !S_ISREG(info.st_mode) || info.st_uid != ::geteuid())
      continue;
    if (!pid.empty() && Locked(Folder + Program + "." + pid + ".lock"))
      continue; // its editor runs
    if (LockFd >= 0 && pid == std::to_string(::getpid()))
      continue; // our own
    left.push_back({Folder + name, info.st_mtime});
  }
  ::closedir(dir);
  std::sort(left.begin(), left.end(), [](const TLeft& a, const TLeft& b) {
    return a.Kept > b.Kept || (a.Kept == b.Kept && a.File < b.File);
  });
  return left;
}
