// A client TCP connection with an explicit state machine, optionally running TLS (OpenSSL) with
// no certificate check; used by the game connection and the HTTP downloads.
#pragma once

#include "net/network_socket.h"

#include <netinet/in.h>

struct ssl_st;

// Creates the process's one TLS context; call once at start-up. 1 on success, 0 on failure.
int init_ssl();

// Writes on a connection whose peer has gone can raise SIGPIPE inside the TLS library; the
// process is expected to ignore that signal (start-up does).
class vesk_tcp_socket {
public:
  // State bits.
  enum { unconnected = 1, connecting = 2, handshaking = 4, connected = 8 };

  vesk_tcp_socket();
  ~vesk_tcp_socket();
  vesk_tcp_socket(const vesk_tcp_socket &) = delete;
  vesk_tcp_socket &operator=(const vesk_tcp_socket &) = delete;

  // Only while unconnected; 1 done, 0 refused.
  int enable_ssl();
  int disable_ssl();
  // The name sent as TLS server name (SNI) instead of the connect address; null or "" goes back
  // to using the address when it is a host name. An IP literal is never sent.
  void set_server_name(const char *name);

  // address: a host name (looked up, IPv4 only) or a dotted IPv4 address.
  // 1 connected at once (handshake done), 0 in progress, negative on failure.
  int start_nonblocking_connect(const char *address, int port);
  // 1 connected, -1 failed (the socket is then closed and unconnected, write_error tells why:
  // -41 when the time ran out). The TCP connect and the TLS handshake each get at most
  // `milliseconds`; a negative value waits without limit.
  int connect_with_timeout(const char *address, int port, int milliseconds);
  // The state, after polling a pending connect once.
  int get_status();

  // Bytes transferred, 0 for nothing possible now, -1 when the connection is gone (the socket is
  // then closed and unconnected; read_error/write_error is 0 for a clean close by the peer).
  // A write may transfer fewer bytes than asked; a write that returned 0 or a partial count must
  // be repeated with the unwritten bytes first, in order (the buffer may move).
  int nonblocking_read(char *buffer, int size);
  int nonblocking_write(const char *data, int size);
  // As above after waiting up to `milliseconds` for readiness (negative: no limit); 0 when the
  // time passed with nothing done.
  int read_with_timeout(char *buffer, int size, int milliseconds);
  int write_with_timeout(const char *data, int size, int milliseconds);

  // Unconnected, descriptor closed; the TLS object is kept until the next connect.
  void close();

  ssl_st *ssl = nullptr;
  int ssl_enabled = 0;
  vesk_network_socket sock;
  sockaddr_in peer_address;
  int state = unconnected;
  int read_error = 0;
  int write_error = 0;
  // Set by set_server_name; the name used for the connect in progress is in handshake_name.
  char server_name[256];
  char handshake_name[256];

private:
  int poll_connect();
  int ssl_try_connect(int blocking, int milliseconds);
  int ssl_retry_connect();
  int ssl_handshake_until(long long deadline);
  int drop_connection(int *error_field, int code);
  int finish_connect_wait(int milliseconds);
};
