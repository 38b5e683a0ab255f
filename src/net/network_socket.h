// A thin layer over one IPv4 TCP descriptor: every system error becomes one of a small set of
// negative socket error codes, and a process-wide counter tracks the open sockets.
#pragma once

#include <netinet/in.h>
#include <sys/select.h>

// Socket error codes; error_text gives their texts.
enum {
  VESK_SOCK_NOT_CONNECTED = -44,
  VESK_SOCK_IS_CONNECTED = -43,
  VESK_SOCK_ALREADY = -42,
  VESK_SOCK_TIMEOUT = -41,
  VESK_SOCK_REFUSED = -40,
  VESK_SOCK_INTERRUPTED = -32,
  VESK_SOCK_IN_PROGRESS = -31,
  VESK_SOCK_WOULD_BLOCK = -30,
  VESK_SOCK_NET_RESET = -26,
  VESK_SOCK_NET_UNREACHABLE = -25,
  VESK_SOCK_NET_DOWN = -24,
  VESK_SOCK_HOST_UNREACHABLE = -23,
  VESK_SOCK_HOST_DOWN = -22,
  VESK_SOCK_RESET = -21,
  VESK_SOCK_BROKEN_PIPE = -20,
  VESK_SOCK_ADDRESS_IN_USE = -16,
  VESK_SOCK_TOO_BIG = -15,
  VESK_SOCK_NO_BUFFERS = -14,
  VESK_SOCK_NO_DESCRIPTORS = -13,
  VESK_SOCK_FAULT = -12,
  VESK_SOCK_BAD_ARGUMENT = -11,
  VESK_SOCK_UNINITIALIZED = -10,
  VESK_SOCK_NO_ERROR = -2,
  VESK_SOCK_UNKNOWN = -1,
};

// Bits of the result of vesk_network_socket::poll_ready.
enum {
  VESK_SOCK_READABLE = 1,
  VESK_SOCK_WRITABLE = 2,
  VESK_SOCK_FAILED = 4, // error or hang-up pending on the descriptor
};

class vesk_network_socket {
public:
  vesk_network_socket() = default;
  ~vesk_network_socket() { close(); }
  vesk_network_socket(const vesk_network_socket &) = delete;
  vesk_network_socket &operator=(const vesk_network_socket &) = delete;

  // A new IPv4 stream socket (an open one is closed first): 1, or 0 when the system refuses.
  int create();
  // 0 when connected, else a socket error code.
  int connect(const sockaddr_in &address);
  // Bytes transferred, or a socket error code. Writes never raise SIGPIPE.
  int read(char *buffer, int size);
  int write(const char *data, int size);
  // The system select over caller-made sets: the count of ready descriptors, 0 on time-out, or a
  // code. A null time-out waits without limit; a count above FD_SETSIZE is refused (-11).
  static int wait(int count, fd_set *read_set, fd_set *write_set, fd_set *error_set, struct timeval *timeout);
  // Waits on this descriptor alone, without select's descriptor limit: VESK_SOCK_* bits, 0 on
  // time-out, or a code. A negative time-out waits without limit.
  int poll_ready(int want_read, int want_write, int timeout_ms);
  // The error a finished non-blocking connect left (SO_ERROR): 0 when none, else a code.
  int pending_error();
  void close();
  int set_blocking();
  int set_nonblocking();
  bool is_open() const { return descriptor >= 0; }

  // Maps a system error number to a socket error code.
  static int error_code(int error_number);
  static const char *error_text(int code);
  // -2, -30, -31 and -32 mean "nothing done yet" rather than failure.
  static bool is_transient(int code);
  // Sockets of this process created and not yet closed.
  static int open_socket_count();

  int descriptor = -1;
};
