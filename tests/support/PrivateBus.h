#pragma once

#include "platform/unAutomation.h"
#include "xml/XmlTestSupport.h"

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <string>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

// Where the build put the log service and its activation files, unless the includer says.
#ifndef ZU_LOGSERVICE
#define ZU_LOGSERVICE ""
#endif
#ifndef ZU_DBUS_SERVICES
#define ZU_DBUS_SERVICES ""
#endif

// A session bus of the test's own, the process's session bus while it lives; with activation,
// the build's service files let the bus start the log service itself (writing under state).
class TPrivateBus {
public:
  TPrivateBus(const TTempFolder& folder, bool activation,
              const std::string& services = ZU_DBUS_SERVICES) {
    const std::string config = (folder.Path / "bus.conf").string();
    WriteBytes(Utf8ToUtf16(config),
               "<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN\""
               " \"http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd\"><busconfig>"
               "<type>session</type><listen>unix:tmpdir=/tmp</listen><auth>EXTERNAL</auth>" +
                   (activation ? "<servicedir>" + services + "</servicedir>" : std::string()) +
                   "<policy context=\"default\"><allow send_destination=\"*\" eavesdrop=\"true\"/>"
                   "<allow eavesdrop=\"true\"/><allow own=\"*\"/></policy></busconfig>");
    int fds[2];
    if (pipe(fds) != 0)
      return;
    Pid = fork();
    if (Pid == 0) {
      // A test that dies leaves no bus behind (holding the runner's output open).
      prctl(PR_SET_PDEATHSIG, SIGKILL);
      close(fds[0]);
      setenv("XDG_STATE_HOME", (folder.Path / "state").c_str(), 1);
      const std::string fd = "--print-address=" + std::to_string(fds[1]);
      execlp("dbus-daemon", "dbus-daemon", ("--config-file=" + config).c_str(), "--nofork",
             fd.c_str(), nullptr);
      _exit(127);
    }
    close(fds[1]);
    char buf[512] = {};
    std::string address;
    for (ssize_t n;
         address.find('\n') == std::string::npos && (n = read(fds[0], buf, sizeof buf)) > 0;)
      address.append(buf, static_cast<std::size_t>(n));
    close(fds[0]);
    address = address.substr(0, address.find('\n'));
    Started = !address.empty();
    setenv("DBUS_SESSION_BUS_ADDRESS", address.c_str(), 1);
  }
  bool Started = false;
  ~TPrivateBus() {
    kill(Pid, SIGTERM);
    waitpid(Pid, nullptr, 0);
    unsetenv("DBUS_SESSION_BUS_ADDRESS");
  }

private:
  pid_t Pid = -1;
};

// zu-logservice in the foreground, writing into a folder; ready once its work name answers.
class TServiceProcess {
public:
  explicit TServiceProcess(const std::string& folder, const char* program = ZU_LOGSERVICE) {
    Pid = fork();
    if (Pid == 0) {
      prctl(PR_SET_PDEATHSIG, SIGKILL);
      execl(program, program, "--foreground", "--dir", folder.c_str(), nullptr);
      _exit(127);
    }
    using namespace std::chrono_literals;
    using TClock = std::chrono::steady_clock;
    for (auto end = TClock::now() + 3s; TClock::now() < end; std::this_thread::sleep_for(10ms))
      if (TAutomationObject::Create("OBU_LogSystem.Service_Work"))
        return;
    Failed = true;
  }
  ~TServiceProcess() { Stop(); }
  void Kill() {
    if (Pid > 0) {
      kill(Pid, SIGKILL);
      waitpid(Pid, nullptr, 0);
      Pid = -1;
    }
  }
  void Stop() {
    if (Pid > 0) {
      kill(Pid, SIGTERM);
      waitpid(Pid, &Status, 0);
      Pid = -1;
    }
  }
  int Status = 0;
  bool Failed = false; // it did not come up within 3 s

private:
  pid_t Pid = -1;
};
