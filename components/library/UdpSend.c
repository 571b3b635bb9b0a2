/* Sends its text as one UDP datagram per tick. */
#include "zu_component.h"
#include "zu_net.h"

#include <unistd.h>

static const TZUParamDesc In[] = {
    {0, "Host", "Узел", "The receiver's name or address (127.0.0.1 when unset)", "string"},
    {1, "Port", "Порт", "The receiver's port", "int"},
    {2, "Text", "Текст", "The datagram's text (nothing is sent while it is empty)", "any"},
};
static const TZUParamDesc Out[] = {
    {0, "Sent", "Отправлено", "Datagrams sent since the start", "int"},
    {1, "Ok", "Исправно", "False while the datagrams cannot be sent", "bool"},
};
ZU_LIBRARY_COMPONENT("UdpSend", "Отправка UDP", "Sends a UDP datagram per tick")
ZU_CATEGORY("Network")

typedef struct TSender {
  int Fd;
  char Host[256];
  int Port;
  struct sockaddr_storage To;
  socklen_t ToLength;
  long long Sent;
  int Ok, WasOk;
} TSender;

static void* Create(BSTR constants, char* error, size_t errorSize) {
  (void)constants;
  (void)error;
  (void)errorSize;
  TSender* s = (TSender*)calloc(1, sizeof(TSender));
  if (s) {
    s->Fd = -1;
    s->WasOk = 1;
  }
  return s;
}

static void Destroy(void* state) {
  TSender* s = (TSender*)state;
  if (s->Fd >= 0)
    close(s->Fd);
  free(s);
}

static int Step(void* state, BSTR inputs, ZU_Values* out, char* error, size_t errorSize) {
  (void)error;
  (void)errorSize;
  TSender* s = (TSender*)state;
  char host[256];
  ZU_ValueUtf8(inputs, "Host", host, sizeof host);
  const int port = (int)ZU_ValueDouble(inputs, "Port", 0);
  if (s->Fd < 0 || strcmp(host, s->Host) != 0 || port != s->Port) {
    if (s->Fd >= 0)
      close(s->Fd);
    s->Fd = -1;
    snprintf(s->Host, sizeof s->Host, "%s", host);
    s->Port = port;
    if (ZU_Address(host, port, SOCK_DGRAM, &s->To, &s->ToLength))
      s->Fd = socket(s->To.ss_family, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
  }
  char* text = ZU_ValueUtf8Copy(inputs, "Text");
  s->Ok = s->Fd >= 0;
  if (s->Ok && text && text[0]) {
    s->Ok =
        sendto(s->Fd, text, strlen(text), MSG_DONTWAIT, (struct sockaddr*)&s->To, s->ToLength) >= 0;
    s->Sent += s->Ok;
  }
  free(text);
  if (s->Ok != s->WasOk) {
    if (s->Ok)
      ZU_Log(ZU_LOG_INFORMATION, "datagrams to %s:%d go again", s->Host, s->Port);
    else
      ZU_Log(ZU_LOG_WARNING, "datagrams to %s:%d cannot be sent", s->Host, s->Port);
    s->WasOk = s->Ok;
  }
  char sent[32];
  snprintf(sent, sizeof sent, "%lld", s->Sent);
  ZU_ValuesText(out, "Sent", sent);
  ZU_ValuesBool(out, "Ok", s->Ok);
  return 0;
}

ZU_DEFINE_RUNNING_COMPONENT(Component, Create, Step, Destroy)
