// The client connection state machine (unconnected, connecting, handshaking, connected) over a
// non-blocking descriptor, TLS through OpenSSL 3, and the process's one TLS context.
#include "net/tcp_socket.h"

#include "support/log.h"

#include <arpa/inet.h>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <mutex>
#include <netdb.h>
#include <openssl/err.h>
#include <openssl/ssl.h>
#include <sys/socket.h>

namespace {

const int facility = 21;
const char *const cipher_list = "HIGH:@STRENGTH:!aNULL";

SSL_CTX *ssl_context = nullptr;
std::mutex ssl_context_mutex;

long long monotonic_ms() {
  timespec now;
  clock_gettime(CLOCK_MONOTONIC, &now);
  return (long long)now.tv_sec * 1000 + now.tv_nsec / 1000000;
}

// A deadline of -1 means none; the result is then -1 (wait without limit).
long long deadline_after(int milliseconds) { return milliseconds < 0 ? -1 : monotonic_ms() + milliseconds; }

int time_left(long long deadline) {
  if (deadline < 0)
    return -1;
  long long left = deadline - monotonic_ms();
  return left > 0 ? (int)left : 0;
}

// Drains the library's error queue into the log. With ssl_error >= 0 each line carries the
// error kind the library reported for the failed call.
void log_library_errors(int category, int ssl_error, int saved_errno) {
  char text[256];
  char line[400];
  unsigned long e = ERR_get_error();
  if (!e) {
    std::snprintf(text, sizeof text, "%s", saved_errno ? std::strerror(saved_errno) : "no library error");
  } else {
    ERR_error_string_n(e, text, sizeof text);
  }
  do {
    if (ssl_error >= 0)
      std::snprintf(line, sizeof line, "%s - err code %d.", text, ssl_error);
    else
      std::snprintf(line, sizeof line, "%s", text);
    log_message(line, category, facility);
    e = ERR_get_error();
    if (e)
      ERR_error_string_n(e, text, sizeof text);
  } while (e);
}

bool resolve_ipv4(const char *host, in_addr *address) {
  if (inet_pton(AF_INET, host, address) == 1)
    return true;
  addrinfo hints;
  std::memset(&hints, 0, sizeof hints);
  hints.ai_family = AF_INET;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo *found = nullptr;
  if (getaddrinfo(host, nullptr, &hints, &found) != 0 || !found)
    return false;
  bool ok = false;
  for (addrinfo *a = found; a; a = a->ai_next) {
    if (a->ai_family == AF_INET && a->ai_addr) {
      *address = reinterpret_cast<sockaddr_in *>(a->ai_addr)->sin_addr;
      ok = true;
      break;
    }
  }
  freeaddrinfo(found);
  return ok;
}

// Server names must not be IP literals (digits and dots, or anything with a colon).
bool is_ip_literal(const char *name) {
  bool only_digits_and_dots = true;
  for (const char *p = name; *p; p++) {
    if (*p == ':')
      return true;
    if (!((*p >= '0' && *p <= '9') || *p == '.'))
      only_digits_and_dots = false;
  }
  return only_digits_and_dots;
}

void copy_name(char *dest, const char *name) {
  dest[0] = 0;
  if (name && std::strlen(name) < 256)
    std::strcpy(dest, name);
}

} // namespace

int init_ssl() {
  std::lock_guard<std::mutex> lock(ssl_context_mutex);
  if (ssl_context)
    return 1;
  if (!OPENSSL_init_ssl(OPENSSL_INIT_LOAD_SSL_STRINGS | OPENSSL_INIT_LOAD_CRYPTO_STRINGS, nullptr)) {
    log_library_errors(VESK_LOG_ALLOC, -1, 0);
    return 0;
  }
  SSL_CTX *context = SSL_CTX_new(TLS_client_method());
  // SSL 2 is gone from the library; SSL 3 and every TLS version stay allowed as far as the
  // library offers them.
  if (!context || !SSL_CTX_set_min_proto_version(context, SSL3_VERSION) ||
      !SSL_CTX_set_cipher_list(context, cipher_list)) {
    log_library_errors(VESK_LOG_ALLOC, -1, 0);
    SSL_CTX_free(context);
    return 0;
  }
  // Many servers close without close_notify; that reads as a clean close, not an error.
  SSL_CTX_set_options(context, SSL_OP_IGNORE_UNEXPECTED_EOF);
  // Writes report each record sent, and a retried write may come from a moved buffer.
  SSL_CTX_set_mode(context, SSL_MODE_ENABLE_PARTIAL_WRITE | SSL_MODE_ACCEPT_MOVING_WRITE_BUFFER);
  // The connection is encrypted but the server is not authenticated.
  SSL_CTX_set_verify(context, SSL_VERIFY_NONE, nullptr);
  ssl_context = context;
  return 1;
}

