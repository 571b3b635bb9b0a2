#include "log/unLogFile.h"

#include "platform/unExeFolder.h"
#include "platform/unStrings.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <mutex>
#include <set>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

bool ForceFolders(const std::string& path) {
  if (path.empty())
    return true;
  std::string folder = path;
  if (folder.back() == '/')
    folder.pop_back();
  std::error_code ec;
  if (folder.size() <= 1 || fs::is_directory(folder, ec))
    return true;
  const std::size_t slash = folder.rfind('/');
  const std::string parent = slash == std::string::npos ? std::string() : folder.substr(0, slash);
  if (parent == folder)
    return true;
  if (!ForceFolders(parent))
    return false;
  return mkdir(folder.c_str(), 0777) == 0 || fs::is_directory(folder, ec);
}

const char* LogLineLabel(int typeOrdinal) {
  switch (typeOrdinal) {
  case ltNone:
    return " ";
  case ltError:
    return " ERROR   ";
  case ltWarning:
    return " WARNING ";
  case ltInformation:
    return " INFO    ";
  default:
    return " UNCNOWN ";
  }
}

bool WriteLogLine(TLogTypeMessage type, const std::string& message, std::string fileName,
                  std::string oldFileName) {
  try {
    if (fileName.empty())
      fileName = ExeBaseName() + ".log";
    if (oldFileName.empty())
      oldFileName = fileName + ".old";
    for (std::string* name : {&fileName, &oldFileName})
      if (name->find('/') == std::string::npos)
        *name = ExeFolder() + *name;
    return AppendLogLine(fileName, oldFileName,
                         FormatFileLineTime(Now()) + LogLineLabel(type) + message);
  } catch (...) {
    return false;
  }
}

namespace {

// Files whose rotation failed and was already reported by this process.
std::mutex ReportedLock;
std::set<std::string> Reported;

// True the first time a failed rotation of the file is seen by this process.
bool FirstFailureOf(const std::string& fileName) {
  std::lock_guard<std::mutex> guard(ReportedLock);
  return Reported.insert(fileName).second;
}

bool WriteAll(int fd, const std::string& text) {
  std::size_t done = 0;
  while (done < text.size()) {
    const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
    if (n < 0 && errno == EINTR)
      continue;
    if (n <= 0)
      return false;
    done += static_cast<std::size_t>(n);
  }
  return true;
}

// The log file opened for appending, never through a symbolic link; -1 when it cannot be.
int OpenForAppend(const std::string& fileName) {
  const int fd =
      ::open(fileName.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0666);
  if (fd < 0)
    return -1;
  struct stat info {};
  if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
    ::close(fd);
    return -1;
  }
  return fd;
}

enum class TRotation { None, Rotated, Failed };

// Moves the open file to the old name when it is above the limit. The exclusive lock on the file
// makes one writer rotate while the others wait; a writer that finds the name moved meanwhile
// opens the new file.
TRotation RotateIfFull(int fd, const std::string& fileName, const std::string& oldFileName,
                       int& error) {
  struct stat open {};
  if (::fstat(fd, &open) != 0 || open.st_size <= LogFileLimit)
    return TRotation::None;
  while (::flock(fd, LOCK_EX) != 0 && errno == EINTR) {
  }
  struct stat named {};
  TRotation result = TRotation::None;
  if (::lstat(fileName.c_str(), &named) != 0 || named.st_ino != open.st_ino ||
      named.st_dev != open.st_dev) {
    result = TRotation::Rotated; // another writer moved it; write into the new file
  } else if (::fstat(fd, &open) == 0 && open.st_size > LogFileLimit) {
    result = TRotation::Rotated;
    if (::rename(fileName.c_str(), oldFileName.c_str()) != 0) {
      error = errno;
      result = TRotation::Failed;
    }
  }
  ::flock(fd, LOCK_UN);
  return result;
}

} // namespace

std::string OneLine(std::string text) {
  for (char& c : text)
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f)
      c = ' ';
  return text;
}

bool AppendLogLine(const std::string& fileName, const std::string& oldFileName,
                   const std::string& line) {
  try {
    return AppendLogText(fileName, oldFileName, OneLine(line) + "\r\n");
  } catch (...) {
    return false;
  }
}

bool AppendLogText(const std::string& fileName, const std::string& oldFileName,
                   const std::string& text) {
  // A rotation by another writer between our open and our lock sends us to the new file; a
  // few rounds settle it.
  for (int round = 0; round < 4; ++round) {
    const int fd = OpenForAppend(fileName);
    if (fd < 0)
      return false;
    int error = 0;
    const TRotation rotation = RotateIfFull(fd, fileName, oldFileName, error);
    if (rotation == TRotation::Rotated && round < 3) {
      ::close(fd);
      continue;
    }
    std::string failure;
    if (rotation == TRotation::Failed && FirstFailureOf(fileName))
      failure = FormatFileLineTime(Now()) + LogLineLabel(ltError) +
                OneLine("Gen: Журнал \"" + fileName + "\" не перенесён в \"" + oldFileName +
                        "\": " + std::strerror(error) + "; запись продолжается в него") +
                "\r\n";
    const bool written = WriteAll(fd, failure.empty() ? text : failure + text);
    return ::close(fd) == 0 && written;
  }
  return false;
}

TLogFileText::TLogFileText(const std::u16string& fileName)
    : TLogDocument(lFile, u"", nullptr), FileName(fileName) {
  const std::string name = Utf16ToUtf8(FileName);
  const std::size_t slash = name.rfind('/');
  if (slash != std::string::npos)
    ForceFolders(name.substr(0, slash + 1));
}

bool TLogFileText::AddToLog(TLogGroupMessage group, TLogTypeMessage type, const std::string& format,
                            const TLogArgs& args) {
  const std::string message =
      std::string(LogGroupAbbreviation(group, "")) + ": " + FormatLogOrAsIs(format, args);
  const std::string name = Utf16ToUtf8(FileName);
  WriteLogLine(type, message, name, name + ".old");
  return true;
}

std::int32_t TLogFileText::AddToLogW(TLogGroupMessage group, TLogTypeMessage type,
                                     const std::u16string& format, const TLogArgs& args) {
  AddToLog(group, type, Utf16ToUtf8(format), args);
  return 1;
}
