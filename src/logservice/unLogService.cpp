#include "logservice/unLogService.h"

#include "log/unLogFile.h"
#include "log/unLogGlobals.h"

#include <cstdio>
#include <cstdlib>

namespace {

// Encoded names longer than this keep their start and get a hash, so that the name, ".log" and
// ".old" stay within the file system's 255 bytes.
constexpr std::size_t MaxEncodedName = 200;

bool Plain(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' ||
         c == '_' || c == '.';
}

// 64-bit FNV-1a.
std::uint64_t Hash(const std::string& text) {
  std::uint64_t h = 14695981039346656037ull;
  for (unsigned char c : text) {
    h ^= c;
    h *= 1099511628211ull;
  }
  return h;
}

// The text cut to at most limit bytes without splitting a UTF-8 sequence.
std::size_t CutPoint(const std::string& text, std::size_t limit) {
  std::size_t at = limit;
  while (at > 0 && (static_cast<unsigned char>(text[at]) & 0xC0) == 0x80)
    --at;
  return at;
}

} // namespace

TLogService::TLogService(std::string folder) : Folder(std::move(folder)) {
  if (!Folder.empty() && Folder.back() != '/')
    Folder += '/';
  ForceFolders(Folder);
  Unregistered = {0, "unregistered", FileOf("unregistered")};
}

TLogService::~TLogService() {
  Flush();
}

std::optional<std::int32_t> TLogService::RegisterClient(const std::string& connection,
                                                        std::int32_t id, const std::string& name) {
  std::set<std::string>& names = NamesOf[connection];
  if (!names.contains(name)) {
    if (names.size() >= MaxNamesPerConnection)
      return std::nullopt;
    names.insert(name);
  }
  Clients[connection] = {id, name, FileOf(name)};
  return id;
}

std::string TLogService::FileOf(const std::string& name) const {
  std::string safe;
  for (std::size_t i = 0; i < name.size(); ++i) {
    const char c = name[i];
    if (Plain(c) && !(i == 0 && c == '.')) {
      safe += c;
    } else {
      char hex[4];
      std::snprintf(hex, sizeof hex, "%%%02X", static_cast<unsigned char>(c));
      safe += hex;
    }
  }
  if (safe.empty())
    safe = "%"; // no other name encodes to a lone "%"
  if (safe.size() > MaxEncodedName) {
    std::size_t keep = MaxEncodedName - 17;
    // Never cut inside a %XX.
    if (safe[keep - 1] == '%')
      keep -= 1;
    else if (keep >= 2 && safe[keep - 2] == '%')
      keep -= 2;
    char hash[20];
    std::snprintf(hash, sizeof hash, "~%016llx", static_cast<unsigned long long>(Hash(name)));
    safe = safe.substr(0, keep) + hash; // '~' never stands for itself in a name
  }
  return Folder + safe + ".log";
}

void TLogService::ToLog(const std::string& connection, std::int32_t type, std::int32_t group,
                        const std::string& text) {
  const auto it = Clients.find(connection);
  const TClient& client = it == Clients.end() ? Unregistered : it->second;
  std::string line = FormatFileLineTime(Now()) + " " + client.Name + "[" +
                     std::to_string(client.Id) + "] " + LogTypeAbbreviation(type, "?") + " " +
                     LogGroupAbbreviation(group, "?") + ": ";
  if (text.size() > MaxMessageBytes) {
    line += text.substr(0, CutPoint(text, MaxMessageBytes));
    line += " [... сообщение обрезано: " + std::to_string(text.size()) + " байт]";
  } else {
    line += text;
  }
  // One message, one line, whatever the client sends.
  line = OneLine(std::move(line)) + "\r\n";
  Gathered[client.File] += line;
  GatheredBytes += line.size();
  if (!FirstGathered)
    FirstGathered = TClock::now();
  if (GatheredBytes > MaxGatheredBytes)
    Flush();
}

bool TLogService::Flush() {
  bool ok = true;
  for (auto& [file, text] : Gathered)
    ok = AppendLogText(file, file + ".old", text) && ok;
  Gathered.clear();
  GatheredBytes = 0;
  FirstGathered.reset();
  return ok;
}

std::optional<TLogService::TClock::time_point> TLogService::FlushDue() const {
  if (!FirstGathered)
    return std::nullopt;
  return *FirstGathered + FlushDelay;
}

void TLogService::Forget(const std::string& connection) {
  Clients.erase(connection);
  NamesOf.erase(connection);
}

std::string DefaultLogServiceFolder() {
  const char* state = std::getenv("XDG_STATE_HOME");
  if (state && *state)
    return std::string(state) + "/zu-logservice/";
  const char* home = std::getenv("HOME");
  return std::string(home && *home ? home : ".") + "/.local/state/zu-logservice/";
}
