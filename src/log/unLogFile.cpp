#include "log/unLogFile.h"

#include "platform/unExeFolder.h"
#include "platform/unStrings.h"

#include <cstdio>
#include <filesystem>
#include <sys/stat.h>

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

bool AppendLogLine(const std::string& fileName, const std::string& oldFileName,
                   const std::string& line) {
  try {
    std::error_code ec;
    if (fs::is_regular_file(fileName, ec) &&
        static_cast<long long>(fs::file_size(fileName, ec)) > LogFileLimit) {
      fs::remove(oldFileName, ec);
      fs::copy_file(fileName, oldFileName, ec);
      fs::remove(fileName, ec);
    }
    const std::string text = line + "\r\n";
    std::FILE* file = std::fopen(fileName.c_str(), "ab");
    if (!file)
      return false;
    const bool written = std::fwrite(text.data(), 1, text.size(), file) == text.size();
    return std::fclose(file) == 0 && written;
  } catch (...) {
    return false;
  }
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