vesk_tcp_socket::vesk_tcp_socket() {
  std::memset(&peer_address, 0, sizeof peer_address);
  server_name[0] = 0;
  handshake_name[0] = 0;
}

vesk_tcp_socket::~vesk_tcp_socket() {
  if (sock.is_open()) {
    log_message("Error in ~vesk_tcp_socket(), socket not closed.", VESK_LOG_FAILURE, facility);
    sock.close();
  }
  if (ssl)
    SSL_free(ssl);
}

int vesk_tcp_socket::enable_ssl() {
  if (state != unconnected) {
    log_message("Error in vesk_tcp_socket::enable_ssl(), socket not in unconnected state.", VESK_LOG_FAILURE,
                facility);
    return 0;
  }
  if (ssl_enabled)
    log_message("Error in vesk_server_socket_writeable::make_ssl_capable(), socket already SSL enabled.",
                VESK_LOG_FAILURE, facility);
  ssl_enabled = 1;
  return 1;
}

int vesk_tcp_socket::disable_ssl() {
  if (state != unconnected) {
    log_message("Error in vesk_tcp_socket::disable_ssl(), socket not in unconnected state.", VESK_LOG_FAILURE,
                facility);
    return 0;
  }
  ssl_enabled = 0;
  if (ssl) {
    SSL_free(ssl);
    ssl = nullptr;
  }
  return 1;
}

void vesk_tcp_socket::set_server_name(const char *name) { copy_name(server_name, name); }

int vesk_tcp_socket::drop_connection(int *error_field, int code) {
  *error_field = code;
  state = unconnected;
  sock.close();
  return -1;
}

void vesk_tcp_socket::close() {
  state = unconnected;
  sock.close();
}

int vesk_tcp_socket::start_nonblocking_connect(const char *address, int port) {
  if (state == connecting || state == handshaking) {
    write_error = VESK_SOCK_IN_PROGRESS;
    return -1;
  }
  if (state == connected) {
    write_error = VESK_SOCK_IS_CONNECTED;
    return -1;
  }
  if (sock.is_open()) {
    log_message("Error in vesk_tcp_socket::start_nonblocking_connect(), socket not closed.", VESK_LOG_FAILURE,
                facility);
    sock.close();
  }
  state = unconnected;
  if (!address || !address[0] || port < 1 || port > 65535) {
    write_error = VESK_SOCK_BAD_ARGUMENT;
    return -1;
  }
  in_addr ip;
  if (!resolve_ipv4(address, &ip)) {
    char line[400];
    std::snprintf(line, sizeof line,
                  "Error in vesk_tcp_socket::start_nonblocking_connect(), unable to look up address '%.300s'.",
                  address);
    log_message(line, VESK_LOG_NETWORK, facility);
    write_error = VESK_SOCK_UNKNOWN;
    return -1;
  }
  if (!sock.create()) {
    log_message("Error in vesk_tcp_socket::start_nonblocking_connect(), unable to create new socket?", VESK_LOG_ALLOC,
                facility);
    write_error = VESK_SOCK_NO_DESCRIPTORS;
    return -1;
  }
  state = connecting;
  std::memset(&peer_address, 0, sizeof peer_address);
  peer_address.sin_family = AF_INET;
  peer_address.sin_port = htons((uint16_t)port);
  peer_address.sin_addr = ip;
  const char *name = server_name[0] ? server_name : address;
  copy_name(handshake_name, is_ip_literal(name) ? nullptr : name);

  if (!sock.set_nonblocking())
    return drop_connection(&write_error, VESK_SOCK_BAD_ARGUMENT);
  int r = sock.connect(peer_address);
  if (r == 0 || r == VESK_SOCK_IS_CONNECTED) {
    write_error = 0;
    r = ssl_try_connect(0, 0);
    // A failed handshake leaves no half-open socket behind.
    if (r < 0 && state != unconnected)
      close();
    return r;
  }
  if (vesk_network_socket::is_transient(r) || r == VESK_SOCK_ALREADY)
    return 0;
  write_error = r;
  close();
  return r;
}

