/* A TCP client of lines: sends a line when its text changes, gives the last line received. */
#include "zu_component.h"
#include "zu_net.h"

#include <errno.h>
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

static const TZUParamDesc In[] = {
    {0, "Host", "Узел", "The server's name or address (127.0.0.1 when unset)", "string"},
    {1, "Port", "Порт", "The server's port", "int"},
    {2, "Send", "Отправить", "A line sent whenever it changes (not when empty)", "string"},
};
static const TZUParamDesc Out[] = {
    {0, "Line", "Строка", "The last line received, without its line break", "string"},
    {1, "Received", "Получено", "True on a tick a line came", "bool"},
    {2, "Connected", "Подключено", "True while the connection is up", "bool"},
};
ZU_LIBRARY_COMPONENT("TcpClient", "TCP-клиент", "Sends and receives lines over TCP")
ZU_CATEGORY("Network")

enum { MaxLine = 4096 };

typedef struct TClient {
  int Fd;
  int Connecting, Connected;
  TZUPeer Peer;
  char* Sent;
  char Buffer[MaxLine];
  size_t Used;
  char Line[MaxLine];
} TClient;

static void* Create(BSTR constants, char* error, size_t errorSize) {
  (void)constants;
  (void)error;
  (void)errorSize;
  TClient* c = (TClient*)calloc(1, sizeof(TClient));
  if (c) {
    c->Fd = -1;
    ZU_PeerInit(&c->Peer);
  }
  return c;
}

static void Close(TClient* c) {
  if (c->Fd >= 0)
    close(c->Fd);
  c->Fd = -1;
  c->Connecting = c->Connected = 0;
  c->Used = 0;
  free(c->Sent);
  c->Sent = NULL; /* a new connection is told the line again */
}

static void Destroy(void* state) {
  Close((TClient*)state);
  free(state);
}

static void Connect(TClient* c) {
  struct sockaddr_storage address;
  socklen_t length = 0;
  if (!ZU_Address(c->Peer.Host, c->Peer.Port, SOCK_STREAM, &address, &length))
    return;
  c->Fd = socket(address.ss_family, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
  if (c->Fd < 0)
    return;
  if (connect(c->Fd, (struct sockaddr*)&address, length) == 0)
    c->Connected = 1;
  else if (errno == EINPROGRESS)
    c->Connecting = 1;
  else
    Close(c);
}

static int Step(void* state, BSTR inputs, ZU_Values* out, char* error, size_t errorSize) {
  (void)error;
  (void)errorSize;
  TClient* c = (TClient*)state;
  if (ZU_PeerRead(&c->Peer, inputs, 0))
    Close(c);
  if (c->Fd < 0 && ZU_PeerDue(&c->Peer))
    Connect(c);
  if (c->Connecting) {
    struct pollfd p = {c->Fd, POLLOUT, 0};
    if (poll(&p, 1, 0) > 0) {
      int problem = 0;
      socklen_t size = sizeof problem;
      getsockopt(c->Fd, SOL_SOCKET, SO_ERROR, &problem, &size);
      c->Connecting = 0;
      if (problem == 0)
        c->Connected = 1;
      else
        Close(c);
    }
  }
  int received = 0;
  if (c->Connected) {
    char* send = ZU_ValueUtf8Copy(inputs, "Send");
    if (send && send[0] && (!c->Sent || strcmp(send, c->Sent) != 0)) {
      const size_t n = strlen(send);
      send[n] = '\n';
      /* A line that does not go whole now is sent again on the next tick. */
      if (write(c->Fd, send, n + 1) == (ssize_t)(n + 1)) {
        send[n] = 0;
        free(c->Sent);
        c->Sent = send;
        send = NULL;
      }
    }
    free(send);
    for (;;) {
      const ssize_t n = read(c->Fd, c->Buffer + c->Used, sizeof c->Buffer - c->Used);
      if (n == 0 || (n < 0 && errno != EAGAIN && errno != EINTR)) {
        Close(c);
        break;
      }
      if (n < 0)
        break;
      c->Used += (size_t)n;
      char* end;
      while ((end = memchr(c->Buffer, '\n', c->Used)) != NULL) {
        const size_t len = (size_t)(end - c->Buffer);
        memcpy(c->Line, c->Buffer, len);
        c->Line[len > 0 && c->Line[len - 1] == '\r' ? len - 1 : len] = 0;
        memmove(c->Buffer, end + 1, c->Used - len - 1);
        c->Used -= len + 1;
        received = 1;
      }
      if (c->Used == sizeof c->Buffer)
        c->Used = 0; /* a line longer than the buffer is dropped */
    }
  }
  ZU_PeerTell(&c->Peer, c->Connected, "connected to %s:%d", "connection to %s:%d lost");
  ZU_ValuesText(out, "Line", c->Line);
  ZU_ValuesBool(out, "Received", received);
  ZU_ValuesBool(out, "Connected", c->Connected);
  return 0;
}

ZU_DEFINE_RUNNING_COMPONENT(Component, Create, Step, Destroy)
