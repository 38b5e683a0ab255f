// The descriptor layer under vesk_tcp_socket: system calls with their errors mapped to socket
// error codes, and the open-socket counter.
#include "net/network_socket.h"

#include "support/log.h"

#include <atomic>
#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

// Both the GUI thread and download workers open sockets.
std::atomic<int> open_sockets{0};

const int facility = 20;

struct code_text {
  int code;
  const char *text;
};

const code_text code_texts[] = {
    {VESK_SOCK_NOT_CONNECTED, "is not connected"},
    {VESK_SOCK_IS_CONNECTED, "already is connected"},
    {VESK_SOCK_ALREADY, "already done"},
    {VESK_SOCK_TIMEOUT, "timeout"},
    {VESK_SOCK_REFUSED, "connection refused"},
    {VESK_SOCK_INTERRUPTED, "interrupted"},
    {VESK_SOCK_IN_PROGRESS, "in progress"},
    {VESK_SOCK_WOULD_BLOCK, "would block"},
    {VESK_SOCK_NET_RESET, "network was reset"},
    {VESK_SOCK_NET_UNREACHABLE, "network unreachable"},
    {VESK_SOCK_NET_DOWN, "network down"},
    {VESK_SOCK_HOST_UNREACHABLE, "remote host unreachable"},
    {VESK_SOCK_HOST_DOWN, "remote host down"},
    {VESK_SOCK_RESET, "connection aborted/reset"},
    {VESK_SOCK_BROKEN_PIPE, "broken network pipe"},
    {VESK_SOCK_ADDRESS_IN_USE, "address in use"},
    {VESK_SOCK_TOO_BIG, "data too big for operation"},
    {VESK_SOCK_NO_BUFFERS, "oom or buffer space"},
    {VESK_SOCK_NO_DESCRIPTORS, "out of file descriptors"},
    {VESK_SOCK_FAULT, "address/segmentation fault"},
    {VESK_SOCK_BAD_ARGUMENT, "bad function argument"},
    {VESK_SOCK_UNINITIALIZED, "network socket subsystem uninitialized"},
    {VESK_SOCK_NO_ERROR, "no error"},
};

int result_or_code(long result) { return result < 0 ? vesk_network_socket::error_code(errno) : (int)result; }

} // namespace

int vesk_network_socket::error_code(int error_number) {
  switch (error_number) {
  case 0:
    return VESK_SOCK_NO_ERROR;
  case ENOTCONN:
    return VESK_SOCK_NOT_CONNECTED;
  case EISCONN:
    return VESK_SOCK_IS_CONNECTED;
  case EALREADY:
    return VESK_SOCK_ALREADY;
  case ETIMEDOUT:
    return VESK_SOCK_TIMEOUT;
  case ECONNREFUSED:
    return VESK_SOCK_REFUSED;
  case EINTR:
    return VESK_SOCK_INTERRUPTED;
  case EINPROGRESS:
    return VESK_SOCK_IN_PROGRESS;
  case EAGAIN:
#if EWOULDBLOCK != EAGAIN
  case EWOULDBLOCK:
#endif
#ifdef ERESTART
  case ERESTART:
#endif
    return VESK_SOCK_WOULD_BLOCK;
  case ENETRESET:
    return VESK_SOCK_NET_RESET;
  case ENETUNREACH:
    return VESK_SOCK_NET_UNREACHABLE;
  case ENETDOWN:
    return VESK_SOCK_NET_DOWN;
  case EHOSTUNREACH:
    return VESK_SOCK_HOST_UNREACHABLE;
  case EHOSTDOWN:
    return VESK_SOCK_HOST_DOWN;
  case ECONNABORTED:
  case ECONNRESET:
    return VESK_SOCK_RESET;
  case EPIPE:
  case ESHUTDOWN:
    return VESK_SOCK_BROKEN_PIPE;
  case EADDRINUSE:
    return VESK_SOCK_ADDRESS_IN_USE;
  case EMSGSIZE:
    return VESK_SOCK_TOO_BIG;
  case ENOMEM:
  case ENOBUFS:
    return VESK_SOCK_NO_BUFFERS;
  case ENFILE:
  case EMFILE:
    return VESK_SOCK_NO_DESCRIPTORS;
  case EFAULT:
    return VESK_SOCK_FAULT;
  case EBADF:
  case EINVAL:
  case EBADFD:
  case ENOTSOCK:
    return VESK_SOCK_BAD_ARGUMENT;
  default:
    return VESK_SOCK_UNKNOWN;
  }
}

