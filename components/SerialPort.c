/* A serial-port device: sends and receives bytes through a serial line. */
#include "zu_component.h"

static const TZUParamDesc In[] = {
    {0, "Port", "Порт", "Device of the line, for example /dev/ttyS0 or /dev/ttyUSB0", "string"},
    {1, "BaudRate", "Скорость", "Bits per second: 9600, 19200, 57600, 115200", "double"},
    {2, "Parity", "Чётность", "N none, E even, O odd", "string"},
    {3, "TxData", "Передать", "Bytes to send", "string"},
};
static const TZUParamDesc Out[] = {
    {0, "RxData", "Принято", "Bytes received since the last step", "string"},
    {1, "Connected", "Подключено", "True while the port is open", "bool"},
    {2, "Error", "Ошибка", "The last error of the line, empty when none", "string"},
};
static const TZUComponentDesc Component = {"SerialPort",
                                           "Последовательный порт",
                                           "Talks to a device over RS-232 or RS-485",
                                           "ZU Programming",
                                           "(c) 2026 ZU Programming",
                                           "https://zu-programming.example/components",
                                           {2, 0, 1, 7},
                                           In,
                                           ZU_COUNT(In),
                                           Out,
                                           ZU_COUNT(Out)};

ZU_DEFINE_COMPONENT(Component)
