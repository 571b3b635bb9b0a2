#pragma once

#include <cstdint>
#include <map>
#include <string>

// What the log service keeps: the programs registered with it, each by its bus connection, and
// the folder their files go to (one file per program name).
class TLogService {
public:
  explicit TLogService(std::string folder);

  // Remembers (or renames) the client of the connection; the ID.
  std::int32_t RegisterClient(const std::string& connection, std::int32_t id,
                              const std::string& name);
  // Appends the message to the file of the connection's client ("unregistered" when it never
  // registered): the time with milliseconds, name and ID, type and group abbreviations, text.
  // False when the line could not be written.
  bool ToLog(const std::string& connection, std::int32_t type, std::int32_t group,
             const std::string& text);
  // Forgets the client of a connection that has left the bus.
  void Forget(const std::string& connection);

  std::size_t ClientCount() const { return Clients.size(); }
  // The file a client name writes to.
  std::string FileOf(const std::string& name) const;

private:
  struct TClient {
    std::int32_t Id = 0;
    std::string Name;
  };
  std::string Folder;
  std::map<std::string, TClient> Clients;
};

// The service's folder: $XDG_STATE_HOME/zu-logservice/, or ~/.local/state/zu-logservice/.
std::string DefaultLogServiceFolder();
