/* Reads a holding register of a Modbus TCP device on every tick. */
#include "zu_modbus.h"

static const TZUParamDesc In[] = {
    {0, "Host", "Узел", "The device's name or address (127.0.0.1 when unset)", "string"},
    {1, "Port", "Порт", "The device's port (502 when unset)", "int"},
    {2, "Unit", "Устройство", "The unit identifier (1 when unset)", "int"},
    {3, "Address", "Регистр", "The holding register's address, from 0", "int"},
};
static const TZUParamDesc Out[] = {
    {0, "Value", "Значение", "The register's value (0 to 65535), kept while it cannot be read",
     "int"},
    {1, "Ok", "Исправно", "True when the register was read on this tick", "bool"},
};
ZU_LIBRARY_COMPONENT("ModbusRead", "Чтение Modbus",
                     "Reads a holding register of a Modbus TCP device")
ZU_CATEGORY("Devices")

typedef struct TReader {
  TModbus Modbus;
  int Value;
} TReader;

static void* Create(BSTR constants, char* error, size_t errorSize) {
  (void)constants;
  (void)error;
  (void)errorSize;
  TReader* r = (TReader*)calloc(1, sizeof(TReader));
  if (r)
    ZU_PeerInit(&r->Modbus.Peer);
  return r;
}

static int Step(void* state, BSTR inputs, ZU_Values* out, char* error, size_t errorSize) {
  (void)error;
  (void)errorSize;
  TReader* r = (TReader*)state;
  int ok = 0;
  if (ZU_ModbusKeep(&r->Modbus, inputs)) {
    uint16_t value = 0;
    const int address = (int)ZU_ValueDouble(inputs, "Address", 0);
    ok = address >= 0 && address <= 65535 &&
         modbus_read_registers(r->Modbus.Context, address, 1, &value) == 1;
    if (ok)
      r->Value = value;
    ZU_ModbusAfter(&r->Modbus, ok);
  } else {
    ZU_ModbusAfter(&r->Modbus, 1);
  }
  char value[16];
  snprintf(value, sizeof value, "%d", r->Value);
  ZU_ValuesText(out, "Value", value);
  ZU_ValuesBool(out, "Ok", ok);
  return 0;
}

ZU_DEFINE_RUNNING_COMPONENT(Component, Create, Step, ZU_ModbusDestroy)