int vesk_tcp_socket::connect_with_timeout(const char *address, int port, int milliseconds) {
  int r = start_nonblocking_connect(address, port);
  if (r == 1)
    return 1;
  if (r < 0)
    return -1;
  if (finish_connect_wait(milliseconds) == 1)
    return 1;
  close();
  return -1;
}

// Waits for the pending TCP connect, then runs the handshake; 1 connected, -1 failed.
int vesk_tcp_socket::finish_connect_wait(int milliseconds) {
  // The TCP connect may have completed at once, with the handshake already begun.
  if (state == handshaking)
    return ssl_handshake_until(deadline_after(milliseconds)) == 1 ? 1 : -1;
  long long deadline = deadline_after(milliseconds);
  for (;;) {
    int ready = sock.poll_ready(0, 1, time_left(deadline));
    if (ready == 0)
      return drop_connection(&write_error, VESK_SOCK_TIMEOUT);
    if (ready < 0) {
      // An interrupted wait is waited again: the connect has not finished yet.
      if (vesk_network_socket::is_transient(ready))
        continue;
      return drop_connection(&write_error, ready);
    }
    int error = sock.pending_error();
    if (error != 0)
      return drop_connection(&write_error, vesk_network_socket::is_transient(error) ? VESK_SOCK_RESET : error);
    if (ready & VESK_SOCK_FAILED)
      return drop_connection(&write_error, VESK_SOCK_RESET);
    if (ready & VESK_SOCK_WRITABLE)
      break;
  }
  return ssl_try_connect(1, milliseconds) == 1 ? 1 : -1;
}

int vesk_tcp_socket::get_status() {
  if (state == connecting || state == handshaking)
    poll_connect();
  return state;
}

int vesk_tcp_socket::poll_connect() {
  if (state == connected) {
    write_error = VESK_SOCK_IS_CONNECTED;
    return -1;
  }
  if (state == handshaking) {
    int r = ssl_retry_connect();
    if (r < 0)
      close();
    return r;
  }
  if (state != connecting) {
    write_error = VESK_SOCK_NOT_CONNECTED;
    return -1;
  }
  int ready = sock.poll_ready(0, 1, 0);
  if (ready == 0)
    return 0;
  if (ready < 0)
    return vesk_network_socket::is_transient(ready) ? 0 : drop_connection(&write_error, ready);
  int error = sock.pending_error();
  if (error != 0)
    return drop_connection(&write_error, vesk_network_socket::is_transient(error) ? VESK_SOCK_RESET : error);
  if (ready & VESK_SOCK_FAILED)
    return drop_connection(&write_error, VESK_SOCK_RESET);
  int r = ssl_try_connect(0, 0);
  if (r < 0 && state != unconnected)
    close();
  return r;
}

// With `blocking`, the handshake runs to its end within `milliseconds` (negative: no limit), so
// that a peer that accepts and then stays silent cannot hold the caller for ever.
int vesk_tcp_socket::ssl_try_connect(int blocking, int milliseconds) {
  if (!ssl_enabled) {
    state = connected;
    return 1;
  }
  if (state != connecting) {
    log_message("Error in vesk_tcp_socket::ssl_try_connect(), socket not in connecting state.", VESK_LOG_FAILURE,
                facility);
    return drop_connection(&write_error, VESK_SOCK_RESET);
  }
  if (ssl) {
    SSL_free(ssl);
    ssl = nullptr;
  }
  ssl = ssl_context ? SSL_new(ssl_context) : nullptr;
  if (!ssl) {
    // Without a TLS object the connect can never finish: fail it rather than leave it pending.
    log_message("Unable to allocate SSL struct in vesk_tcp_socket::ssl_try_connect(), did you run vesk_ssl_startup()?",
                VESK_LOG_FAILURE, facility);
    log_library_errors(VESK_LOG_FAILURE, -1, 0);
    return drop_connection(&write_error, VESK_SOCK_RESET);
  }
  if (!SSL_set_cipher_list(ssl, cipher_list)) {
    log_message("Error in vesk_tcp_socket::ssl_try_connect(), unable to set cipher list?", VESK_LOG_FAILURE, facility);
    return drop_connection(&write_error, VESK_SOCK_RESET);
  }
  if (!SSL_set_fd(ssl, sock.descriptor)) {
    log_message("Error in vesk_tcp_socket::ssl_try_connect(), set_fd failed?", VESK_LOG_FAILURE, facility);
    return drop_connection(&write_error, VESK_SOCK_RESET);
  }
  if (handshake_name[0] && !SSL_set_tlsext_host_name(ssl, handshake_name)) {
    log_message("Error in vesk_tcp_socket::ssl_try_connect(), unable to set server name?", VESK_LOG_FAILURE, facility);
    return drop_connection(&write_error, VESK_SOCK_RESET);
  }
  state = handshaking;
  if (!blocking)
    return ssl_retry_connect();
  return ssl_handshake_until(deadline_after(milliseconds));
}

