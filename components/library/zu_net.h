/* What the network components share: a monotonic clock in milliseconds, addresses from a host
 * and a port, and the pace of attempts to reach a peer that is gone. */
#ifndef ZU_NET_H
#define ZU_NET_H

#include <netdb.h>
#include <stdio.h>
#include <string.h>
#include <sys/socket.h>
#include <time.h>

/* How long a component waits between two attempts to reach its peer. */
#define ZU_RETRY_MS 1000

static inline long long ZU_NowMs(void) {
  struct timespec t;
  clock_gettime(CLOCK_MONOTONIC, &t);
  return (long long)t.tv_sec * 1000 + t.tv_nsec / 1000000;
}

/* The address of host (a number, or a name the system resolves) and port for a socket of the
 * type; 0 when there is none. */
static inline int ZU_Address(const char* host, int port, int type, struct sockaddr_storage* address,
                             socklen_t* length) {
  char service[16];
  snprintf(service, sizeof service, "%d", port);
  struct addrinfo hints;
  memset(&hints, 0, sizeof hints);
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = type;
  struct addrinfo* found = NULL;
  if (port <= 0 || port > 65535 ||
      getaddrinfo(host[0] ? host : "127.0.0.1", service, &hints, &found) != 0 || !found)
    return 0;
  memcpy(address, found->ai_addr, found->ai_addrlen);
  *length = found->ai_addrlen;
  freeaddrinfo(found);
  return 1;
}

#endif
