/* A Modbus TCP device for the tests, built on libmodbus: 100 holding registers, register i
 * holding i * 10 at the start; serves any number of clients on the port given until killed. */
#include <modbus.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/select.h>
#include <unistd.h>

int main(int argc, char** argv) {
  if (argc != 2)
    return 2;
  modbus_t* context = modbus_new_tcp("127.0.0.1", atoi(argv[1]));
  modbus_mapping_t* map = modbus_mapping_new(0, 0, 100, 0);
  if (!context || !map)
    return 1;
  for (int i = 0; i < 100; ++i)
    map->tab_registers[i] = (uint16_t)(i * 10);
  int listener = modbus_tcp_listen(context, 16);
  if (listener < 0)
    return 1;
  fd_set all;
  FD_ZERO(&all);
  FD_SET(listener, &all);
  int top = listener;
  for (;;) {
    fd_set ready = all;
    if (select(top + 1, &ready, NULL, NULL, NULL) < 0)
      return 1;
    for (int fd = 0; fd <= top; ++fd) {
      if (!FD_ISSET(fd, &ready))
        continue;
      if (fd == listener) {
        const int client = modbus_tcp_accept(context, &listener);
        if (client >= 0) {
          FD_SET(client, &all);
          if (client > top)
            top = client;
        }
        continue;
      }
      modbus_set_socket(context, fd);
      uint8_t query[MODBUS_TCP_MAX_ADU_LENGTH];
      const int n = modbus_receive(context, query);
      if (n > 0) {
        modbus_reply(context, query, n, map);
      } else if (n < 0) {
        close(fd);
        FD_CLR(fd, &all);
      }
    }
  }
}
