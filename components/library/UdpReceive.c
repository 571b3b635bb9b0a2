/* Receives UDP datagrams on a port: gives the last one that came. */
#include "zu_component.h"
#include "zu_net.h"

#include <errno.h>
#include <unistd.h>

static const TZUParamDesc In[] = {
    {0, "Port", "Порт", "The port listened on", "int"},
    {1, "Host", "Адрес", "The address listened on (127.0.0.1 when unset; 0.0.0.0: every one)",
     "string"},
};
static const TZUParamDesc Out[] = {
    {0, "Text", "Текст", "The last datagram received", "any"},
    {1, "Received", "Получено", "True on a tick one or more datagrams came", "bool"},
    {2, "Count", "Количество", "Datagrams received since the start", "int"},
};
ZU_LIBRARY_COMPONENT("UdpReceive", "Приём UDP", "Receives UDP datagrams")
ZU_CATEGORY("Network")

enum { MaxDatagram = 65536 };

typedef struct TReceiver {
  int Fd;
  char Host[256];
  int Port;
  long long Count;
  char Text[MaxDatagram];
} TReceiver;

static void* Create(BSTR constants, char* error, size_t errorSize) {
  (void)constants;
  (void)error;
  (void)errorSize;
  TReceiver* r = (TReceiver*)calloc(1, sizeof(TReceiver));
  if (r)
    r->Fd = -1;
  return r;
}

static void Destroy(void* state) {
  TReceiver* r = (TReceiver*)state;
  if (r->Fd >= 0)
    close(r->Fd);
  free(r);
}

static int Step(void* state, BSTR inputs, ZU_Values* out, char* error, size_t errorSize) {
  TReceiver* r = (TReceiver*)state;
  char host[256];
  ZU_ValueUtf8(inputs, "Host", host, sizeof host);
  const int port = (int)ZU_ValueDouble(inputs, "Port", 0);
  if (r->Fd < 0 || strcmp(host, r->Host) != 0 || port != r->Port) {
    if (r->Fd >= 0)
      close(r->Fd);
    r->Fd = -1;
    snprintf(r->Host, sizeof r->Host, "%s", host);
    r->Port = port;
    struct sockaddr_storage address;
    socklen_t length = 0;
    if (!ZU_Address(host, port, SOCK_DGRAM, &address, &length)) {
      snprintf(error, errorSize, "no address %s:%d to listen on", host, port);
      return 1;
    }
    r->Fd = socket(address.ss_family, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (r->Fd < 0 || bind(r->Fd, (struct sockaddr*)&address, length) != 0) {
      snprintf(error, errorSize, "cannot listen on %s:%d: %s", host[0] ? host : "127.0.0.1", port,
               strerror(errno));
      return 1;
    }
  }
  int received = 0;
  char buffer[MaxDatagram];
  for (;;) {
    const ssize_t n = recv(r->Fd, buffer, sizeof buffer - 1, MSG_DONTWAIT);
    if (n < 0)
      break;
    buffer[n] = 0;
    memcpy(r->Text, buffer, (size_t)n + 1);
    ++r->Count;
    received = 1;
  }
  ZU_ValuesText(out, "Text", r->Text);
  ZU_ValuesBool(out, "Received", received);
  char count[32];
  snprintf(count, sizeof count, "%lld", r->Count);
  ZU_ValuesText(out, "Count", count);
  return 0;
}

ZU_DEFINE_RUNNING_COMPONENT(Component, Create, Step, Destroy)
