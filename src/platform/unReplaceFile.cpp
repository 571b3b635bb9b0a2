#include "platform/unReplaceFile.h"

#include <cctype>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

constexpr std::size_t NameMax = 255;
// ".zu" + pid + "-" before the six characters mkstemp fills in.
constexpr std::string_view TempMark = ".zu";
constexpr std::size_t RandomLength = 6;

std::string ErrorText(int error) {
  char buf[256];
  // The GNU strerror_r returns the text, which need not be in buf.
  return strerror_r(error, buf, sizeof buf);
}

TReplaceResult Failed(int error) {
  TReplaceResult result;
  result.Error = error ? error : EIO;
  result.Reason = ErrorText(result.Error);
  return result;
}

// The name cut to at most max bytes without splitting a UTF-8 sequence.
std::string CutName(const std::string& name, std::size_t max) {
  if (name.size() <= max)
    return name;
  std::size_t end = max;
  while (end > 0 && (static_cast<unsigned char>(name[end]) & 0xC0) == 0x80)
    --end;
  return name.substr(0, end);
}

std::string TempPrefix(const std::string& targetName) {
  // The longest pid on Linux has 7 digits; room for 10 is kept.
  const std::size_t fixed = 1 + TempMark.size() + 10 + 1 + RandomLength;
  return "." + CutName(targetName, NameMax - fixed) + std::string(TempMark);
}

// The pid in a temporary name of the prefix ("<prefix><pid>-XXXXXX"), or -1 when the name is
// not one.
long TempOwner(std::string_view name, std::string_view prefix) {
  if (!name.starts_with(prefix))
    return -1;
  name.remove_prefix(prefix.size());
  long pid = 0;
  std::size_t i = 0;
  for (; i < name.size() && name[i] >= '0' && name[i] <= '9' && i < 10; ++i)
    pid = pid * 10 + (name[i] - '0');
  if (i == 0 || i >= name.size() || name[i] != '-' || name.size() - i - 1 != RandomLength)
    return -1;
  for (std::size_t k = i + 1; k < name.size(); ++k)
    if (!std::isalnum(static_cast<unsigned char>(name[k])))
      return -1;
  return pid;
}

// Removes the temporary files of earlier saves of the target whose process no longer runs. A
// process that cannot be asked (another user's) counts as running.
void RemoveAbandoned(const fs::path& folder, const std::string& targetName) {
  const std::string prefix = TempPrefix(targetName);
  DIR* dir = opendir(folder.c_str());
  if (!dir)
    return;
  const long self = static_cast<long>(getpid());
  while (const dirent* entry = readdir(dir)) {
    const long pid = TempOwner(entry->d_name, prefix);
    if (pid <= 0 || pid == self)
      continue;
    if (kill(static_cast<pid_t>(pid), 0) == -1 && errno == ESRCH)
      unlinkat(dirfd(dir), entry->d_name, 0);
  }
  closedir(dir);
}

// Gives the new file the old one's owner, group and extended attributes (access lists among
// them); what cannot be kept is noted.
void KeepIdentity(int fd, const std::string& target, const struct stat& old,
                  std::vector<std::string>& notes) {
  struct stat now {};
  if (fstat(fd, &now) == 0 && (now.st_uid != old.st_uid || now.st_gid != old.st_gid)) {
    if (fchown(fd, old.st_uid, old.st_gid) != 0) {
      const int error = errno;
      // A normal user keeps the group when it is one of theirs.
      if (now.st_gid == old.st_gid || fchown(fd, static_cast<uid_t>(-1), old.st_gid) == 0) {
        if (now.st_uid != old.st_uid)
          notes.push_back("владелец файла не сохранён (" + ErrorText(error) + ")");
      } else {
        notes.push_back("владелец и группа файла не сохранены, группа задана правилами папки (" +
                        ErrorText(error) + ")");
      }
    }
  }
  const ssize_t size = listxattr(target.c_str(), nullptr, 0);
  if (size <= 0)
    return;
  std::string names(static_cast<std::size_t>(size), '\0');
  const ssize_t got = listxattr(target.c_str(), names.data(), names.size());
  if (got <= 0)
    return;
  names.resize(static_cast<std::size_t>(got));
  for (std::size_t at = 0; at < names.size();) {
    const std::string name = names.c_str() + at;
    at += name.size() + 1;
    if (name.empty())
      continue;
    const ssize_t length = getxattr(target.c_str(), name.c_str(), nullptr, 0);
    std::string value(length > 0 ? static_cast<std::size_t>(length) : 0, '\0');
    const ssize_t read = getxattr(target.c_str(), name.c_str(), value.data(), value.size());
    if (read < 0 || fsetxattr(fd, name.c_str(), value.data(), static_cast<std::size_t>(read), 0))
      notes.push_back("атрибут " + name + " не сохранён (" + ErrorText(errno) + ")");
  }
}