const char *vesk_network_socket::error_text(int code) {
  for (const code_text &entry : code_texts) {
    if (entry.code == code)
      return entry.text;
  }
  return "unknown error";
}

bool vesk_network_socket::is_transient(int code) {
  return code == VESK_SOCK_NO_ERROR || code == VESK_SOCK_WOULD_BLOCK || code == VESK_SOCK_IN_PROGRESS ||
         code == VESK_SOCK_INTERRUPTED;
}

int vesk_network_socket::open_socket_count() { return open_sockets.load(); }

int vesk_network_socket::create() {
  close();
  // Close-on-exec, so that the browser started as a child process does not inherit connections.
  int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0)
    return 0;
  descriptor = fd;
  open_sockets++;
  return 1;
}

int vesk_network_socket::connect(const sockaddr_in &address) {
  if (descriptor < 0)
    return VESK_SOCK_BAD_ARGUMENT;
  int r = ::connect(descriptor, reinterpret_cast<const sockaddr *>(&address), sizeof address);
  return r < 0 ? error_code(errno) : 0;
}

int vesk_network_socket::read(char *buffer, int size) {
  if (descriptor < 0)
    return VESK_SOCK_BAD_ARGUMENT;
  return result_or_code(::recv(descriptor, buffer, (size_t)size, 0));
}

int vesk_network_socket::write(const char *data, int size) {
  if (descriptor < 0)
    return VESK_SOCK_BAD_ARGUMENT;
  return result_or_code(::send(descriptor, data, (size_t)size, MSG_NOSIGNAL));
}

int vesk_network_socket::wait(int count, fd_set *read_set, fd_set *write_set, fd_set *error_set,
                              struct timeval *timeout) {
  // fd_set has room for FD_SETSIZE descriptors only; more would overrun it.
  if (count < 0 || count > FD_SETSIZE)
    return VESK_SOCK_BAD_ARGUMENT;
  return result_or_code(::select(count, read_set, write_set, error_set, timeout));
}

int vesk_network_socket::poll_ready(int want_read, int want_write, int timeout_ms) {
  if (descriptor < 0)
    return VESK_SOCK_BAD_ARGUMENT;
  pollfd p;
  p.fd = descriptor;
  p.events = (short)((want_read ? POLLIN : 0) | (want_write ? POLLOUT : 0));
  p.revents = 0;
  int r = ::poll(&p, 1, timeout_ms < 0 ? -1 : timeout_ms);
  if (r < 0)
    return error_code(errno);
  if (r == 0)
    return 0;
  int bits = 0;
  if (p.revents & POLLIN)
    bits |= VESK_SOCK_READABLE;
  if (p.revents & POLLOUT)
    bits |= VESK_SOCK_WRITABLE;
  if (p.revents & (POLLERR | POLLHUP | POLLNVAL))
    bits |= VESK_SOCK_FAILED;
  return bits;
}

int vesk_network_socket::pending_error() {
  if (descriptor < 0)
    return VESK_SOCK_BAD_ARGUMENT;
  int error = 0;
  socklen_t length = sizeof error;
  if (::getsockopt(descriptor, SOL_SOCKET, SO_ERROR, &error, &length) < 0)
    return error_code(errno);
  return error ? error_code(error) : 0;
}

void vesk_network_socket::close() {
  if (descriptor < 0)
    return;
  ::close(descriptor);
  descriptor = -1;
  open_sockets--;
}

int vesk_network_socket::set_blocking() {
  int flags = descriptor >= 0 ? ::fcntl(descriptor, F_GETFL) : -1;
  if (flags < 0 || ::fcntl(descriptor, F_SETFL, flags & ~O_NONBLOCK) < 0) {
    log_message("Error in vesk_network_socket::set_blocking(), setting blocking mode failed.", VESK_LOG_FAILURE,
                facility);
    return 0;
  }
  return 1;
}

int vesk_network_socket::set_nonblocking() {
  int flags = descriptor >= 0 ? ::fcntl(descriptor, F_GETFL) : -1;
  if (flags < 0 || ::fcntl(descriptor, F_SETFL, flags | O_NONBLOCK) < 0) {
    log_message("Error in vesk_network_socket::set_nonblocking(), setting nonblocking mode failed.",
                VESK_LOG_FAILURE, facility);
    return 0;
  }
  return 1;
}
