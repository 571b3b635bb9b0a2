#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <variant>
#include <vector>

// One argument of a late-bound call: a 32-bit integer or a (UTF-8) string.
using TAutomationArg = std::variant<std::int32_t, std::string>;

// A late-bound object of a service on the session bus, reached by its program identifier: the
// bus name is the identifier, the object path "/" + the identifier with "." as "/", the interface
// the identifier. Creating one (the connection included) and every call that waits for a reply
// take one second at most. Strings that are not valid UTF-8 are sent with each bad byte as
// U+FFFD. Not thread-safe.
class TAutomationObject {
public:
  // Null, with the reason, when the bus cannot be reached or the identifier's service neither
  // runs nor can be started by the bus.
  static std::unique_ptr<TAutomationObject> Create(const std::string& progId,
                                                   std::string* reason = nullptr);
  ~TAutomationObject();
  TAutomationObject(const TAutomationObject&) = delete;
  TAutomationObject& operator=(const TAutomationObject&) = delete;

  // Calls the method and waits for its reply; byRef, when given, is sent first and receives the
  // reply's integer (left as it is when the reply has none). False, with the reason, on an error
  // reply, after the timeout, or once the service has gone.
  bool Call(const std::string& method, const std::vector<TAutomationArg>& args,
            std::int32_t* byRef = nullptr, std::string* reason = nullptr);
  // Sends the call without asking for a reply. False when it cannot be sent, or once the service
  // that answered first has left the bus (it is not looked for again).
  bool Send(const std::string& method, const std::vector<TAutomationArg>& args);

  // Takes in what the bus has sent meanwhile, without waiting; the number of messages. Only the
  // service's own name changes are watched, so an idle program is sent nothing else.
  int TakeIn();

  static constexpr std::uint64_t TimeoutUs = 1000000;

private:
  struct TState;
  explicit TAutomationObject(std::unique_ptr<TState> state);
  std::unique_ptr<TState> State;
};
