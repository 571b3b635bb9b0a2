/* A running component that misbehaves in its step as the environment asks:
 * ZU_TEST_MISBEHAVE = "crash N" (a null write at step N), "hang N" (never returns from step N),
 * "fail N" (returns an error at step N), "abort N" (abort() at step N), "closeblock N" (closes
 * every descriptor of the host's but the standard ones, then never returns), "dup2block N"
 * (puts a new socket over every descriptor but the standard ones, then never returns), "orphan N"
 * (starts a process that keeps the host's descriptors and sleeps, then ends the host with code 7),
 * "setsid N" (starts a process in a session of its own that sleeps, and goes on), "killparent N"
 * (kills the host's parent with SIGKILL, then goes on), "log N" (writes an error, a warning and
 * a note to the program's log, then goes on); steps count from 1 per instance. The
 * processes started write their ids, one per line, to the file ZU_TEST_PID_FILE names. Its input
 * "X" comes out as "Y" (X + 1). */
#include "../../../components/zu_component.h"

#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

static const TZUParamDesc In[] = {{0, "X", "X", "a number", "double"}};
static const TZUParamDesc Out[] = {{0, "Y", "Y", "X + 1", "double"}};
static const TZUComponentDesc Component = {
    "Misbehaves",        "Test component",
    "Used by the tests", "ZU Programming",
    "(c) 2026",          "https://kven.org/zu-programming/tests/",
    {1, 2, 3, 4},        In,
    ZU_COUNT(In),        Out,
    ZU_COUNT(Out)};

/* Starts a process that sleeps for a minute, in a session of its own when asked; its id goes to
 * the pid file. */
static void StartSleeper(int ownSession) {
  const pid_t child = fork();
  if (child == 0) {
    if (ownSession)
      setsid();
    sleep(60);
    _exit(0);
  }
  const char* file = getenv("ZU_TEST_PID_FILE");
  FILE* out = file ? fopen(file, "a") : NULL;
  if (out) {
    fprintf(out, "%d\n", (int)child);
    fclose(out);
  }
}

typedef struct TState {
  long Steps;
} TState;

static void* Create(BSTR constants, char* error, size_t errorSize) {
  (void)constants;
  (void)error;
  (void)errorSize;
  return calloc(1, sizeof(TState));
}

static int Step(void* state, BSTR inputs, ZU_Values* out, char* error, size_t errorSize) {
  TState* s = (TState*)state;
  ++s->Steps;
  const char* how = getenv("ZU_TEST_MISBEHAVE");
  char what[16] = "";
  long at = 0;
  if (how && sscanf(how, "%15s %ld", what, &at) == 2 && s->Steps == at) {
    if (strcmp(what, "crash") == 0) {
      volatile int* nowhere = 0;
      *nowhere = 1;
    } else if (strcmp(what, "hang") == 0) {
      for (;;)
        pause();
    } else if (strcmp(what, "abort") == 0) {
      abort();
    } else if (strcmp(what, "closeblock") == 0) {
      for (int fd = 3; fd < 1024; ++fd)
        close(fd);
      for (;;)
        pause();
    } else if (strcmp(what, "dup2block") == 0) {
      int pair[2];
      if (socketpair(AF_UNIX, SOCK_STREAM, 0, pair) == 0)
        for (int fd = 3; fd < 64; ++fd)
          if (fd != pair[0] && fd != pair[1])
            dup2(pair[0], fd);
      for (;;)
        pause();
    } else if (strcmp(what, "orphan") == 0) {
      StartSleeper(0);
      _exit(7);
    } else if (strcmp(what, "setsid") == 0) {
      StartSleeper(1);
    } else if (strcmp(what, "killparent") == 0) {
      kill(getppid(), SIGKILL);
    } else if (strcmp(what, "log") == 0) {
      ZU_Log(ZU_LOG_ERROR, "error at step %ld", at);
      ZU_Log(ZU_LOG_WARNING, "warning at step %ld", at);
      ZU_Log(ZU_LOG_INFORMATION, "note at step %ld", at);
    } else if (strcmp(what, "fail") == 0) {
      snprintf(error, errorSize, "sensor lost at step %ld", at);
      return 1;
    }
  }
  ZU_ValuesDouble(out, "Y", ZU_ValueDouble(inputs, "X", 0) + 1);
  return 0;
}

ZU_DEFINE_RUNNING_COMPONENT(Component, Create, Step, free)
