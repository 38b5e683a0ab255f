// The game connection without its window: connect over TLS and send the hello line, poll the
// socket from the tick (read until it would block, write what is buffered), and tell the owner
// what arrived and how a connection ended. The main window holds one by value.
#pragma once

#include "net/outgoing_buffer.h"
#include "net/tcp_socket.h"

class vesk_connection_events {
public:
  virtual ~vesk_connection_events() = default;
  // One received chunk.
  virtual void received(const char *data, int count) = 0;
  // The connection ended; reason is the text the player is shown.
  virtual void disconnected(const char *reason) = 0;
};

class vesk_connection {
public:
  static const int default_port = 3102;
  static const int read_size = 10000;
  static const int connect_timeout_ms = 5000;

  // The game server: the built-in host, or QUORVETH_SERVER ("host" or "host:port").
  vesk_connection();
  void set_server(const char *host, int port);
  const char *get_host() const { return host; }
  int get_port() const { return port; }

  // Connects now (port below 1: the server's port) and queues the hello line. On failure returns
  // false with the reason to show; the socket is then closed.
  bool connect(int port, const char *client_id, const char **reason);
  // One poll of the tick: reads until it would block, then writes once.
  void poll(vesk_connection_events &events);
  // Closes the socket and empties the outgoing buffer.
  void close();
  bool is_connected();

  void append_outgoing_string(const char *text) { outgoing.append(text); }
  // The text and a line feed.
  void send_line(const char *text);

  vesk_tcp_socket socket;
  vesk_outgoing_buffer outgoing;
  bool first_connect_done = false;
  bool was_connected = false;

private:
  char host[256];
  int port = default_port;
};

extern const char *const vesk_client_version;
