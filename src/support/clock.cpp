// Wall-clock time in microseconds, millisecond sleeps and the direction angle used by maps.
#include "support/clock.h"

#include "support/log.h"

#include <cerrno>
#include <cmath>
#include <ctime>
#include <sys/time.h>

int64_t vesk_gettimeofday_useconds() {
  struct timeval tv;
  if (gettimeofday(&tv, nullptr) != 0) {
    log_message("Error in vesk_gettimeofday_useconds(), syscall failed.", VESK_LOG_BAD_CALL, 1);
    return 0;
  }
  return (int64_t)tv.tv_sec * 1000000 + tv.tv_usec;
}

void sleep_ms(int ms) {
  if (ms <= 0)
    return;
  struct timespec t;
  t.tv_sec = ms / 1000;
  t.tv_nsec = (long)(ms % 1000) * 1000000L;
  while (nanosleep(&t, &t) != 0 && errno == EINTR) {
  }
}

int direction_angle(int dx, int dy) {
  if (dx == 0 && dy == 0)
    return 90;
  int x = (int)std::floor(std::atan(std::fabs((double)dy / ((double)dx + 0.001))) * 360.0 / 6.2832 + 0.5);
  int angle;
  if (dx >= 0)
    angle = dy < 0 ? -x : x;
  else
    angle = dy < 0 ? x - 180 : 180 - x;
  while (angle < 0)
    angle += 360;
  while (angle > 360)
    angle -= 360;
  return angle;
}
