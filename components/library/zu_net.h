/* What the network components share: a monotonic clock in milliseconds, addresses from a host
 * and a port, and the pace of attempts to reach a peer that is gone. */
#ifndef ZU_NET_H
#define ZU_NET_H

#include "zu_component.h"

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

/* A component's peer: where it is, when the component last reached for it, and whether it was
 * reached then. */
typedef struct TZUPeer {
  char Host[256];
  int Port;
  long long Tried;
  int WasReached;
} TZUPeer;

/* A peer reached for at the first step. */
static inline void ZU_PeerInit(TZUPeer* p) {
  p->Tried = -ZU_RETRY_MS;
}

/* Reads the inputs Host and Port (fallback when it is unset); 1 when they name another peer than
 * before, which is then reached for at once. */
static inline int ZU_PeerRead(TZUPeer* p, BSTR inputs, int fallback) {
  char host[256];
  ZU_ValueUtf8(inputs, "Host", host, sizeof host);
  const int port = (int)ZU_ValueDouble(inputs, "Port", fallback);
  if (strcmp(host, p->Host) == 0 && port == p->Port)
    return 0;
  snprintf(p->Host, sizeof p->Host, "%s", host);
  p->Port = port;
  p->Tried = -ZU_RETRY_MS;
  return 1;
}

/* 1 when it is time to reach for the peer again, the attempt noted. */
static inline int ZU_PeerDue(TZUPeer* p) {
  const long long now = ZU_NowMs();
  if (now - p->Tried < ZU_RETRY_MS)
    return 0;
  p->Tried = now;
  return 1;
}

/* Tells the log when the peer was reached or lost since the last step: came and went are
 * formats of the host and the port. */
static inline void ZU_PeerTell(TZUPeer* p, int reached, const char* came, const char* went) {
  if (reached == p->WasReached)
    return;
  if (reached)
    ZU_Log(ZU_LOG_INFORMATION, came, p->Host, p->Port);
  else
    ZU_Log(ZU_LOG_WARNING, went, p->Host, p->Port);
  p->WasReached = reached;
}

#endif
