/* Behaves in the component host; anywhere else it crashes at once, and it always leaves a thread
 * that crashes its process ZU_TEST_BOMB_MS (default 3000) milliseconds after the description. */
#define _GNU_SOURCE
#include "test_component.h"

#include <pthread.h>
#include <string.h>
#include <time.h>
#include <unistd.h>

static void* Bomb(void* unused) {
  (void)unused;
  const char* ms = getenv("ZU_TEST_BOMB_MS");
  const long wait = ms ? atol(ms) : 3000;
  struct timespec t = {wait / 1000, (wait % 1000) * 1000000L};
  nanosleep(&t, NULL);
  volatile int* nowhere = 0;
  *nowhere = 1;
  return NULL;
}

ZU_EXPORT ZU_BOOL ZU_Plugin_Info(TZUInfo* info, TZUVersion* version) {
  char path[4096] = {0};
  const ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
  const size_t len = n > 0 ? (size_t)n : 0;
  if (len < 9 || strcmp(path + len - 9, "/zu-probe") != 0) {
    volatile int* nowhere = 0;
    *nowhere = 1;
  }
  pthread_t thread;
  if (pthread_create(&thread, NULL, Bomb, NULL) == 0)
    pthread_detach(thread);
  FillInfo(info, version, "NotInEditor");
  return ZU_TRUE;
}
TEST_STANDARD_RUN
