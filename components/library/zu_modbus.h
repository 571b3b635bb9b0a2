/* What the Modbus components share: a Modbus TCP connection of libmodbus with short time-outs,
 * made again at most once a second while the device is gone. */
#ifndef ZU_MODBUS_H
#define ZU_MODBUS_H

#include "zu_component.h"
#include "zu_net.h"

#include <errno.h>
#include <modbus.h>

/* The longest a request waits for its answer: a step stays well within the host's limit. */
#define ZU_MODBUS_TIMEOUT_US 200000

typedef struct TModbus {
  modbus_t* Context;
  int Connected, WasConnected;
  long long Tried;
  char Host[256];
  int Port;
} TModbus;

static inline void* ZU_ModbusCreate(BSTR constants, char* error, size_t errorSize) {
  (void)constants;
  (void)error;
  (void)errorSize;
  TModbus* m = (TModbus*)calloc(1, sizeof(TModbus));
  if (m)
    m->Tried = -ZU_RETRY_MS;
  return m;
}

static inline void ZU_ModbusClose(TModbus* m) {
  if (m->Context) {
    modbus_close(m->Context);
    modbus_free(m->Context);
  }
  m->Context = NULL;
  m->Connected = 0;
}

static inline void ZU_ModbusDestroy(void* state) {
  ZU_ModbusClose((TModbus*)state);
  free(state);
}

/* Reads Host, Port and Unit, connects when it is time to, and tells the log when the device
 * came or went; whether it is connected now. */
static inline int ZU_ModbusKeep(TModbus* m, BSTR inputs) {
  char host[256];
  ZU_ValueUtf8(inputs, "Host", host, sizeof host);
  const int port = (int)ZU_ValueDouble(inputs, "Port", 502);
  if (strcmp(host, m->Host) != 0 || port != m->Port) {
    ZU_ModbusClose(m);
    snprintf(m->Host, sizeof m->Host, "%s", host);
    m->Port = port;
    m->Tried = -ZU_RETRY_MS;
  }
  if (!m->Connected && ZU_NowMs() - m->Tried >= ZU_RETRY_MS) {
    m->Tried = ZU_NowMs();
    ZU_ModbusClose(m);
    char service[16];
    snprintf(service, sizeof service, "%d", port);
    m->Context = modbus_new_tcp_pi(host[0] ? host : "127.0.0.1", service);
    if (m->Context) {
      modbus_set_response_timeout(m->Context, 0, ZU_MODBUS_TIMEOUT_US);
      modbus_set_byte_timeout(m->Context, 0, ZU_MODBUS_TIMEOUT_US);
      m->Connected = modbus_connect(m->Context) == 0;
      if (!m->Connected)
        ZU_ModbusClose(m);
    }
  }
  if (m->Context)
    modbus_set_slave(m->Context, (int)ZU_ValueDouble(inputs, "Unit", 1));
  return m->Connected;
}

/* After a request: a failure of the connection closes it (a refused request does not). */
static inline void ZU_ModbusAfter(TModbus* m, int ok) {
  if (!ok && errno != EMBXILFUN && errno != EMBXILADD && errno != EMBXILVAL)
    ZU_ModbusClose(m);
  if (m->Connected != m->WasConnected) {
    if (m->Connected)
      ZU_Log(ZU_LOG_INFORMATION, "connected to the Modbus device at %s:%d", m->Host, m->Port);
    else
      ZU_Log(ZU_LOG_WARNING, "the Modbus device at %s:%d is gone", m->Host, m->Port);
    m->WasConnected = m->Connected;
  }
}

#endif