// Runs handshake steps, waiting for the descriptor in between, until done, failed or the
// deadline (-1: none) passed.
int vesk_tcp_socket::ssl_handshake_until(long long deadline) {
  for (;;) {
    int r = ssl_retry_connect();
    if (r != 0)
      return r;
    int want_write = SSL_want_write(ssl);
    int left = time_left(deadline);
    if (left == 0) {
      write_error = VESK_SOCK_TIMEOUT;
      return -1;
    }
    int ready = sock.poll_ready(!want_write, want_write, left);
    if (ready == 0) {
      write_error = VESK_SOCK_TIMEOUT;
      return -1;
    }
    if (ready < 0 && !vesk_network_socket::is_transient(ready)) {
      write_error = ready;
      return -1;
    }
  }
}

int vesk_tcp_socket::ssl_retry_connect() {
  if (!ssl) {
    log_message("Error in vesk_tcp_socket::ssl_retry_connect(), NULL ssl context?", VESK_LOG_FAILURE, facility);
    write_error = VESK_SOCK_RESET;
    return -1;
  }
  ERR_clear_error();
  errno = 0;
  int r = SSL_connect(ssl);
  int saved_errno = errno;
  if (r == 1) {
    state = connected;
    return 1;
  }
  int kind = SSL_get_error(ssl, r);
  if (kind == SSL_ERROR_WANT_READ || kind == SSL_ERROR_WANT_WRITE)
    return 0;
  if (r == 0) {
    log_message("Warning in vesk_tcp_socket::ssl_retry_connect(), SSL connect failed due to protocol issue.",
                VESK_LOG_NETWORK, facility);
  } else if (kind == SSL_ERROR_ZERO_RETURN) {
    log_message("Controlled ssl close in vesk_tcp_socket::ssl_retry_connect(), bailing.", VESK_LOG_NETWORK, facility);
  } else {
    log_message("SSL connect failed in vesk_tcp_socket::ssl_retry_connect().", VESK_LOG_NETWORK, facility);
    log_library_errors(VESK_LOG_TRACE, kind, saved_errno);
  }
  ERR_clear_error();
  write_error = VESK_SOCK_RESET;
  return -1;
}

int vesk_tcp_socket::nonblocking_read(char *buffer, int size) {
  if (state != connected) {
    read_error = VESK_SOCK_NOT_CONNECTED;
    return -1;
  }
  if (!buffer || size < 1)
    return 0;
  if (ssl) {
    // The tick polls an idle connection fifty times a second: a poll of the descriptor is far
    // cheaper than a TLS read that finds nothing.
    if (SSL_pending(ssl) == 0 && sock.poll_ready(1, 0, 0) == 0)
      return 0;
    ERR_clear_error();
    errno = 0;
    int r = SSL_read(ssl, buffer, size);
    int saved_errno = errno;
    if (r > 0)
      return r;
    int kind = SSL_get_error(ssl, r);
    if (kind == SSL_ERROR_WANT_READ || kind == SSL_ERROR_WANT_WRITE)
      return 0;
    int code = vesk_network_socket::error_code(saved_errno);
    if (kind == SSL_ERROR_ZERO_RETURN || (kind == SSL_ERROR_SYSCALL && code == VESK_SOCK_NO_ERROR))
      return drop_connection(&read_error, 0);
    if (kind == SSL_ERROR_SYSCALL && vesk_network_socket::is_transient(code))
      return 0;
    log_message("Unexpected ssl close in vesk_tcp_socket::nonblocking_read().", VESK_LOG_TRACE, facility);
    log_library_errors(VESK_LOG_TRACE, kind, saved_errno);
    return drop_connection(&read_error, VESK_SOCK_RESET);
  }
  int r = sock.read(buffer, size);
  if (r > 0)
    return r;
  if (r == 0)
    return drop_connection(&read_error, 0);
  read_error = r;
  if (vesk_network_socket::is_transient(r))
    return 0;
  return drop_connection(&read_error, r);
}

