/* Gives the latest value published to an MQTT topic. */
#include "zu_mqtt.h"

static const TZUParamDesc In[] = {
    {0, "Host", "Брокер", "The broker's name or address (127.0.0.1 when unset)", "string"},
    {1, "Port", "Порт", "The broker's port (1883 when unset)", "int"},
    {2, "Topic", "Тема", "The topic subscribed to (+ and # match levels)", "string"},
};
static const TZUParamDesc Out[] = {
    {0, "Value", "Значение", "The latest value received (kept until the next)", "any"},
    {1, "Received", "Получено", "True on a tick one or more values came", "bool"},
    {2, "Connected", "Подключено", "True while the broker is reached", "bool"},
    {3, "Count", "Количество", "Values received since the start", "int"},
};
ZU_LIBRARY_COMPONENT("MqttSubscribe", "Подписка MQTT",
                     "Receives the values published to a topic of an MQTT broker")
ZU_CATEGORY("Network")

static int Step(void* state, BSTR inputs, ZU_Values* out, char* error, size_t errorSize) {
  (void)error;
  (void)errorSize;
  TMqtt* m = (TMqtt*)state;
  const int connected = ZU_MqttKeep(m, inputs);
  pthread_mutex_lock(&m->Lock);
  const int subscribe = connected && !m->Subscribed && m->Topic[0];
  if (subscribe)
    m->Subscribed = 1;
  pthread_mutex_unlock(&m->Lock);
  /* After every (re)connection: the broker forgets a clean session's subscriptions. */
  if (subscribe && mosquitto_subscribe(m->Client, NULL, m->Topic, 1) != MOSQ_ERR_SUCCESS) {
    pthread_mutex_lock(&m->Lock);
    m->Subscribed = 0;
    pthread_mutex_unlock(&m->Lock);
  }
  pthread_mutex_lock(&m->Lock);
  ZU_ValuesText(out, "Value", m->Value ? m->Value : "");
  ZU_ValuesBool(out, "Received", m->Fresh);
  m->Fresh = 0;
  char count[32];
  snprintf(count, sizeof count, "%lld", m->Count);
  pthread_mutex_unlock(&m->Lock);
  ZU_ValuesBool(out, "Connected", connected);
  ZU_ValuesText(out, "Count", count);
  return 0;
}

ZU_DEFINE_RUNNING_COMPONENT(Component, ZU_MqttCreate, Step, ZU_MqttDestroy)
