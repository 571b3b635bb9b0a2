/* Behaves in the component host; anywhere else it crashes at once, and it always leaves a thread
 * that crashes its process ZU_TEST_BOMB_MS (default 3000) milliseconds after the description, or,
 * with ZU_TEST_BOMB_FILE, as soon as that file exists. */
#define _GNU_SOURCE
#include "test_component.h"

#include <dlfcn.h>
#include <pthread.h>
#include <string.h>
#include <time.h>
#include <unistd.h>

static void* Bomb(void* unused) {
  (void)unused;
  const char* file = getenv("ZU_TEST_BOMB_FILE");
  if (file) {
    const struct timespec poll = {0, 2000000L};
    for (int i = 0; i < 15000 && access(file, F_OK) != 0; ++i)
      nanosleep(&poll, NULL);
    volatile int* nowhere = 0;
    *nowhere = 1;
  }
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
  // The library stays mapped after the host lets it go: the thread runs on until its time.
  Dl_info self;
  if (dladdr((void*)Bomb, &self) && self.dli_fname)
    dlopen(self.dli_fname, RTLD_NOW | RTLD_NODELETE);
  pthread_t thread;
  if (pthread_create(&thread, NULL, Bomb, NULL) == 0)
    pthread_detach(thread);
  FillInfo(info, version, "NotInEditor");
  return ZU_TRUE;
}
TEST_STANDARD_RUN
