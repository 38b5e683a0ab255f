// Connect, poll and write for the game connection; everything runs on the GUI thread.
#include "net/connection.h"

#include "support/log.h"

#include <arpa/inet.h>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <netdb.h>

const char *const vesk_client_version = "1.096-g64-rc5";

namespace {
const char *const built_in_host = "play.quorveth.net";

// A dotted address stays as it is; a name is looked up, first IPv4 answer taken.
bool resolve(const char *host, char *address, int size) {
  in_addr parsed;
  if (inet_pton(AF_INET, host, &parsed) == 1) {
    inet_ntop(AF_INET, &parsed, address, (socklen_t)size);
    return true;
  }
  addrinfo hints = {};
  hints.ai_family = AF_INET;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo *found = nullptr;
  if (getaddrinfo(host, nullptr, &hints, &found) != 0 || !found)
    return false;
  inet_ntop(AF_INET, &((sockaddr_in *)found->ai_addr)->sin_addr, address, (socklen_t)size);
  freeaddrinfo(found);
  return true;
}
} // namespace

vesk_connection::vesk_connection() {
  set_server(built_in_host, default_port);
  const char *override_server = std::getenv("QUORVETH_SERVER");
  if (override_server && *override_server) {
    char name[256];
    std::snprintf(name, sizeof name, "%s", override_server);
    int p = default_port;
    char *colon = std::strrchr(name, ':');
    if (colon) {
      *colon = 0;
      int given = std::atoi(colon + 1);
      if (given > 0 && given < 65536)
        p = given;
    }
    set_server(name, p);
  }
}

void vesk_connection::set_server(const char *name, int server_port) {
  std::snprintf(host, sizeof host, "%s", name ? name : "");
  port = server_port > 0 ? server_port : default_port;
}

bool vesk_connection::connect(int want_port, const char *client_id, const char **reason) {
  socket.enable_ssl();
  // Send the server's name in the handshake, not the address it resolved to.
  socket.set_server_name(host);
  if (want_port < 1)
    want_port = port;
  char address[64];
  if (!resolve(host, address, sizeof address)) {
    *reason = "Unable to look up address for game server.";
    return false;
  }
  if (vesk_debug_level > 1)
    format_message("vesk_mw::socket_connect() - dns lookup ok, address '%s', port %d.\n", address, want_port);
  if (socket.connect_with_timeout(address, want_port, connect_timeout_ms) != 1) {
    socket.close();
    *reason = "Unable to connect to server.";
    return false;
  }
  if (vesk_debug_level > 1)
    format_message("vesk_mw::socket_connect() - socket connect ok.\n");
  outgoing.clear();
  outgoing.append("_qvClient");
  outgoing.append(client_id);
  outgoing.append(" ");
  outgoing.append(vesk_client_version);
  outgoing.append("\n");
  return true;
}

void vesk_connection::send_line(const char *text) {
  outgoing.append(text);
  outgoing.append("\n");
}

void vesk_connection::close() {
  socket.close();
  outgoing.clear();
}

bool vesk_connection::is_connected() { return socket.get_status() == vesk_tcp_socket::connected; }

void vesk_connection::poll(vesk_connection_events &events) {
  int status = socket.get_status();
  if (!was_connected) {
    if (status == vesk_tcp_socket::connected)
      was_connected = true;
    return;
  }
  if (status != vesk_tcp_socket::connected) {
    if (vesk_debug_level > 0)
      format_message("vesk_mw::socket_handler() - abnormal connection failure?\n");
    was_connected = false;
    events.disconnected("Connection to server lost.");
    return;
  }
  char buffer[read_size];
  for (;;) {
    int n = socket.nonblocking_read(buffer, read_size);
    if (n > 0) {
      events.received(buffer, n);
      // A handler may have ended the connection (a local command, a disconnect).
      if (socket.state != vesk_tcp_socket::connected)
        return;
      continue;
    }
    if (n == 0)
      break;
    was_connected = false;
    events.disconnected(socket.read_error == 0 ? "Connection closed by server." : "Connection to server lost.");
    return;
  }
  if (outgoing.size() > 0) {
    int n = socket.nonblocking_write(outgoing.data(), outgoing.size());
    if (n < 0) {
      was_connected = false;
      events.disconnected("Connection to server lost.");
    } else {
      outgoing.consume(n);
    }
  }
}
