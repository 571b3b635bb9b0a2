#include "plugins/unScanJournal.h"

#include "platform/unProgramFolders.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <dirent.h>
#include <fcntl.h>
#include <fstream>
#include <iterator>
#include <unistd.h>

namespace {

// Between the cache file's name and the process id.
constexpr std::string_view Mark = ".asking-";

bool Running(long pid) {
  return kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM;
}

} // namespace

std::string TScanJournal::FileOf(const std::string& cacheFile, long pid) {
  return cacheFile + std::string(Mark) + std::to_string(pid);
}

TScanJournal::~TScanJournal() {
  if (Fd >= 0) {
    close(Fd);
    unlink(Path.c_str());
  }
}

bool TScanJournal::Open(const std::string& cacheFile) {
  if (cacheFile.empty())
    return false;
  if (const std::size_t slash = cacheFile.rfind('/'); slash != std::string::npos && slash > 0)
    MakeFolders(cacheFile.substr(0, slash + 1));
  Path = FileOf(cacheFile, static_cast<long>(getpid()));
  Fd = open(Path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_APPEND | O_CLOEXEC | O_NOFOLLOW, 0600);
  return Fd >= 0;
}

void TScanJournal::Note(int fd, const std::string& file, bool begun) {
  if (fd < 0)
    return;
  std::string record(1, begun ? '+' : '-');
  record += file;
  record += '\0';
  // Short writes of an appending file do not happen for records of this size.
  [[maybe_unused]] const ssize_t written = write(fd, record.data(), record.size());
}

std::vector<std::vector<std::string>> TScanJournal::TakeLeft(const std::string& cacheFile) {
  std::vector<std::vector<std::string>> left;
  if (cacheFile.empty())
    return left;
  const std::size_t slash = cacheFile.rfind('/');
  const std::string folder = slash == std::string::npos ? "." : cacheFile.substr(0, slash + 1);
  const std::string prefix =
      (slash == std::string::npos ? cacheFile : cacheFile.substr(slash + 1)) + std::string(Mark);
  DIR* dir = opendir(folder.c_str());
  if (!dir)
    return left;
  std::vector<std::string> journals;
  while (const dirent* entry = readdir(dir)) {
    const std::string name = entry->d_name;
    if (!name.starts_with(prefix) || name.size() == prefix.size() ||
        name.size() > prefix.size() + 10)
      continue;
    const std::string digits = name.substr(prefix.size());
    if (!std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; }))
      continue;
    const long pid = std::stol(digits);
    if (pid > 0 && pid != static_cast<long>(getpid()) && !Running(pid))
      journals.push_back((slash == std::string::npos ? "" : folder) + name);
  }
  closedir(dir);
  std::sort(journals.begin(), journals.end());
  for (const std::string& journal : journals) {
    std::ifstream in(journal, std::ios::binary | std::ios::ate);
    const std::streamoff size = in ? static_cast<std::streamoff>(in.tellg()) : 0;
    std::string bytes;
    if (in && size > 0 && size <= static_cast<std::streamoff>(TScanJournal::MaxBytes)) {
      in.seekg(0);
      bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    in.close();
    unlink(journal.c_str());
    // Begun and not answered: the files under way when the process ended.
    std::vector<std::string> open;
    for (std::size_t at = 0; at < bytes.size();) {
      const std::size_t end = bytes.find('\0', at);
      if (end == std::string::npos)
        break; // a record cut off by the end
      const std::string file = bytes.substr(at + 1, end - at - 1);
      if (bytes[at] == '+')
        open.push_back(file);
      else if (const auto it = std::find(open.begin(), open.end(), file); it != open.end())
        open.erase(it);
      at = end + 1;
    }
    if (!open.empty())
      left.push_back(std::move(open));
  }
  return left;
}
