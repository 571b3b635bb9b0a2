#pragma once

#include <chrono>
#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>

// What the log service keeps: the programs registered with it, each by its bus connection, and
// the folder their files go to (one file per program name). Lines are gathered in memory and
// written by Flush, which the service calls at the latest FlushDelay after a line came in.
class TLogService {
public:
  using TClock = std::chrono::steady_clock;
  // The most client names (so files) one connection may register.
  static constexpr std::size_t MaxNamesPerConnection = 16;
  // Message text beyond this many bytes is cut, with a mark that says so.
  static constexpr std::size_t MaxMessageBytes = 64 * 1024;
  static constexpr std::chrono::milliseconds FlushDelay{100};
  // Gathered bytes beyond which a file is written at once.
  static constexpr std::size_t MaxGatheredBytes = 1 << 20;

  explicit TLogService(std::string folder);
  ~TLogService();

  // Remembers (or renames) the client of the connection; the ID, or nothing when the connection
  // has already registered MaxNamesPerConnection other names (the client keeps its name).
  std::optional<std::int32_t> RegisterClient(const std::string& connection, std::int32_t id,
                                             const std::string& name);
  // Gathers the message for the file of the connection's client ("unregistered" when it never
  // registered): the time with milliseconds, name and ID, type and group abbreviations, text.
  void ToLog(const std::string& connection, std::int32_t type, std::int32_t group,
             const std::string& text);
  // Forgets the client of a connection that has left the bus.
  void Forget(const std::string& connection);
  // Writes what was gathered; false when a file could not take its lines.
  bool Flush();
  // When Flush is due, or nothing while nothing is gathered.
  std::optional<TClock::time_point> FlushDue() const;

  std::size_t ClientCount() const { return Clients.size(); }
  // The file a client name writes to: letters, digits and "-_." as they are, every other byte as
  // %XX (a leading "." too), so that two names never share a file and no name leaves the folder;
  // a name too long for the file system keeps its start and gets a hash of the whole.
  std::string FileOf(const std::string& name) const;

private:
  struct TClient {
    std::int32_t Id = 0;
    std::string Name;
    std::string File;
  };
  std::string Folder;
  std::map<std::string, TClient> Clients;
  TClient Unregistered;
  // The names each connection has registered.
  std::map<std::string, std::set<std::string>> NamesOf;
  // Lines waiting for their file, by file.
  std::map<std::string, std::string> Gathered;
  std::size_t GatheredBytes = 0;
  std::optional<TClock::time_point> FirstGathered;
};

// The service's folder: $XDG_STATE_HOME/zu-logservice/, or ~/.local/state/zu-logservice/.
std::string DefaultLogServiceFolder();
