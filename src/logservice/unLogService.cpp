#include "logservice/unLogService.h"

#include "log/unLogFile.h"
#include "log/unLogGlobals.h"

#include <cstdlib>

TLogService::TLogService(std::string folder) : Folder(std::move(folder)) {
  if (!Folder.empty() && Folder.back() != '/')
    Folder += '/';
  ForceFolders(Folder);
}

std::int32_t TLogService::RegisterClient(const std::string& connection, std::int32_t id,
                                         const std::string& name) {
  Clients[connection] = {id, name};
  return id;
}

std::string TLogService::FileOf(const std::string& name) const {
  // Only letters, digits and "-_." of the name: a client cannot write outside the folder.
  std::string safe;
  for (char c : name) {
    const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                       c == '-' || c == '_' || c == '.';
    safe += plain ? c : '_';
  }
  if (safe.empty() || safe.front() == '.')
    safe = "_" + safe;
  return Folder + safe + ".log";
}

bool TLogService::ToLog(const std::string& connection, std::int32_t type, std::int32_t group,
                        const std::string& text) {
  const auto it = Clients.find(connection);
  const TClient client = it == Clients.end() ? TClient{0, "unregistered"} : it->second;
  const char* typeText = LogTypeAbbreviation(type, "?");
  const char* groupText = LogGroupAbbreviation(group, "?");
  // One message, one line, whatever the client sends.
  std::string line = text;
  for (char& c : line)
    if (c == '\r' || c == '\n')
      c = ' ';
  const std::string file = FileOf(client.Name);
  return AppendLogLine(file, file + ".old",
                       FormatFileLineTime(Now()) + " " + client.Name + "[" +
                           std::to_string(client.Id) + "] " + typeText + " " + groupText + ": " +
                           line);
}

void TLogService::Forget(const std::string& connection) {
  Clients.erase(connection);
}

std::string DefaultLogServiceFolder() {
  const char* state = std::getenv("XDG_STATE_HOME");
  if (state && *state)
    return std::string(state) + "/zu-logservice/";
  const char* home = std::getenv("HOME");
  return std::string(home && *home ? home : ".") + "/.local/state/zu-logservice/";
}
