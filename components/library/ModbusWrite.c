/* Writes a holding register of a Modbus TCP device on every tick. */
#include "zu_modbus.h"

static const TZUParamDesc In[] = {
    {0, "Host", "Узел", "The device's name or address (127.0.0.1 when unset)", "string"},
    {1, "Port", "Порт", "The device's port (502 when unset)", "int"},
    {2, "Unit", "Устройство", "The unit identifier (1 when unset)", "int"},
    {3, "Address", "Регистр", "The holding register's address, from 0", "int"},
    {4, "Value", "Значение", "The value written (0 to 65535)", "int"},
};
static const TZUParamDesc Out[] = {
    {0, "Ok", "Исправно", "True when the value was written on this tick", "bool"},
    {1, "Written", "Записано", "Writes made since the start", "int"},
};
ZU_LIBRARY_COMPONENT("ModbusWrite", "Запись Modbus",
                     "Writes a holding register of a Modbus TCP device")
ZU_CATEGORY("Devices")

typedef struct TWriter {
  TModbus Modbus;
  int Ok;
  long long Count;
} TWriter;

static void* Create(BSTR constants, char* error, size_t errorSize) {
  (void)constants;
  (void)error;
  (void)errorSize;
  TWriter* w = (TWriter*)calloc(1, sizeof(TWriter));
  if (w)
    ZU_PeerInit(&w->Modbus.Peer);
  return w;
}

static int Step(void* state, BSTR inputs, ZU_Values* out, char* error, size_t errorSize) {
  (void)error;
  (void)errorSize;
  TWriter* w = (TWriter*)state;
  const double wanted = ZU_ValueDouble(inputs, "Value", 0);
  const int value = wanted < 0 ? 0 : wanted > 65535 ? 65535 : (int)wanted;
  const int address = (int)ZU_ValueDouble(inputs, "Address", 0);
  w->Ok = 0;
  if (ZU_ModbusKeep(&w->Modbus, inputs)) {
    /* Written on every tick: a device that restarted, or that another wrote to, has the value
     * again at once, and a device that is gone is noticed. */
    w->Ok = address >= 0 && address <= 65535 &&
            modbus_write_register(w->Modbus.Context, address, (uint16_t)value) == 1;
    w->Count += w->Ok;
    ZU_ModbusAfter(&w->Modbus, w->Ok);
  } else {
    ZU_ModbusAfter(&w->Modbus, 1);
  }
  ZU_ValuesBool(out, "Ok", w->Ok);
  char count[32];
  snprintf(count, sizeof count, "%lld", w->Count);
  ZU_ValuesText(out, "Written", count);
  return 0;
}

ZU_DEFINE_RUNNING_COMPONENT(Component, Create, Step, ZU_ModbusDestroy)
