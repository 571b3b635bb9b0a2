/* What MqttPublish and MqttSubscribe share: one libmosquitto client per module, run by the
 * library's own thread, that reconnects by itself; the step reads what it found under a lock. */
#ifndef ZU_MQTT_H
#define ZU_MQTT_H

#include "zu_component.h"
#include "zu_net.h"

#include <mosquitto.h>
#include <pthread.h>

typedef struct TMqtt {
  struct mosquitto* Client;
  pthread_mutex_t Lock;
  TZUPeer Peer;
  char Topic[1024];
  int Started; /* the client's thread runs */
  /* Under Lock: */
  int Connected;
  int Subscribed;
  char* Value; /* the latest message's payload */
  long long Count;
  int Fresh; /* a message came since the last step */
  /* The step's own: */
  long long Published;
} TMqtt;

static void ZuMqttConnected(struct mosquitto* client, void* user, int result) {
  TMqtt* m = (TMqtt*)user;
  pthread_mutex_lock(&m->Lock);
  m->Connected = result == 0;
  m->Subscribed = 0;
  pthread_mutex_unlock(&m->Lock);
  (void)client;
}

static void ZuMqttDisconnected(struct mosquitto* client, void* user, int result) {
  TMqtt* m = (TMqtt*)user;
  pthread_mutex_lock(&m->Lock);
  m->Connected = 0;
  m->Subscribed = 0;
  pthread_mutex_unlock(&m->Lock);
  (void)client;
  (void)result;
}

static void ZuMqttMessage(struct mosquitto* client, void* user,
                          const struct mosquitto_message* message) {
  TMqtt* m = (TMqtt*)user;
  char* value = (char*)malloc((size_t)message->payloadlen + 1);
  if (!value)
    return;
  memcpy(value, message->payload, (size_t)message->payloadlen);
  value[message->payloadlen] = 0;
  pthread_mutex_lock(&m->Lock);
  free(m->Value);
  m->Value = value;
  ++m->Count;
  m->Fresh = 1;
  pthread_mutex_unlock(&m->Lock);
  (void)client;
}

static inline void* ZU_MqttCreate(BSTR constants, char* error, size_t errorSize) {
  (void)constants;
  static int initialised;
  if (!initialised) {
    mosquitto_lib_init();
    initialised = 1;
  }
  TMqtt* m = (TMqtt*)calloc(1, sizeof(TMqtt));
  if (!m)
    return NULL;
  pthread_mutex_init(&m->Lock, NULL);
  ZU_PeerInit(&m->Peer);
  m->Client = mosquitto_new(NULL, true, m);
  if (!m->Client) {
    snprintf(error, errorSize, "no MQTT client");
    free(m);
    return NULL;
  }
  mosquitto_connect_callback_set(m->Client, ZuMqttConnected);
  mosquitto_disconnect_callback_set(m->Client, ZuMqttDisconnected);
  mosquitto_message_callback_set(m->Client, ZuMqttMessage);
  mosquitto_reconnect_delay_set(m->Client, 1, 2, false);
  return m;
}

static inline void ZU_MqttStop(TMqtt* m) {
  if (m->Started) {
    mosquitto_disconnect(m->Client);
    mosquitto_loop_stop(m->Client, true);
    m->Started = 0;
  }
  pthread_mutex_lock(&m->Lock);
  m->Connected = m->Subscribed = 0;
  pthread_mutex_unlock(&m->Lock);
}

static inline void ZU_MqttDestroy(void* state) {
  TMqtt* m = (TMqtt*)state;
  ZU_MqttStop(m);
  mosquitto_destroy(m->Client);
  pthread_mutex_destroy(&m->Lock);
  free(m->Value);
  free(m);
}

/* Reads Host, Port and Topic, (re)starts the client when they changed or it never reached the
 * broker, and tells the log when the connection came or went; whether it is connected now. */
static inline int ZU_MqttKeep(TMqtt* m, BSTR inputs) {
  char topic[1024];
  ZU_ValueUtf8(inputs, "Topic", topic, sizeof topic);
  const int moved = ZU_PeerRead(&m->Peer, inputs, 1883);
  if (moved || strcmp(topic, m->Topic) != 0) {
    ZU_MqttStop(m);
    snprintf(m->Topic, sizeof m->Topic, "%s", topic);
    m->Peer.Tried = -ZU_RETRY_MS;
  }
  /* Until the first connection is made the step asks again; after it, the thread does. */
  if (!m->Started && ZU_PeerDue(&m->Peer)) {
    const char* host = m->Peer.Host[0] ? m->Peer.Host : "127.0.0.1";
    if (mosquitto_connect_async(m->Client, host, m->Peer.Port, 10) == MOSQ_ERR_SUCCESS)
      m->Started = mosquitto_loop_start(m->Client) == MOSQ_ERR_SUCCESS;
  }
  pthread_mutex_lock(&m->Lock);
  const int connected = m->Connected;
  pthread_mutex_unlock(&m->Lock);
  ZU_PeerTell(&m->Peer, connected, "connected to the MQTT broker at %s:%d",
              "the MQTT broker at %s:%d is gone");
  return connected;
}

#endif
