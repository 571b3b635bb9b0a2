#pragma once

#include "log/unClient_LogSystem.h"

#include <memory>

// The log document of the external log service: every message goes to its work service.
class TLogSystem : public TLogDocument {
public:
  // Connects the work service with the log ID and name; without it every message answers -1.
  TLogSystem(std::int32_t logId, const std::string& logName);

  // 1 when the message was handed to the service, -1 otherwise.
  std::int32_t AddToLogW(TLogGroupMessage group, TLogTypeMessage type, const std::u16string& format,
                         const TLogArgs& args) override;
  // Goes through AddToLog (and so only to OnAddToLog); none.
  TLogNode* AddNode(TLogTypeMessage type, const std::string& text, std::int32_t parentId,
                    std::int32_t id) override;

  const TClient_LogSystem* GetClient() const { return Client.get(); }

protected:
  ~TLogSystem() override = default;

private:
  std::unique_ptr<TClient_LogSystem> Client;
};
