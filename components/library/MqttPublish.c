/* Publishes its value to an MQTT topic on every tick. */
#include "zu_mqtt.h"

static const TZUParamDesc In[] = {
    {0, "Host", "Брокер", "The broker's name or address (127.0.0.1 when unset)", "string"},
    {1, "Port", "Порт", "The broker's port (1883 when unset)", "int"},
    {2, "Topic", "Тема", "The topic published to (\"plant/line1/temperature\")", "string"},
    {3, "Value", "Значение", "The value published (nothing while it is empty)", "any"},
};
static const TZUParamDesc Out[] = {
    {0, "Connected", "Подключено", "True while the broker is reached", "bool"},
    {1, "Published", "Опубликовано", "Values handed to the broker since the start", "int"},
};
ZU_LIBRARY_COMPONENT("MqttPublish", "Публикация MQTT",
                     "Publishes a value per tick to a topic of an MQTT broker")
ZU_CATEGORY("Network")

static int Step(void* state, BSTR inputs, ZU_Values* out, char* error, size_t errorSize) {
  (void)error;
  (void)errorSize;
  TMqtt* p = (TMqtt*)state;
  const int connected = ZU_MqttKeep(p, inputs);
  char* value = ZU_ValueUtf8Copy(inputs, "Value");
  if (connected && value && value[0] && p->Topic[0] &&
      mosquitto_publish(p->Client, NULL, p->Topic, (int)strlen(value), value, 1, false) ==
          MOSQ_ERR_SUCCESS)
    ++p->Published;
  free(value);
  ZU_ValuesBool(out, "Connected", connected);
  char published[32];
  snprintf(published, sizeof published, "%lld", p->Published);
  ZU_ValuesText(out, "Published", published);
  return 0;
}

ZU_DEFINE_RUNNING_COMPONENT(Component, ZU_MqttCreate, Step, ZU_MqttDestroy)
