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
  int Connected;
  TZUPeer Peer;
} TModbus;

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
  if (ZU_PeerRead(&m->Peer, inputs, 502))
    ZU_ModbusClose(m);
  if (!m->Connected && ZU_PeerDue(&m->Peer)) {
    ZU_ModbusClose(m);
    char service[16];
    snprintf(service, sizeof service, "%d", m->Peer.Port);
    m->Context = modbus_new_tcp_pi(m->Peer.Host[0] ? m->Peer.Host : "127.0.0.1", service);
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
  ZU_PeerTell(&m->Peer, m->Connected, "connected to the Modbus device at %s:%d",
              "the Modbus device at %s:%d is gone");
}

#endif
