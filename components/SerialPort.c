/* A serial-port device: writes its input to a serial line as a line of text and gives the last
 * line it read. */
#define _DEFAULT_SOURCE
#include "zu_component.h"

#include <errno.h>
#include <fcntl.h>
#include <termios.h>
#include <time.h>
#include <unistd.h>

static const TZUParamDesc In[] = {
    {0, "Port", "Порт", "Device of the line, for example /dev/ttyS0 or /dev/ttyUSB0", "string"},
    {1, "BaudRate", "Скорость", "Bits per second: 9600, 19200, 57600, 115200 (9600 when unset)",
     "double"},
    {2, "Parity", "Чётность", "N none, E even, O odd (N when unset)", "string"},
    {3, "TxData", "Передать", "Sent as a line whenever it changes (nothing while empty)", "string"},
};
static const TZUParamDesc Out[] = {
    {0, "RxData", "Принято", "The last whole line received (without its line break)", "string"},
    {1, "Connected", "Подключено",
     "True while the line is open; false once its other end is gone, until it is back", "bool"},
    {2, "Error", "Ошибка", "The last error of the line, empty when none", "string"},
};
static const TZUComponentDesc Component = {"SerialPort",
                                           "Последовательный порт",
                                           "Talks to a device over RS-232 or RS-485",
                                           "ZU Programming",
                                           "(c) 2026 ZU Programming",
                                           "https://kven.org/zu-programming/components/",
                                           {1, 1, 0, 2},
                                           In,
                                           ZU_COUNT(In),
                                           Out,
                                           ZU_COUNT(Out)};

enum { LineSize = 4096 };

typedef struct TPort {
  int Fd; /* -1 while the line is gone */
  char Path[1024];
  speed_t Speed;
  char Parity;
  struct timespec LastTry; /* when opening the line again was last tried */
  char Partial[LineSize];  /* what came after the last line break */
  size_t PartialLen;
  char Last[LineSize]; /* the last whole line */
  char Sent[LineSize]; /* the last TxData written */
  char Error[256];
} TPort;

static speed_t Speed(double baud) {
  const struct {
    double Baud;
    speed_t Speed;
  } table[] = {{1200, B1200},   {2400, B2400},   {4800, B4800},   {9600, B9600},
               {19200, B19200}, {38400, B38400}, {57600, B57600}, {115200, B115200}};
  for (size_t i = 0; i < sizeof table / sizeof table[0]; ++i)
    if (table[i].Baud == baud)
      return table[i].Speed;
  return 0;
}

/* Opens and sets up the port's line; its descriptor, or -1 with the reason. */
static int OpenLine(const TPort* p, char* error, size_t errorSize) {
  const int fd = open(p->Path, O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) {
    snprintf(error, errorSize, "cannot open %.200s: %s", p->Path, strerror(errno));
    return -1;
  }
  struct termios tio;
  if (tcgetattr(fd, &tio) != 0) {
    snprintf(error, errorSize, "%.200s is not a serial line: %s", p->Path, strerror(errno));
    close(fd);
    return -1;
  }
  cfmakeraw(&tio);
  cfsetispeed(&tio, p->Speed);
  cfsetospeed(&tio, p->Speed);
  tio.c_cflag |= CLOCAL | CREAD;
  tio.c_cflag &= ~(PARENB | PARODD);
  if (p->Parity != 'N')
    tio.c_cflag |= PARENB | (p->Parity == 'O' ? PARODD : 0);
  if (tcsetattr(fd, TCSANOW, &tio) != 0) {
    snprintf(error, errorSize, "cannot set the line of %.200s: %s", p->Path, strerror(errno));
    close(fd);
    return -1;
  }
  return fd;
}

/* The line is gone (its other end closed, the device unplugged): said once, tried again later. */
static void LineGone(TPort* p, const char* why) {
  close(p->Fd);
  p->Fd = -1;
  snprintf(p->Error, sizeof p->Error, "line of %.120s closed: %.100s", p->Path, why);
  clock_gettime(CLOCK_MONOTONIC, &p->LastTry);
  ZU_Log(ZU_LOG_WARNING, "%s", p->Error);
}

