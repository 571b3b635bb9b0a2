#include "platform/unAutomation.h"

#include "platform/unStrings.h"

#include <algorithm>
#include <chrono>
#include <systemd/sd-bus.h>

namespace {

// Frees a bus error at the end of its scope.
struct TBusError {
  sd_bus_error Error = SD_BUS_ERROR_NULL;
  ~TBusError() { sd_bus_error_free(&Error); }
  std::string Text(int code) const {
    if (Error.message)
      return Error.message;
    return std::string("D-Bus: ") + std::to_string(-code);
  }
};

struct TMessage {
  sd_bus_message* Message = nullptr;
  ~TMessage() { sd_bus_message_unref(Message); }
};

int AppendArgs(sd_bus_message* m, const std::vector<TAutomationArg>& args) {
  for (const TAutomationArg& arg : args) {
    int r = 0;
    if (const auto* i = std::get_if<std::int32_t>(&arg))
      r = sd_bus_message_append_basic(m, 'i', i);
    else
      r = sd_bus_message_append_basic(m, 's', ValidUtf8(std::get<std::string>(arg)).c_str());
    if (r < 0)
      return r;
  }
  return 0;
}

using TClock = std::chrono::steady_clock;

// Microseconds left until the deadline, at least 1 (0 would mean the library's own default).
std::uint64_t LeftUs(TClock::time_point deadline) {
  const auto left =
      std::chrono::duration_cast<std::chrono::microseconds>(deadline - TClock::now()).count();
  return left > 0 ? static_cast<std::uint64_t>(left) : 1;
}

// Drives the connection (authentication and the bus's greeting) until it is up; false when it
// is not up by the deadline. The library's own limit for this is 90 s.
bool WaitUntilReady(sd_bus* bus, TClock::time_point deadline) {
  for (;;) {
    int r = sd_bus_is_ready(bus);
    if (r != 0)
      return r > 0;
    r = sd_bus_process(bus, nullptr);
    if (r < 0)
      return false;
    if (r > 0)
      continue;
    if (TClock::now() >= deadline)
      return false;
    if (sd_bus_wait(bus, LeftUs(deadline)) < 0)
      return false;
  }
}

} // namespace

struct TAutomationObject::TState {
  sd_bus* Bus = nullptr;
  sd_bus_slot* Watch = nullptr;
  std::string Name, Path, Interface;
  // The unique name of the service's process once it answered; it leaving ends the object.
  std::string Owner;
  bool Gone = false;

  ~TState() {
    sd_bus_slot_unref(Watch);
    // What was sent goes out first; a connection that never came up is not waited for (the
    // library would wait for it for 90 s).
    if (Bus && sd_bus_is_ready(Bus) > 0)
      sd_bus_flush_close_unref(Bus);
    else
      sd_bus_close_unref(Bus);
  }

  // Takes in what the bus has sent (owner changes above all) without waiting; how many
  // messages that was.
  int Pump() {
    int taken = 0;
    while (taken < 64 && sd_bus_process(Bus, nullptr) > 0)
      ++taken;
    return taken;
  }

  void LearnOwner() {
    TBusError error;
    TMessage reply;
    if (sd_bus_call_method(Bus, "org.freedesktop.DBus", "/org/freedesktop/DBus",
                           "org.freedesktop.DBus", "GetNameOwner", &error.Error, &reply.Message,
                           "s", Name.c_str()) < 0)
      return;
    const char* owner = nullptr;
    if (sd_bus_message_read(reply.Message, "s", &owner) >= 0 && owner)
      Owner = owner;
  }

  static int OwnerChanged(sd_bus_message* m, void* data, sd_bus_error*) {
    auto* state = static_cast<TState*>(data);
    const char *name = nullptr, *before = nullptr, *after = nullptr;
    if (sd_bus_message_read(m, "sss", &name, &before, &after) < 0 || !name)
      return 0;
    if (state->Name == name && !state->Owner.empty() && state->Owner == (before ? before : ""))
      state->Gone = true;
    return 0;
  }
};

TAutomationObject::TAutomationObject(std::unique_ptr<TState> state) : State(std::move(state)) {}

TAutomationObject::~TAutomationObject() = default;