int vesk_tcp_socket::nonblocking_write(const char *data, int size) {
  if (state != connected) {
    write_error = VESK_SOCK_NOT_CONNECTED;
    return -1;
  }
  if (!data || size < 1)
    return 0;
  if (ssl) {
    ERR_clear_error();
    errno = 0;
    int r = SSL_write(ssl, data, size);
    int saved_errno = errno;
    if (r > 0)
      return r;
    int kind = SSL_get_error(ssl, r);
    if (kind == SSL_ERROR_WANT_READ || kind == SSL_ERROR_WANT_WRITE)
      return 0;
    int code = vesk_network_socket::error_code(saved_errno);
    if (kind == SSL_ERROR_ZERO_RETURN || (kind == SSL_ERROR_SYSCALL && code == VESK_SOCK_NO_ERROR)) {
      log_message("Clean SSL shutdown in vesk_tcp_socket::nonblocking_write().", VESK_LOG_TRACE, facility);
      return drop_connection(&write_error, 0);
    }
    if (kind == SSL_ERROR_SYSCALL && vesk_network_socket::is_transient(code))
      return 0;
    log_message("Unexpected ssl close in vesk_tcp_socket::nonblocking_write().", VESK_LOG_TRACE, facility);
    log_library_errors(VESK_LOG_TRACE, kind, saved_errno);
    return drop_connection(&write_error, VESK_SOCK_RESET);
  }
  int r = sock.write(data, size);
  if (r >= 0)
    return r;
  write_error = r;
  if (vesk_network_socket::is_transient(r))
    return 0;
  return drop_connection(&write_error, r);
}

int vesk_tcp_socket::read_with_timeout(char *buffer, int size, int milliseconds) {
  if (state != connected) {
    read_error = VESK_SOCK_NOT_CONNECTED;
    return -1;
  }
  if (!buffer || size <= 0)
    return 0;
  // The library may already hold decrypted bytes that no descriptor wait would announce.
  if (ssl) {
    int r = nonblocking_read(buffer, size);
    if (r != 0)
      return r;
  }
  long long deadline = deadline_after(milliseconds);
  for (;;) {
    int want_write = ssl ? SSL_want_write(ssl) : 0;
    int ready = sock.poll_ready(!want_write, want_write, time_left(deadline));
    if (ready == 0)
      return 0;
    if (ready < 0) {
      if (vesk_network_socket::is_transient(ready))
        return 0;
      return drop_connection(&read_error, ready);
    }
    // An error or hang-up is reported by the read itself, after any data still buffered.
    int r = nonblocking_read(buffer, size);
    if (r != 0)
      return r;
    if (time_left(deadline) == 0)
      return 0;
  }
}

int vesk_tcp_socket::write_with_timeout(const char *data, int size, int milliseconds) {
  if (state != connected) {
    write_error = VESK_SOCK_NOT_CONNECTED;
    return -1;
  }
  if (!data || size <= 0)
    return 0;
  // First try at once: what the library wants to wait for is only known after a write attempt
  // (it still reflects the last read until then).
  if (ssl) {
    int r = nonblocking_write(data, size);
    if (r != 0)
      return r;
  }
  long long deadline = deadline_after(milliseconds);
  for (;;) {
    int want_read = ssl ? SSL_want_read(ssl) : 0;
    int ready = sock.poll_ready(want_read, !want_read, time_left(deadline));
    if (ready == 0)
      return 0;
    if (ready < 0) {
      if (vesk_network_socket::is_transient(ready))
        return 0;
      return drop_connection(&write_error, ready);
    }
    int r = nonblocking_write(data, size);
    if (r != 0)
      return r;
    if (time_left(deadline) == 0)
      return 0;
  }
}
