// zu-logservice: the shared log service. Owns the bus names "OBU_LogSystem.Service_Info",
// "OBU_LogSystem.Service_Config" and "OBU_LogSystem.Service_Work" on the session bus, remembers
// every program that registers with it and writes each program's messages to a file of its own.

#include "logservice/unLogService.h"

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <optional>
#include <string>
#include <systemd/sd-bus.h>
#include <unistd.h>
#include <vector>

namespace {

const char* const Usage =
    "Usage: zu-logservice [--foreground] [--dir DIR]\n"
    "\n"
    "The shared log service of ZU Programming. Programs register with it on the session bus\n"
    "(OBU_LogSystem.Service_Info, .Service_Config, .Service_Work) and send it their messages;\n"
    "each program's messages go to DIR/NAME.log, moved to NAME.log.old above 500000 bytes.\n"
    "\n"
    "  --foreground  stay in the foreground (the default is to go to the background once the\n"
    "                bus names are owned)\n"
    "  --dir DIR     the folder of the files (default: $XDG_STATE_HOME/zu-logservice, or\n"
    "                ~/.local/state/zu-logservice)\n"
    "  --help        show this text\n"
    "\n"
    "Exit codes: 0 stopped normally, 2 wrong command line, 3 the bus names are taken by another\n"
    "process, 4 no session bus.\n";

const char* const Names[] = {"OBU_LogSystem.Service_Info", "OBU_LogSystem.Service_Config",
                             "OBU_LogSystem.Service_Work"};

volatile std::sig_atomic_t Stop = 0;

void OnSignal(int) {
  Stop = 1;
}

TLogService* Service = nullptr;

int RegisterClient(sd_bus_message* m, void*, sd_bus_error*) {
  std::int32_t id = 0;
  const char* name = nullptr;
  const int r = sd_bus_message_read(m, "is", &id, &name);
  if (r < 0)
    return r;
  const char* sender = sd_bus_message_get_sender(m);
  const std::optional<std::int32_t> answer =
      Service->RegisterClient(sender ? sender : "", id, name ? name : "");
  if (!answer)
    return sd_bus_reply_method_errorf(m, "OBU_LogSystem.Error.TooManyClients",
                                      "one connection may register at most %zu names",
                                      TLogService::MaxNamesPerConnection);
  return sd_bus_reply_method_return(m, "i", *answer);
}

int ToLog(sd_bus_message* m, void*, sd_bus_error*) {
  std::int32_t type = 0, group = 0;
  const char* text = nullptr;
  const int r = sd_bus_message_read(m, "iis", &type, &group, &text);
  if (r < 0)
    return r;
  const char* sender = sd_bus_message_get_sender(m);
  Service->ToLog(sender ? sender : "", type, group, text ? text : "");
  // A caller that asked for no reply gets none.
  return sd_bus_reply_method_return(m, "");
}

int OwnerChanged(sd_bus_message* m, void*, sd_bus_error*) {
  const char *name = nullptr, *before = nullptr, *after = nullptr;
  if (sd_bus_message_read(m, "sss", &name, &before, &after) >= 0 && name && name[0] == ':' &&
      after && !*after)
    Service->Forget(name);
  return 0;
}

const sd_bus_vtable Methods[] = {
    SD_BUS_VTABLE_START(0),
    SD_BUS_METHOD("RegisterClient", "is", "i", RegisterClient, SD_BUS_VTABLE_UNPRIVILEGED),
    SD_BUS_METHOD("ToLog", "iis", "", ToLog, SD_BUS_VTABLE_UNPRIVILEGED), SD_BUS_VTABLE_END};

// Owns the names and serves until a signal stops it; the exit code. ready is told "ok" or the
// reason, once.
int Serve(const std::string& folder, int ready) {
  auto tell = [ready](const std::string& text) {
    if (ready >= 0) {
      (void)!write(ready, text.data(), text.size());
      close(ready);
    }
  };
  TLogService service(folder);
  Service = &service;
  sd_bus* bus = nullptr;
  if (sd_bus_open_user(&bus) < 0) {
    tell("no session bus\n");
    return 4;
  }
  for (const char* name : Names) {
    std::string path = std::string("/") + name;
    for (char& c : path)
      if (c == '.')
        c = '/';
    sd_bus_add_object_vtable(bus, nullptr, path.c_str(), name, Methods, nullptr);
  }
  sd_bus_match_signal(bus, nullptr, "org.freedesktop.DBus", "/org/freedesktop/DBus",
                      "org.freedesktop.DBus", "NameOwnerChanged", OwnerChanged, nullptr);
  for (const char* name : Names) {
    const int r = sd_bus_request_name(bus, name, 0);
    if (r < 0) {
      tell(std::string("the bus name ") + name + " is taken: " + std::strerror(-r) + "\n");
      sd_bus_flush_close_unref(bus);
      return 3;
    }
  }
  tell("ok\n");
  std::signal(SIGTERM, OnSignal);
  std::signal(SIGINT, OnSignal);
  // Lines are gathered and written at the latest TLogService::FlushDelay after they came in, so
  // that a flood of messages costs one write per file and round instead of one per message.
  while (!Stop) {
    const int r = sd_bus_process(bus, nullptr);
    if (r < 0)
      break;
    const auto due = service.FlushDue();
    const auto now = TLogService::TClock::now();
    if (due && now >= *due)
      service.Flush();
    if (r > 0)
      continue;
    std::uint64_t waitUs = 500000;
    if (due && *due > now)
      waitUs = static_cast<std::uint64_t>(
                   std::chrono::duration_cast<std::chrono::microseconds>(*due - now).count()) +
               1;
    sd_bus_wait(bus, waitUs);
  }
  service.Flush();
  sd_bus_flush_close_unref(bus);
  return 0;
}

} // namespace

int main(int argc, char** argv) {
  bool foreground = false;
  std::string folder;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--help" || arg == "-h") {
      std::fputs(Usage, stdout);
      return 0;
    }
    if (arg == "--foreground") {
      foreground = true;
    } else if (arg == "--dir" && i + 1 < argc) {
      folder = argv[++i];
    } else {
      std::fputs(Usage, stderr);
      return 2;
    }
  }
  if (folder.empty())
    folder = DefaultLogServiceFolder();
  if (foreground) {
    const int code = Serve(folder, -1);
    if (code == 3)
      std::fprintf(stderr, "zu-logservice: the bus names are taken by another process\n");
    else if (code == 4)
      std::fprintf(stderr, "zu-logservice: no session bus\n");
    return code;
  }
  // In the background once the names are owned; what went wrong is told here first.
  int pipeFds[2];
  if (pipe(pipeFds) != 0)
    return 4;
  const pid_t child = fork();
  if (child == 0) {
    close(pipeFds[0]);
    setsid();
    return Serve(folder, pipeFds[1]);
  }
  close(pipeFds[1]);
  char answer[512] = {};
  const ssize_t n = read(pipeFds[0], answer, sizeof answer - 1);
  const std::string text = n > 0 ? std::string(answer, static_cast<std::size_t>(n)) : "";
  if (text == "ok\n")
    return 0;
  std::fprintf(stderr, "zu-logservice: %s", text.empty() ? "failed to start\n" : text.c_str());
  return text.find("taken") != std::string::npos ? 3 : 4;
}