bool WriteAll(int fd, std::string_view bytes) {
  for (std::size_t done = 0; done < bytes.size();) {
    const ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR)
      continue;
    if (n <= 0) {
      if (n == 0)
        errno = EIO;
      return false;
    }
    done += static_cast<std::size_t>(n);
  }
  return true;
}

} // namespace

std::string ReplaceTempName(const std::string& targetName, long pid) {
  return TempPrefix(targetName) + std::to_string(pid) + "-" + std::string(RandomLength, 'X');
}

TReplaceResult ReplaceFile(const std::string& name, std::string_view bytes, bool followLink) {
  if (name.empty())
    return Failed(ENOENT);
  fs::path path(name);
  std::error_code ec;
  for (int hops = 0; followLink && fs::is_symlink(fs::symlink_status(path, ec)); ++hops) {
    const fs::path link = fs::read_symlink(path, ec);
    if (ec)
      return Failed(ec.value());
    if (hops == 40)
      return Failed(ELOOP);
    path = link.is_absolute() ? link : (path.parent_path() / link).lexically_normal();
  }
  if (path.filename().empty())
    return Failed(EISDIR);
  const std::string target = path.string();
  const fs::path folder = path.has_parent_path() ? path.parent_path() : fs::path(".");

  struct stat old {};
  bool exists = (followLink ? stat(target.c_str(), &old) : lstat(target.c_str(), &old)) == 0;
  if (!exists && errno != ENOENT)
    return Failed(errno);
  // A link that is not followed is replaced by the new file, like a missing one.
  if (exists && S_ISLNK(old.st_mode))
    exists = false;
  if (exists && !S_ISREG(old.st_mode))
    return Failed(S_ISDIR(old.st_mode) ? EISDIR : EINVAL);
  if (exists && faccessat(AT_FDCWD, target.c_str(), W_OK, AT_EACCESS) != 0)
    return Failed(errno);

  RemoveAbandoned(folder, path.filename().string());
  std::string temp = (folder / ReplaceTempName(path.filename().string(), getpid())).string();
  const int fd = mkostemp(temp.data(), O_CLOEXEC);
  if (fd < 0)
    return Failed(errno);

  TReplaceResult result;
  int error = 0;
  auto step = [&error](bool ok) {
    if (!ok && error == 0)
      error = errno ? errno : EIO;
    return ok;
  };
  bool ok = true;
  if (exists) {
    KeepIdentity(fd, target, old, result.Notes);
    ok = step(fchmod(fd, old.st_mode & 07777) == 0);
  } else {
    const mode_t mask = umask(0);
    umask(mask);
    ok = step(fchmod(fd, 0666 & ~mask) == 0);
  }
  ok = ok && step(WriteAll(fd, bytes));
  ok = ok && step(fsync(fd) == 0);
  ok = step(close(fd) == 0) && ok;
  ok = ok && step(rename(temp.c_str(), target.c_str()) == 0);
  if (!ok) {
    unlink(temp.c_str());
    return Failed(error);
  }
  // The rename itself reaches the disk with the folder; the file is in place either way.
  if (const int dir = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC); dir >= 0) {
    fsync(dir);
    close(dir);
  }
  result.Ok = true;
  return result;
}
