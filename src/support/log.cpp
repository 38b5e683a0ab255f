// The debug log file, its automatic opening and the two message entry points.
#include "support/log.h"

#include "support/fixed_text.h"

#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <mutex>
#include <unistd.h>

int vesk_debug_level = 1;
int vesk_logging_enabled = 1;
int vesk_suppressed_categories = 0;

namespace {

const int message_buffer_size = 10240;
const int recursion_limit = 25;
const int name_size = 6000;

vesk_signal_safe_logfile logfile;

// Names live in fixed buffers; an empty first byte means "no name".
char logfile_name[name_size];
char autoopen_name[name_size];
bool have_logfile_name = false;
bool have_autoopen_name = false;
std::atomic<bool> open_failed{false};
// Only guards the rare automatic open, never the write path.
std::recursive_mutex open_mutex;

void store_name(char *dest, bool &have, const char *name) {
  have = name != nullptr;
  dest[0] = 0;
  if (name) {
    size_t n = strnlen(name, name_size - 1);
    std::memcpy(dest, name, n);
    dest[n] = 0;
  }
}

// True when a log file is open afterwards.
bool ensure_open() {
  if (logfile.is_open())
    return true;
  if (open_failed)
    return false;
  std::lock_guard<std::recursive_mutex> lock(open_mutex);
  if (logfile.is_open())
    return true;
  if (open_failed)
    return false;
  if (!have_logfile_name) {
    if (have_autoopen_name) {
      vesk_fixed_text name("/tmp/");
      name.append(autoopen_name);
      store_name(logfile_name, have_logfile_name, name.c_str());
    }
  }
  vesk_client_try_open_debug_logfile();
  return logfile.is_open();
}

} // namespace

vesk_signal_safe_logfile::~vesk_signal_safe_logfile() { close(); }