std::unique_ptr<TAutomationObject> TAutomationObject::Create(const std::string& progId,
                                                             std::string* reason) {
  auto fail = [&](const std::string& why) {
    if (reason)
      *reason = why;
    return nullptr;
  };
  if (progId.empty())
    return fail("empty program identifier");
  // The connection and every question below share one limit.
  const TClock::time_point deadline = TClock::now() + std::chrono::microseconds(TimeoutUs);
  auto state = std::make_unique<TState>();
  if (const int r = sd_bus_open_user(&state->Bus); r < 0)
    return fail("no session bus: " + std::to_string(-r));
  if (!WaitUntilReady(state->Bus, deadline))
    return fail("the session bus did not answer within a second");
  auto limit = [&] { sd_bus_set_method_call_timeout(state->Bus, LeftUs(deadline)); };
  limit();
  state->Name = progId;
  state->Interface = progId;
  state->Path = "/" + progId;
  std::replace(state->Path.begin(), state->Path.end(), '.', '/');

  // Running now, or startable by the bus?
  TBusError error;
  TMessage reply;
  int has = 0;
  int r = sd_bus_call_method(state->Bus, "org.freedesktop.DBus", "/org/freedesktop/DBus",
                             "org.freedesktop.DBus", "NameHasOwner", &error.Error, &reply.Message,
                             "s", progId.c_str());
  if (r < 0 || sd_bus_message_read(reply.Message, "b", &has) < 0)
    return fail(error.Text(r));
  if (!has) {
    limit();
    TBusError listError;
    TMessage list;
    r = sd_bus_call_method(state->Bus, "org.freedesktop.DBus", "/org/freedesktop/DBus",
                           "org.freedesktop.DBus", "ListActivatableNames", &listError.Error,
                           &list.Message, "");
    bool activatable = false;
    if (r >= 0 && sd_bus_message_enter_container(list.Message, 'a', "s") > 0) {
      const char* name = nullptr;
      while (sd_bus_message_read(list.Message, "s", &name) > 0)
        activatable = activatable || progId == name;
    }
    if (!activatable)
      return fail("service " + progId + " is not on the bus");
  }
  // Only this name's changes: a watch of every name would have the bus queue a signal for each
  // connection made anywhere on it while the program is idle.
  const std::string rule = "type='signal',sender='org.freedesktop.DBus',path='/org/freedesktop/"
                           "DBus',interface='org.freedesktop.DBus',member='NameOwnerChanged',"
                           "arg0='" +
                           progId + "'";
  if (sd_bus_add_match_async(state->Bus, &state->Watch, rule.c_str(), &TState::OwnerChanged,
                             nullptr, state.get()) < 0)
    return fail("cannot watch the service's name");
  if (has) {
    limit();
    state->LearnOwner();
  }
  sd_bus_set_method_call_timeout(state->Bus, TimeoutUs);
  return std::unique_ptr<TAutomationObject>(new TAutomationObject(std::move(state)));
}

bool TAutomationObject::Call(const std::string& method, const std::vector<TAutomationArg>& args,
                             std::int32_t* byRef, std::string* reason) {
  TState& s = *State;
  s.Pump();
  if (s.Gone) {
    if (reason)
      *reason = "the service has left the bus";
    return false;
  }
  TMessage call, reply;
  TBusError error;
  int r = sd_bus_message_new_method_call(s.Bus, &call.Message, s.Name.c_str(), s.Path.c_str(),
                                         s.Interface.c_str(), method.c_str());
  if (r >= 0 && byRef)
    r = sd_bus_message_append_basic(call.Message, 'i', byRef);
  if (r >= 0)
    r = AppendArgs(call.Message, args);
  if (r >= 0)
    r = sd_bus_call(s.Bus, call.Message, TimeoutUs, &error.Error, &reply.Message);
  if (r < 0) {
    if (reason)
      *reason = error.Text(r);
    return false;
  }
  if (byRef) {
    std::int32_t value = 0;
    if (sd_bus_message_read_basic(reply.Message, 'i', &value) > 0)
      *byRef = value;
  }
  // A service the bus started on this call is known from now on.
  if (s.Owner.empty())
    s.LearnOwner();
  return true;
}

int TAutomationObject::TakeIn() {
  return State->Pump();
}

bool TAutomationObject::Send(const std::string& method, const std::vector<TAutomationArg>& args) {
  TState& s = *State;
  s.Pump();
  if (s.Gone)
    return false;
  TMessage call;
  int r = sd_bus_message_new_method_call(s.Bus, &call.Message, s.Name.c_str(), s.Path.c_str(),
                                         s.Interface.c_str(), method.c_str());
  if (r >= 0)
    r = AppendArgs(call.Message, args);
  if (r >= 0)
    r = sd_bus_message_set_expect_reply(call.Message, 0);
  if (r >= 0)
    r = sd_bus_send(s.Bus, call.Message, nullptr);
  // What could not be written at once goes with the next call's pump.
  return r >= 0;
}
