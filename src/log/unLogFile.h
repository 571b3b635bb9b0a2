#pragma once

#include "log/unLogGlobals.h"

#include <string>

// Files above this many bytes are moved to their ".old" copy before the next line.
inline constexpr long long LogFileLimit = 500000;

// Creates the folder and the folders above it as needed; true when it exists afterwards (an empty
// path too).
bool ForceFolders(const std::string& path);

// Appends one line to the log file: the time (year.month.day hours:minutes:seconds:milliseconds),
// the type's label and the message, in UTF-8 with CR LF. A file above LogFileLimit bytes first
// becomes the old file. An empty file name means the executable's name with ".log", an empty old
// name the file name with ".old"; a name without a folder lies in the executable's folder. The
// file is opened and closed for the line. False, never an exception, when the line is lost.
bool WriteLogLine(TLogTypeMessage type, const std::string& message, std::string fileName,
                  std::string oldFileName);

// Appends the line and CR LF to the file in one write, so that writers in several processes never
// mix or lose lines. A file above LogFileLimit bytes is first renamed to the old name under a lock
// on the file; when that fails the line goes on into the file and the failure is written into it
// once per process. The file is opened and closed for the line, never through a symbolic link.
// Control characters in the line (CR, LF, TAB, ...) become spaces. False when the line is lost.
bool AppendLogLine(const std::string& fileName, const std::string& oldFileName,
                   const std::string& line);

// Appends whole lines (each already one line, CR LF ended) as AppendLogLine appends one.
bool AppendLogText(const std::string& fileName, const std::string& oldFileName,
                   const std::string& text);

// The text with every control character replaced by a space.
std::string OneLine(std::string text);

// The label of a type ordinal in a file line.
const char* LogLineLabel(int typeOrdinal);

// A document that writes every message as a line of a text file.
class TLogFileText : public TLogDocument {
public:
  // Creates the file's folder when it is missing.
  explicit TLogFileText(const std::u16string& fileName);

  // Writes group abbreviation, ": " and the filled format (the format as it stands when it does
  // not fit its arguments); true even when the line was lost.
  bool AddToLog(TLogGroupMessage group, TLogTypeMessage type, const std::string& format,
                const TLogArgs& args) override;
  // As AddToLog; 1.
  std::int32_t AddToLogW(TLogGroupMessage group, TLogTypeMessage type, const std::u16string& format,
                         const TLogArgs& args) override;

  std::u16string FileName;

protected:
  ~TLogFileText() override = default;
};