/* Once a second while the line is gone, it is opened again; said when it is back. */
static void TryAgain(TPort* p) {
  struct timespec now;
  clock_gettime(CLOCK_MONOTONIC, &now);
  const double since =
      (double)(now.tv_sec - p->LastTry.tv_sec) + (now.tv_nsec - p->LastTry.tv_nsec) / 1e9;
  if (since < 1)
    return;
  p->LastTry = now;
  char why[256];
  p->Fd = OpenLine(p, why, sizeof why);
  if (p->Fd < 0)
    return;
  p->Error[0] = 0;
  p->PartialLen = 0;
  ZU_Log(ZU_LOG_INFORMATION, "line of %.200s open again", p->Path);
}

static void* Create(BSTR constants, char* error, size_t errorSize) {
  char port[1024];
  if (!ZU_ValueUtf8(constants, "Port", port, sizeof port) || !port[0]) {
    snprintf(error, errorSize, "no Port given");
    return NULL;
  }
  const double baud = ZU_ValueDouble(constants, "BaudRate", 9600);
  const speed_t speed = Speed(baud);
  if (!speed) {
    snprintf(error, errorSize, "BaudRate %g is not one of 1200 ... 115200", baud);
    return NULL;
  }
  char parity[8] = "N";
  ZU_ValueUtf8(constants, "Parity", parity, sizeof parity);
  if (!parity[0])
    strcpy(parity, "N");
  if (strcmp(parity, "N") && strcmp(parity, "E") && strcmp(parity, "O")) {
    snprintf(error, errorSize, "Parity must be N, E or O");
    return NULL;
  }
  TPort* p = (TPort*)calloc(1, sizeof *p);
  if (!p) {
    snprintf(error, errorSize, "out of memory");
    return NULL;
  }
  snprintf(p->Path, sizeof p->Path, "%s", port);
  p->Speed = speed;
  p->Parity = parity[0];
  p->Fd = OpenLine(p, error, errorSize);
  if (p->Fd < 0) {
    free(p);
    return NULL;
  }
  return p;
}

/* Reads what the line holds now; the last whole line goes to Last. */
static void Receive(TPort* p) {
  char buf[1024];
  for (;;) {
    const ssize_t n = read(p->Fd, buf, sizeof buf);
    if (n <= 0) {
      /* The other end closed: end of file, or an input error of a line that hung up. */
      if (n == 0 || errno == EIO || errno == ENXIO)
        LineGone(p, n == 0 ? "end of file" : strerror(errno));
      else if (errno != EAGAIN && errno != EINTR)
        snprintf(p->Error, sizeof p->Error, "read: %s", strerror(errno));
      return;
    }
    for (ssize_t i = 0; i < n; ++i) {
      if (buf[i] == '\n') {
        size_t len = p->PartialLen;
        if (len && p->Partial[len - 1] == '\r')
          --len;
        memcpy(p->Last, p->Partial, len);
        p->Last[len] = 0;
        p->PartialLen = 0;
      } else if (p->PartialLen + 1 < LineSize) {
        p->Partial[p->PartialLen++] = buf[i];
      }
    }
  }
}

static int Step(void* state, BSTR inputs, ZU_Values* out, char* error, size_t errorSize) {
  (void)error;
  (void)errorSize;
  TPort* p = (TPort*)state;
  if (p->Fd < 0)
    TryAgain(p);
  char tx[LineSize - 1];
  ZU_ValueUtf8(inputs, "TxData", tx, sizeof tx);
  if (p->Fd >= 0 && tx[0] && strcmp(tx, p->Sent) != 0) {
    char line[LineSize + 1];
    const size_t len = strlen(tx);
    memcpy(line, tx, len);
    line[len] = '\n';
    if (write(p->Fd, line, len + 1) != (ssize_t)(len + 1))
      snprintf(p->Error, sizeof p->Error, "write: %s", strerror(errno));
    else
      strcpy(p->Sent, tx);
  }
  if (p->Fd >= 0)
    Receive(p);
  ZU_ValuesText(out, "RxData", p->Last);
  ZU_ValuesBool(out, "Connected", p->Fd >= 0);
  ZU_ValuesText(out, "Error", p->Error);
  return 0;
}

static void Destroy(void* state) {
  TPort* p = (TPort*)state;
  if (p->Fd >= 0)
    close(p->Fd);
  free(p);
}

ZU_DEFINE_RUNNING_COMPONENT(Component, Create, Step, Destroy)
ZU_CATEGORY("Devices")