bool vesk_signal_safe_logfile::open_file(const char *path) {
  close();
  int fd = ::open(path, O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
  if (fd > 0) {
    descriptor = fd;
    return true;
  }
  if (fd == 0)
    ::close(fd);
  return false;
}

bool vesk_signal_safe_logfile::use_stdout() {
  close();
  int fd = ::dup(1);
  if (fd < 0)
    return false;
  descriptor = fd;
  return true;
}

void vesk_signal_safe_logfile::close() {
  int fd = descriptor.exchange(-1);
  if (fd >= 0)
    ::close(fd);
}

bool vesk_signal_safe_logfile::write(const char *text) {
  if (!text)
    text = "(null)";
  return write_bytes(text, (int)std::strlen(text));
}

bool vesk_signal_safe_logfile::write_bytes(const char *text, int length) {
  int level = depth.fetch_add(1);
  if (level >= recursion_limit) {
    // The report goes through this same writer, which now stands above the limit and refuses it.
    if (level == recursion_limit)
      log_message("Error in vesk_signal_safe_logfile::write(), recursion limiter triggered.", VESK_LOG_FAILURE, 10);
    depth--;
    return false;
  }
  if (!text) {
    text = "(null)";
    length = 6;
  }
  ssize_t written = descriptor >= 0 ? ::write(descriptor, text, (size_t)length) : -1;
  if (written != (ssize_t)length) {
    // Marked before the report, so that a report through this failing writer does not report again.
    if (!failure_reported.exchange(true))
      log_message("Error in vesk_signal_safe_logfile::write(), write failed.", VESK_LOG_FAILURE, 10);
    depth--;
    return false;
  }
  failure_reported = false;
  depth--;
  return true;
}

bool vesk_signal_safe_logfile::write_number(long long n) {
  char digits[24];
  int pos = (int)sizeof digits;
  unsigned long long v = n < 0 ? 0ULL - (unsigned long long)n : (unsigned long long)n;
  do {
    digits[--pos] = (char)('0' + v % 10);
    v /= 10;
  } while (v);
  if (n < 0)
    digits[--pos] = '-';
  return write_bytes(digits + pos, (int)sizeof digits - pos);
}

void format_message(const char *format, ...) {
  if (!ensure_open())
    return;
  char buffer[message_buffer_size];
  va_list args;
  va_start(args, format);
  int n = std::vsnprintf(buffer, sizeof buffer, format ? format : "(null)", args);
  va_end(args);
  if (n < 0)
    return;
  if (n >= message_buffer_size)
    n = message_buffer_size - 1;
  logfile.write_bytes(buffer, n);
}

void log_message(const char *message, int category, int facility) {
  (void)facility;
  if (!vesk_logging_enabled)
    return;
  int active = category & ~vesk_suppressed_categories;
  if (!active)
    return;
  if ((active & VESK_LOG_TRACE) ? vesk_debug_level <= 2 : vesk_debug_level <= 0)
    return;
  if (!ensure_open())
    return;
  // Message and line end leave in one write so that threads never interleave inside a line.
  char buffer[message_buffer_size];
  if (!message)
    message = "(null)";
  int n = std::snprintf(buffer, sizeof buffer, "%s\n", message);
  if (n >= message_buffer_size) {
    n = message_buffer_size - 1;
    buffer[n - 1] = '\n';
  }
  logfile.write_bytes(buffer, n);
}

bool vesk_client_set_debug_logfile_name(const char *name) {
  std::lock_guard<std::recursive_mutex> lock(open_mutex);
  if (logfile.is_open()) {
    log_message("Error in vesk_client_set_debug_logfile_name(), logfile already open.", VESK_LOG_BAD_CALL, 70);
    return false;
  }
  store_name(autoopen_name, have_autoopen_name, nullptr);
  store_name(logfile_name, have_logfile_name, name);
  open_failed = false;
  return true;
}

bool vesk_client_set_autoopen_debug_logfile_name(const char *name) {
  std::lock_guard<std::recursive_mutex> lock(open_mutex);
  if (logfile.is_open()) {
    log_message("Error in vesk_client_set_autoopen_debug_logfile_name(), logfile already open.", VESK_LOG_BAD_CALL, 70);
    return false;
  }
  store_name(logfile_name, have_logfile_name, nullptr);
  store_name(autoopen_name, have_autoopen_name, name);
  open_failed = false;
  return true;
}

bool vesk_client_try_open_debug_logfile() {
  std::lock_guard<std::recursive_mutex> lock(open_mutex);
  if (logfile.is_open()) {
    log_message("Error in vesk_client_try_open_debug_logfile(), logfile already open.", VESK_LOG_BAD_CALL, 70);
    return false;
  }
  char line[name_size + 100];
  if (have_logfile_name) {
    if (logfile.open_file(logfile_name)) {
      open_failed = false;
      std::snprintf(line, sizeof line, "vesk_client_try_open_debug_logfile() opened logfile '%s'", logfile_name);
      log_message(line, VESK_LOG_TRACE, 70);
      return true;
    }
    open_failed = true;
    std::snprintf(line, sizeof line, "vesk_client_try_open_debug_logfile() failed to open logfile '%s'", logfile_name);
    log_message(line, VESK_LOG_TRACE, 70);
    return false;
  }
  if (logfile.use_stdout()) {
    open_failed = false;
    log_message("vesk_client_try_open_debug_logfile() - using STDOUT.", VESK_LOG_TRACE, 70);
    return true;
  }
  open_failed = true;
  log_message("vesk_client_try_open_debug_logfile() - unable to use STDOUT for log data.", VESK_LOG_TRACE, 70);
  return false;
}

bool vesk_client_debug_logfile_close() {
  std::lock_guard<std::recursive_mutex> lock(open_mutex);
  if (!logfile.is_open()) {
    log_message("Error in vesk_client_debug_logfile_close(), no logfile open.", VESK_LOG_BAD_CALL, 70);
    return false;
  }
  logfile.close();
  store_name(logfile_name, have_logfile_name, nullptr);
  store_name(autoopen_name, have_autoopen_name, nullptr);
  open_failed = false;
  return true;
}

const char *vesk_client_get_debug_logfile_name() {
  ensure_open();
  return have_logfile_name ? logfile_name : nullptr;
}

bool vesk_client_debug_logfile_open_failed() {
  ensure_open();
  return open_failed;
}

bool vesk_client_debug_logfile_is_open() { return ensure_open(); }

vesk_signal_safe_logfile *vesk_client_get_signal_safe_logfile() {
  ensure_open();
  return &logfile;
}
