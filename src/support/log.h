// The debug log: every diagnostic of the program goes through format_message or log_message
// into one file (or standard output), written with a single write call per message.
#pragma once

#include <atomic>

// 1 at program load; start-up raises it to 3. 0 silences everything.
extern int vesk_debug_level;
// log_message writes nothing while this is 0.
extern int vesk_logging_enabled;
// Categories whose bits are set here are not written by log_message.
extern int vesk_suppressed_categories;

// Categories used by callers of log_message.
enum {
  VESK_LOG_ALLOC = 1,
  VESK_LOG_FAILURE = 2,
  VESK_LOG_BAD_CALL = 4,
  VESK_LOG_BUCKET = 8,
  VESK_LOG_GIVE_UP = 16,
  VESK_LOG_WARN_32 = 32,
  VESK_LOG_WARN = 64,
  VESK_LOG_NETWORK = 128,
  VESK_LOG_TRACE = 256,
};

// Writes through one `write` system call per message and never allocates, so it may be
// used where locking or allocation is not allowed.
class vesk_signal_safe_logfile {
public:
  ~vesk_signal_safe_logfile();
  bool open_file(const char *path);
  bool use_stdout();
  void close();
  bool write(const char *text);
  bool write_bytes(const char *text, int length);
  bool write_number(long long n);
  bool is_open() const { return descriptor >= 0; }

  std::atomic<int> descriptor{-1};
  std::atomic<int> depth{0};
  std::atomic<bool> failure_reported{false};
};

// printf-style; callers test vesk_debug_level first. Output longer than 10239 bytes is cut.
void format_message(const char *format, ...) __attribute__((format(printf, 1, 2)));
// category 256 is a trace (needs level 3); other categories need a level above 0.
void log_message(const char *message, int category, int facility);

bool vesk_client_set_debug_logfile_name(const char *name);
bool vesk_client_set_autoopen_debug_logfile_name(const char *name);
bool vesk_client_try_open_debug_logfile();
bool vesk_client_debug_logfile_close();

// Each query first makes sure an open was attempted.
const char *vesk_client_get_debug_logfile_name();
bool vesk_client_debug_logfile_open_failed();
bool vesk_client_debug_logfile_is_open();
vesk_signal_safe_logfile *vesk_client_get_signal_safe_logfile();
