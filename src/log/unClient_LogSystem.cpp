#include "log/unClient_LogSystem.h"

#include "platform/unAutomation.h"

namespace {

std::unique_ptr<TAutomationObject> Connect(const char* progId, std::int32_t logId,
                                           const std::string& logName) {
  try {
    auto service = TAutomationObject::Create(progId);
    std::int32_t id = logId; // what the service writes back is not used
    if (service && service->Call("RegisterClient", {logName}, &id))
      return service;
  } catch (...) {
  }
  return nullptr;
}

} // namespace

TClient_LogSystem::TClient_LogSystem(std::uint8_t services, std::int32_t logId,
                                     const std::string& logName) {
  if (services & InfoBit)
    InfoService = Connect("OBU_LogSystem.Service_Info", logId, logName);
  if (services & ConfigBit)
    ConfigService = Connect("OBU_LogSystem.Service_Config", logId, logName);
  if (services & WorkBit)
    WorkService = Connect("OBU_LogSystem.Service_Work", logId, logName);
}

TClient_LogSystem::~TClient_LogSystem() {
  WorkService.reset();
  ConfigService.reset();
  InfoService.reset();
}

bool TClient_LogSystem::Log(TLogGroupMessage group, TLogTypeMessage type, const std::string& format,
                            const TLogArgs& args) {
  if (!WorkService)
    return false;
  try {
    const std::string text = FormatLog(format, args);
    return WorkService->Send(
        "ToLog", {static_cast<std::int32_t>(type), static_cast<std::int32_t>(group), text});
  } catch (...) {
    return false;
  }
}
