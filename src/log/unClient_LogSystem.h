#pragma once

#include "log/unLogGlobals.h"

#include <cstdint>
#include <memory>
#include <string>

class TAutomationObject;

// The connection to the external log service: up to three service objects, each registered once
// with the log ID and name when it is connected. Connected or not is decided at construction.
class TClient_LogSystem {
public:
  static constexpr std::uint8_t InfoBit = 2;
  static constexpr std::uint8_t ConfigBit = 4;
  static constexpr std::uint8_t WorkBit = 8;

  // Connects the services whose bits are set, in the order info, config, work; a service that is
  // missing, fails to start or rejects "RegisterClient" stays unconnected.
  TClient_LogSystem(std::uint8_t services, std::int32_t logId, const std::string& logName);
  ~TClient_LogSystem();
  TClient_LogSystem(const TClient_LogSystem&) = delete;
  TClient_LogSystem& operator=(const TClient_LogSystem&) = delete;

  // Sends the filled format to the work service without waiting; false when it is not connected,
  // the format does not fit its arguments or the message cannot be sent.
  bool Log(TLogGroupMessage group, TLogTypeMessage type, const std::string& format,
           const TLogArgs& args);

  bool HasInfo() const { return InfoService != nullptr; }
  bool HasConfig() const { return ConfigService != nullptr; }
  bool HasWork() const { return WorkService != nullptr; }

private:
  std::unique_ptr<TAutomationObject> InfoService;
  std::unique_ptr<TAutomationObject> WorkService;
  std::unique_ptr<TAutomationObject> ConfigService;
};
