// Tests of the socket layers against real peers on 127.0.0.1: plain TCP and TLS peers run in
// threads of this test, and `openssl s_server` runs as a child process for the server name.
#include "net/network_socket.h"
#include "net/tcp_socket.h"
#include "log_fixture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <arpa/inet.h>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <functional>
#include <netinet/in.h>
#include <openssl/err.h>
#include <openssl/ssl.h>
#include <poll.h>
#include <spawn.h>
#include <sstream>
#include <string>
#include <sys/socket.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

extern char **environ;

namespace {

using clock_type = std::chrono::steady_clock;

long long ms_since(clock_type::time_point start) {
  return std::chrono::duration_cast<std::chrono::milliseconds>(clock_type::now() - start).count();
}

// One temporary directory with a self-signed certificate, and the
// TLS contexts of the test's own servers (one that may negotiate TLS 1.3, one limited to 1.2).
class NetEnvironment : public ::testing::Environment {
public:
  void SetUp() override {
    signal(SIGPIPE, SIG_IGN);
    char pattern[] = "/tmp/net_socket_test.XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    dir = pattern;
    cert = dir + "/cert.pem";
    key = dir + "/key.pem";
    std::string command = "openssl req -x509 -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes -days 30 "
                          "-subj /CN=localhost -keyout " +
                          key + " -out " + cert + " >/dev/null 2>&1";
    ASSERT_EQ(std::system(command.c_str()), 0);
    ASSERT_EQ(init_ssl(), 1);
    for (int i = 0; i < 2; i++) {
      server_context[i] = SSL_CTX_new(TLS_server_method());
      ASSERT_NE(server_context[i], nullptr);
      ASSERT_EQ(SSL_CTX_use_certificate_file(server_context[i], cert.c_str(), SSL_FILETYPE_PEM), 1);
      ASSERT_EQ(SSL_CTX_use_PrivateKey_file(server_context[i], key.c_str(), SSL_FILETYPE_PEM), 1);
    }
    SSL_CTX_set_max_proto_version(server_context[1], TLS1_2_VERSION);
  }
  void TearDown() override {
    for (SSL_CTX *c : server_context)
      SSL_CTX_free(c);
    std::filesystem::remove_all(dir);
  }
  static std::string dir, cert, key;
  static SSL_CTX *server_context[2];
};
std::string NetEnvironment::dir, NetEnvironment::cert, NetEnvironment::key;
SSL_CTX *NetEnvironment::server_context[2];
auto *environment = ::testing::AddGlobalTestEnvironment(new NetEnvironment);

sockaddr_in loopback(int port) {
  sockaddr_in a;
  std::memset(&a, 0, sizeof a);
  a.sin_family = AF_INET;
  a.sin_port = htons((uint16_t)port);
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  return a;
}

int port_of(int fd) {
  sockaddr_in a;
  socklen_t n = sizeof a;
  getsockname(fd, reinterpret_cast<sockaddr *>(&a), &n);
  return ntohs(a.sin_port);
}

int listening_socket(int backlog, int receive_buffer = 0) {
  int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (receive_buffer)
    setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &receive_buffer, sizeof receive_buffer);
  sockaddr_in a = loopback(0);
  if (bind(fd, reinterpret_cast<sockaddr *>(&a), sizeof a) != 0 || listen(fd, backlog) != 0) {
    close(fd);
    return -1;
  }
  return fd;
}

// A port on which nothing listens.
int unused_port() {
  int fd = listening_socket(1);
  int port = port_of(fd);
  close(fd);
  return port;
}

std::string pattern(size_t n, int seed) {
  std::string s(n, 0);
  for (size_t i = 0; i < n; i++)
    s[i] = (char)(i * 131 + (size_t)seed * 7 + (i >> 14));
  return s;
}

// The server side of one accepted connection, plain or TLS; every blocking call is bounded by
// the descriptor's 5-second time-outs.
struct PeerConnection {
  int fd = -1;
  SSL *ssl = nullptr;
  std::string server_name; // the name the client sent, if any

  bool accept_tls(SSL_CTX *context) {
    ssl = SSL_new(context);
    SSL_set_fd(ssl, fd);
    if (SSL_accept(ssl) != 1)
      return false;
    const char *name = SSL_get_servername(ssl, TLSEXT_NAMETYPE_host_name);
    server_name = name ? name : "";
    return true;
  }
  bool read_exact(char *buffer, size_t n) {
    size_t got = 0;
    while (got < n) {
      int want = (int)std::min(n - got, (size_t)1 << 20);
      long r = ssl ? SSL_read(ssl, buffer + got, want) : recv(fd, buffer + got, (size_t)want, 0);
      if (r <= 0)
        return false;
      got += (size_t)r;
    }
    return true;
  }
  bool write_all(const std::string &data) {
    size_t sent = 0;
    while (sent < data.size()) {
      int want = (int)std::min(data.size() - sent, (size_t)1 << 20);
      long r = ssl ? SSL_write(ssl, data.data() + sent, want) : send(fd, data.data() + sent, (size_t)want, MSG_NOSIGNAL);
      if (r <= 0)
        return false;
      sent += (size_t)r;
    }
    return true;
  }
  // Until the client closes its end (or five seconds pass).
  void wait_for_client_close() {
    char buffer[4096];
    auto start = clock_type::now();
    while (ms_since(start) < 5000) {
      long r = ssl ? SSL_read(ssl, buffer, sizeof buffer) : recv(fd, buffer, sizeof buffer, 0);
      if (r <= 0)
        return;
    }
  }
  void reset() {
    linger l{1, 0};
    setsockopt(fd, SOL_SOCKET, SO_LINGER, &l, sizeof l);
    finish();
  }
  void finish() {
    if (ssl)
      SSL_free(ssl);
    ssl = nullptr;
    if (fd >= 0)
      close(fd);
    fd = -1;
  }
};

// A peer that accepts one connection on 127.0.0.1 and runs a script on it in its own thread.
class Peer {
public:
  explicit Peer(std::function<void(PeerConnection &)> script, int receive_buffer = 0)
      : listener(listening_socket(4, receive_buffer)), port(port_of(listener)) {
    thread = std::thread([this, script] {
      pollfd p{listener, POLLIN, 0};
      if (poll(&p, 1, 5000) != 1)
        return;
      PeerConnection c;
      c.fd = accept(listener, nullptr, nullptr);
      if (c.fd < 0)
        return;
      timeval limit{5, 0};
      setsockopt(c.fd, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
      setsockopt(c.fd, SOL_SOCKET, SO_SNDTIMEO, &limit, sizeof limit);
      script(c);
      c.finish();
      ERR_clear_error();
    });
  }
  ~Peer() {
    join();
    close(listener);
  }
  void join() {
    if (thread.joinable())
      thread.join();
  }

  int listener; // declared before port, which is taken from it
  int port;
  std::thread thread;
};

// Every test has its own debug log and leaves the open-socket count where it found it.
class NetSocket : public ::testing::Test {
protected:
  void SetUp() override { open_before = vesk_network_socket::open_socket_count(); }
  void TearDown() override { EXPECT_EQ(vesk_network_socket::open_socket_count(), open_before); }
  scoped_debug_log log;
  int open_before = 0;
};

// Reads until `n` bytes arrived, the connection ended or `ms` passed.
std::string read_some(vesk_tcp_socket &s, size_t n, int chunk, int ms) {
  std::string got;
  std::vector<char> buffer((size_t)chunk);
  auto start = clock_type::now();
  while (got.size() < n && ms_since(start) < ms) {
    int r = s.read_with_timeout(buffer.data(), (int)std::min((size_t)chunk, n - got.size()), 200);
    if (r < 0)
      break;
    got.append(buffer.data(), (size_t)r);
  }
  return got;
}

bool write_everything(vesk_tcp_socket &s, const std::string &data, int ms) {
  size_t sent = 0;
  auto start = clock_type::now();
  while (sent < data.size() && ms_since(start) < ms) {
    int r = s.write_with_timeout(data.data() + sent, (int)(data.size() - sent), 200);
    if (r < 0)
      return false;
    sent += (size_t)r;
  }
  return sent == data.size();
}

// Reads until the connection ends; the bytes that came before the end.
std::string read_to_end(vesk_tcp_socket &s, int ms) {
  std::string got;
  char buffer[4096];
  auto start = clock_type::now();
  while (ms_since(start) < ms) {
    int r = s.read_with_timeout(buffer, sizeof buffer, 200);
    if (r < 0)
      break;
    got.append(buffer, (size_t)r);
  }
  return got;
}

TEST(NetworkSocketCodes, SystemErrorsAndTexts) {
  struct Mapping {
    int error_number, code;
  } mappings[] = {
      {0, -2},           {ENOTCONN, -44},     {EISCONN, -43},     {EALREADY, -42},    {ETIMEDOUT, -41},
      {ECONNREFUSED, -40}, {EINTR, -32},      {EINPROGRESS, -31}, {EAGAIN, -30},      {EWOULDBLOCK, -30},
      {ERESTART, -30},   {ENETRESET, -26},    {ENETUNREACH, -25}, {ENETDOWN, -24},    {EHOSTUNREACH, -23},
      {EHOSTDOWN, -22},  {ECONNABORTED, -21}, {ECONNRESET, -21},  {EPIPE, -20},       {ESHUTDOWN, -20},
      {EADDRINUSE, -16}, {EMSGSIZE, -15},     {ENOMEM, -14},      {ENOBUFS, -14},     {ENFILE, -13},
      {EMFILE, -13},     {EFAULT, -12},       {EBADF, -11},       {EINVAL, -11},      {EBADFD, -11},
      {ENOTSOCK, -11},   {EPERM, -1},         {ENOENT, -1},       {EADDRNOTAVAIL, -1}, {116, -1},
      {200, -1},         {-5, -1},
  };
  for (const Mapping &m : mappings) {
    SCOPED_TRACE(m.error_number);
    EXPECT_EQ(vesk_network_socket::error_code(m.error_number), m.code);
  }
  struct Text {
    int code;
    const char *text;
  } texts[] = {
      {-44, "is not connected"},
      {-43, "already is connected"},
      {-42, "already done"},
      {-41, "timeout"},
      {-40, "connection refused"},
      {-32, "interrupted"},
      {-31, "in progress"},
      {-30, "would block"},
      {-26, "network was reset"},
      {-25, "network unreachable"},
      {-24, "network down"},
      {-23, "remote host unreachable"},
      {-22, "remote host down"},
      {-21, "connection aborted/reset"},
      {-20, "broken network pipe"},
      {-16, "address in use"},
      {-15, "data too big for operation"},
      {-14, "oom or buffer space"},
      {-13, "out of file descriptors"},
      {-12, "address/segmentation fault"},
      {-11, "bad function argument"},
      {-10, "network socket subsystem uninitialized"},
      {-2, "no error"},
      {-1, "unknown error"},
      {-35, "unknown error"},
      {-3, "unknown error"},
      {-45, "unknown error"},
      {0, "unknown error"},
      {1, "unknown error"},
  };
  for (const Text &t : texts) {
    SCOPED_TRACE(t.code);
    EXPECT_STREQ(vesk_network_socket::error_text(t.code), t.text);
  }
  for (int code = -50; code <= 5; code++)
    EXPECT_EQ(vesk_network_socket::is_transient(code), code == -2 || code == -30 || code == -31 || code == -32);
}

TEST_F(NetSocket, DescriptorLayer) {
  vesk_network_socket s;
  EXPECT_EQ(s.set_nonblocking(), 0);
  EXPECT_EQ(s.set_blocking(), 0);
  EXPECT_TRUE(log.contains("Error in vesk_network_socket::set_nonblocking(), setting nonblocking mode failed."));
  EXPECT_TRUE(log.contains("Error in vesk_network_socket::set_blocking(), setting blocking mode failed."));
  EXPECT_EQ(s.read(nullptr, 0), VESK_SOCK_BAD_ARGUMENT);

  ASSERT_EQ(s.create(), 1);
  EXPECT_EQ(vesk_network_socket::open_socket_count(), open_before + 1);
  ASSERT_EQ(s.set_nonblocking(), 1);
  EXPECT_TRUE(fcntl(s.descriptor, F_GETFL) & O_NONBLOCK);
  char byte;
  EXPECT_EQ(s.read(&byte, 1), VESK_SOCK_NOT_CONNECTED);
  EXPECT_EQ(s.connect(loopback(unused_port())) , VESK_SOCK_IN_PROGRESS);
  EXPECT_EQ(s.poll_ready(0, 1, 2000) & VESK_SOCK_WRITABLE, VESK_SOCK_WRITABLE);
  EXPECT_EQ(s.pending_error(), VESK_SOCK_REFUSED);
  ASSERT_EQ(s.set_blocking(), 1);
  EXPECT_FALSE(fcntl(s.descriptor, F_GETFL) & O_NONBLOCK);
  // Creating again replaces the descriptor without leaking the old one.
  ASSERT_EQ(s.create(), 1);
  EXPECT_EQ(vesk_network_socket::open_socket_count(), open_before + 1);
  s.close();
  EXPECT_EQ(s.descriptor, -1);
  s.close();
  EXPECT_EQ(vesk_network_socket::open_socket_count(), open_before);

  fd_set reads;
  FD_ZERO(&reads);
  timeval zero{0, 0};
  EXPECT_EQ(vesk_network_socket::wait(FD_SETSIZE + 1, &reads, nullptr, nullptr, &zero), VESK_SOCK_BAD_ARGUMENT);
  EXPECT_EQ(vesk_network_socket::wait(0, nullptr, nullptr, nullptr, &zero), 0);
}

// Bytes of every size both ways, over plain TCP and TLS 1.3 and 1.2: the peer checks what it
// received, answers with a verdict byte and the same number of bytes of its own, and closes
// cleanly.
TEST_F(NetSocket, ExchangesDataOfEverySize) {
  struct Case {
    int tls; // 0 plain, 1 TLS, 2 TLS 1.2
    const char *address;
    size_t size;
    int read_chunk;
  } cases[] = {
      {0, "127.0.0.1", 1, 1},        {0, "localhost", 1000, 7},       {0, "127.0.0.1", 16384, 10000},
      {0, "127.0.0.1", 1 << 20, 10000}, {0, "127.0.0.1", 5 << 20, 65536},
      {1, "localhost", 1, 1},        {1, "127.0.0.1", 2, 1},          {1, "localhost", 16383, 10000},
      {1, "localhost", 16384, 16384}, {1, "127.0.0.1", 16385, 16384}, {1, "localhost", 32769, 10000},
      {1, "localhost", 1 << 20, 10000}, {1, "localhost", 5 << 20, 65536},
      {2, "localhost", 16385, 10000}, {2, "127.0.0.1", 1 << 20, 16384},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(testing::Message() << "tls " << c.tls << " " << c.address << " size " << c.size);
    std::string to_peer = pattern(c.size, 1), from_peer = pattern(c.size, 2);
    std::atomic<bool> peer_ok{false};
    std::string peer_name = "(none)";
    Peer peer([&](PeerConnection &p) {
      if (c.tls && !p.accept_tls(NetEnvironment::server_context[c.tls - 1]))
        return;
      peer_name = p.server_name;
      std::string got(c.size, 0);
      bool same = p.read_exact(&got[0], c.size) && got == to_peer;
      if (!p.write_all(same ? "Y" : "N") || !p.write_all(from_peer))
        return;
      if (p.ssl)
        SSL_shutdown(p.ssl);
      peer_ok = true;
    });
    vesk_tcp_socket s;
    if (c.tls) {
      ASSERT_EQ(s.enable_ssl(), 1);
    }
    ASSERT_EQ(s.connect_with_timeout(c.address, peer.port, 2000), 1);
    EXPECT_EQ(s.get_status(), vesk_tcp_socket::connected);
    EXPECT_TRUE(write_everything(s, to_peer, 10000));
    std::string got = read_some(s, c.size + 1, c.read_chunk, 10000);
    EXPECT_EQ(got.size(), c.size + 1);
    EXPECT_EQ(got.substr(0, 1), "Y");
    EXPECT_TRUE(got.substr(1) == from_peer) << "received bytes differ";
    // Then the peer's clean close.
    EXPECT_EQ(read_to_end(s, 3000), "");
    EXPECT_EQ(s.read_error, 0);
    EXPECT_EQ(s.state, vesk_tcp_socket::unconnected);
    EXPECT_FALSE(s.sock.is_open());
    peer.join();
    EXPECT_TRUE(peer_ok);
    if (c.tls) {
      EXPECT_EQ(peer_name, std::string(c.address) == "localhost" ? "localhost" : "");
    }
  }
}

// How the end of a connection reads: a clean close gives read error 0 (also a TLS peer that
// skips close_notify), a reset gives -21.
TEST_F(NetSocket, PeerCloseAndReset) {
  enum Action { close_plain, close_notify, close_silently, reset };
  struct Case {
    const char *name;
    bool tls;
    Action action;
    const char *data_before; // what the client reads first
    int read_error;
  } cases[] = {
      {"plain close", false, close_plain, "bye", 0},
      {"TLS close with close_notify", true, close_notify, "bye", 0},
      {"TLS close without close_notify", true, close_silently, "bye", 0},
      {"plain reset", false, reset, "", VESK_SOCK_RESET},
      {"TLS reset", true, reset, "", VESK_SOCK_RESET},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.name);
    Peer peer([&](PeerConnection &p) {
      if (c.tls && !p.accept_tls(NetEnvironment::server_context[0]))
        return;
      if (c.action == reset) {
        p.reset();
        return;
      }
      p.write_all(c.data_before);
      if (c.action == close_notify)
        SSL_shutdown(p.ssl);
    });
    vesk_tcp_socket s;
    if (c.tls)
      s.enable_ssl();
    ASSERT_EQ(s.connect_with_timeout("127.0.0.1", peer.port, 2000), 1);
    peer.join();
    EXPECT_EQ(read_to_end(s, 3000), c.data_before);
    EXPECT_EQ(s.read_error, c.read_error);
    // Only the TLS reset (the last case) counts as an unexpected end.
    EXPECT_EQ(log.contains("Unexpected ssl close in vesk_tcp_socket::nonblocking_read()."), c.tls && c.action == reset);
    EXPECT_EQ(s.state, vesk_tcp_socket::unconnected);
    EXPECT_FALSE(s.sock.is_open());
    // A closed socket refuses further use.
    char byte;
    EXPECT_EQ(s.nonblocking_read(&byte, 1), -1);
    EXPECT_EQ(s.read_error, VESK_SOCK_NOT_CONNECTED);
    EXPECT_EQ(s.nonblocking_write("x", 1), -1);
    EXPECT_EQ(s.write_error, VESK_SOCK_NOT_CONNECTED);
  }
}

// A peer that does not read: the kernel buffers fill, a non-blocking write reports a partial
// count and then 0. Writing on with the unwritten bytes (moved, as the outgoing buffer does)
// delivers the whole stream in order once the peer reads.
TEST_F(NetSocket, PartialWritesKeepTheStreamIntact) {
  for (bool tls : {false, true}) {
    SCOPED_TRACE(tls ? "TLS" : "plain");
    const size_t total = 2 << 20;
    std::string stream = pattern(total, 9);
    std::atomic<bool> go{false}, peer_ok{false};
    Peer peer(
        [&](PeerConnection &p) {
          if (tls && !p.accept_tls(NetEnvironment::server_context[0]))
            return;
          auto start = clock_type::now();
          while (!go && ms_since(start) < 5000)
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
          std::string got(total, 0);
          peer_ok = p.read_exact(&got[0], total) && got == stream;
        },
        4096);
    vesk_tcp_socket s;
    if (tls)
      s.enable_ssl();
    ASSERT_EQ(s.connect_with_timeout("127.0.0.1", peer.port, 2000), 1);
    // Room for a few TLS records, far less than the stream.
    int small = 65536;
    setsockopt(s.sock.descriptor, SOL_SOCKET, SO_SNDBUF, &small, sizeof small);

    std::vector<char> outgoing(stream.begin(), stream.end());
    bool partial = false, blocked = false;
    std::string results;
    for (int attempt = 0; attempt < 10000 && !blocked; attempt++) {
      int n = s.nonblocking_write(outgoing.data(), (int)outgoing.size());
      ASSERT_GE(n, 0);
      results += " " + std::to_string(n);
      if (n > 0 && n < (int)outgoing.size())
        partial = true;
      if (n == 0)
        blocked = true;
      outgoing = std::vector<char>(outgoing.begin() + n, outgoing.end());
    }
    EXPECT_TRUE(partial) << results;
    EXPECT_TRUE(blocked) << results;
    EXPECT_GT(outgoing.size(), 0u);
    EXPECT_EQ(s.state, vesk_tcp_socket::connected);
    go = true;
    auto start = clock_type::now();
    while (!outgoing.empty() && ms_since(start) < 10000) {
      int n = s.write_with_timeout(outgoing.data(), (int)outgoing.size(), 200);
      ASSERT_GE(n, 0);
      outgoing = std::vector<char>(outgoing.begin() + n, outgoing.end());
    }
    EXPECT_TRUE(outgoing.empty());
    peer.join();
    EXPECT_TRUE(peer_ok);
    s.close();
  }
}

TEST_F(NetSocket, ConnectFailures) {
  // A listener whose accept queue is full: further SYNs are dropped, so a connect never completes.
  int full = listening_socket(0);
  int full_port = port_of(full);
  std::vector<int> fillers;
  for (int i = 0; i < 3; i++) {
    int f = socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    sockaddr_in a = loopback(full_port);
    connect(f, reinterpret_cast<sockaddr *>(&a), sizeof a);
    fillers.push_back(f);
  }
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  // Peers that accept but are no TLS servers.
  Peer text_peer([](PeerConnection &p) {
    p.write_all("Welcome to the plain text service.\r\n");
    p.wait_for_client_close();
  });
  Peer silent_peer([](PeerConnection &p) { p.wait_for_client_close(); });

  struct Case {
    const char *name;
    bool tls;
    const char *address;
    int port, ms;
    int write_error;
    int max_ms;
  } cases[] = {
      {"refused", false, "127.0.0.1", unused_port(), 2000, VESK_SOCK_REFUSED, 1000},
      {"refused over TLS", true, "localhost", unused_port(), 2000, VESK_SOCK_REFUSED, 1000},
      {"accept queue full", false, "127.0.0.1", full_port, 200, VESK_SOCK_TIMEOUT, 1500},
      {"accept queue full, TLS", true, "127.0.0.1", full_port, 200, VESK_SOCK_TIMEOUT, 1500},
      {"TLS handshake with a text service", true, "127.0.0.1", text_peer.port, 2000, VESK_SOCK_RESET, 1500},
      {"TLS handshake with a silent peer", true, "127.0.0.1", silent_peer.port, 200, VESK_SOCK_TIMEOUT, 1500},
      {"empty address", false, "", 80, 200, VESK_SOCK_BAD_ARGUMENT, 100},
      {"port out of range", false, "127.0.0.1", 70000, 200, VESK_SOCK_BAD_ARGUMENT, 100},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.name);
    vesk_tcp_socket s;
    if (c.tls)
      s.enable_ssl();
    auto start = clock_type::now();
    EXPECT_EQ(s.connect_with_timeout(c.address, c.port, c.ms), -1);
    long long took = ms_since(start);
    EXPECT_EQ(s.write_error, c.write_error) << vesk_network_socket::error_text(s.write_error);
    if (c.write_error == VESK_SOCK_TIMEOUT) {
      EXPECT_GE(took, c.ms - 10);
    }
    EXPECT_LE(took, c.max_ms);
    EXPECT_EQ(s.state, vesk_tcp_socket::unconnected);
    EXPECT_FALSE(s.sock.is_open());
  }
  EXPECT_TRUE(log.contains("SSL connect failed in vesk_tcp_socket::ssl_retry_connect()."));
  EXPECT_TRUE(log.contains(" - err code 1.")); // SSL_ERROR_SSL with the library's text before it
  for (int f : fillers)
    close(f);
  close(full);
}

// Non-blocking connects driven by get_status, the way the tick polls them.
TEST_F(NetSocket, NonblockingConnectCompletesThroughGetStatus) {
  for (bool tls : {false, true}) {
    SCOPED_TRACE(tls ? "TLS" : "plain");
    Peer peer([&](PeerConnection &p) {
      // A slow server, so that the handshake cannot finish within the first poll.
      std::this_thread::sleep_for(std::chrono::milliseconds(30));
      if (tls && !p.accept_tls(NetEnvironment::server_context[0]))
        return;
      p.write_all("ready\n");
      p.wait_for_client_close();
    });
    vesk_tcp_socket s;
    if (tls)
      s.enable_ssl();
    int r = s.start_nonblocking_connect("127.0.0.1", peer.port);
    ASSERT_GE(r, 0);
    int status = s.state;
    bool saw_handshaking = false;
    auto start = clock_type::now();
    while (status != vesk_tcp_socket::connected && status != vesk_tcp_socket::unconnected && ms_since(start) < 3000) {
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
      status = s.get_status();
      saw_handshaking |= status == vesk_tcp_socket::handshaking;
    }
    ASSERT_EQ(status, vesk_tcp_socket::connected);
    EXPECT_EQ(saw_handshaking, tls);
    EXPECT_EQ(read_some(s, 6, 100, 2000), "ready\n");
    s.close();
    peer.join();
  }
}

TEST_F(NetSocket, StateRulesOnAConnection) {
  std::string received;
  Peer peer([&](PeerConnection &p) {
    if (!p.accept_tls(NetEnvironment::server_context[0]))
      return;
    char buffer[64];
    long n = SSL_read(p.ssl, buffer, sizeof buffer);
    if (n > 0)
      received.assign(buffer, (size_t)n);
    p.wait_for_client_close();
  });
  vesk_tcp_socket s;
  char byte;
  // Unconnected: reads and writes are refused.
  EXPECT_EQ(s.read_with_timeout(&byte, 1, 10), -1);
  EXPECT_EQ(s.read_error, VESK_SOCK_NOT_CONNECTED);
  EXPECT_EQ(s.write_with_timeout("x", 1, 10), -1);
  EXPECT_EQ(s.write_error, VESK_SOCK_NOT_CONNECTED);
  EXPECT_EQ(s.get_status(), vesk_tcp_socket::unconnected);

  EXPECT_EQ(s.enable_ssl(), 1);
  EXPECT_EQ(s.enable_ssl(), 1);
  EXPECT_TRUE(log.contains("Error in vesk_server_socket_writeable::make_ssl_capable(), socket already SSL enabled."));
  ASSERT_EQ(s.connect_with_timeout("localhost", peer.port, 2000), 1);

  EXPECT_EQ(s.enable_ssl(), 0);
  EXPECT_EQ(s.disable_ssl(), 0);
  EXPECT_TRUE(log.contains("Error in vesk_tcp_socket::enable_ssl(), socket not in unconnected state."));
  EXPECT_TRUE(log.contains("Error in vesk_tcp_socket::disable_ssl(), socket not in unconnected state."));
  EXPECT_EQ(s.ssl_enabled, 1);
  // A second connect on a connected socket fails and keeps the connection.
  EXPECT_EQ(s.start_nonblocking_connect("127.0.0.1", peer.port), -1);
  EXPECT_EQ(s.write_error, VESK_SOCK_IS_CONNECTED);
  EXPECT_EQ(s.connect_with_timeout("127.0.0.1", peer.port, 100), -1);
  EXPECT_EQ(s.state, vesk_tcp_socket::connected);
  // Empty writes and reads do nothing.
  EXPECT_EQ(s.nonblocking_write(nullptr, 5), 0);
  EXPECT_EQ(s.nonblocking_write("abc", 0), 0);
  EXPECT_EQ(s.write_with_timeout("abc", -1, 10), 0);
  EXPECT_EQ(s.nonblocking_read(nullptr, 5), 0);
  EXPECT_EQ(s.read_with_timeout(&byte, 0, 10), 0);
  // Nothing to read: 0 after the time-out, still connected.
  auto start = clock_type::now();
  EXPECT_EQ(s.read_with_timeout(&byte, 1, 100), 0);
  EXPECT_GE(ms_since(start), 90);
  EXPECT_EQ(s.nonblocking_read(&byte, 1), 0);
  EXPECT_EQ(s.get_status(), vesk_tcp_socket::connected);
  // The peer sees exactly the bytes of the one real write.
  ASSERT_EQ(s.write_with_timeout("hello", 5, 1000), 5);
  s.close();
  peer.join();
  EXPECT_EQ(received, "hello");
  EXPECT_EQ(s.state, vesk_tcp_socket::unconnected);
  EXPECT_NE(s.ssl, nullptr); // kept until the next connect
  EXPECT_EQ(s.disable_ssl(), 1);
  EXPECT_EQ(s.ssl, nullptr);
}

TEST_F(NetSocket, OneObjectServesConnectionAfterConnection) {
  vesk_tcp_socket s;
  for (int round = 0; round < 3; round++) {
    bool tls = round != 1;
    SCOPED_TRACE(round);
    Peer peer([&](PeerConnection &p) {
      if (tls && !p.accept_tls(NetEnvironment::server_context[0]))
        return;
      p.write_all("round" + std::to_string(round));
    });
    if (tls) {
      ASSERT_EQ(s.enable_ssl(), 1);
    } else {
      ASSERT_EQ(s.disable_ssl(), 1);
    }
    ASSERT_EQ(s.connect_with_timeout("127.0.0.1", peer.port, 2000), 1);
    EXPECT_EQ(read_to_end(s, 3000), "round" + std::to_string(round));
    EXPECT_EQ(s.read_error, 0);
    EXPECT_EQ(s.ssl != nullptr, tls);
  }
}

TEST_F(NetSocket, DestructionClosesAForgottenSocket) {
  Peer peer([](PeerConnection &p) { p.wait_for_client_close(); });
  {
    vesk_tcp_socket s;
    ASSERT_EQ(s.connect_with_timeout("127.0.0.1", peer.port, 2000), 1);
    EXPECT_EQ(vesk_network_socket::open_socket_count(), open_before + 1);
  }
  EXPECT_EQ(vesk_network_socket::open_socket_count(), open_before);
  EXPECT_TRUE(log.contains("Error in ~vesk_tcp_socket(), socket not closed."));
}

// openssl s_server as the peer: the host name arrives as the server name (SNI), an IP literal
// sends none, and a name the server refuses fails the handshake.
class SServer {
public:
  SServer() {
    port = unused_port();
    output = NetEnvironment::dir + "/s_server_" + std::to_string(port) + ".txt";
    int in[2];
    if (pipe2(in, O_CLOEXEC) != 0)
      return;
    stdin_fd = in[1];
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, in[0], 0);
    posix_spawn_file_actions_addopen(&actions, 1, output.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_adddup2(&actions, 1, 2);
    std::string accept = "127.0.0.1:" + std::to_string(port);
    // Unbuffered output, so that each line is in the file as soon as the server printed it.
    const char *argv[] = {"timeout", "20", "stdbuf", "-o0", "openssl", "s_server", "-accept", accept.c_str(),
                          "-cert", NetEnvironment::cert.c_str(), "-key", NetEnvironment::key.c_str(),
                          "-cert2", NetEnvironment::cert.c_str(), "-key2", NetEnvironment::key.c_str(),
                          "-servername", "localhost", "-servername_fatal", nullptr};
    if (posix_spawnp(&pid, "timeout", &actions, nullptr, const_cast<char **>(argv), environ) != 0)
      pid = -1;
    posix_spawn_file_actions_destroy(&actions);
    close(in[0]);
  }
  ~SServer() {
    if (stdin_fd >= 0)
      close(stdin_fd);
    if (pid > 0) {
      kill(pid, SIGTERM);
      waitpid(pid, nullptr, 0);
    }
  }
  std::string text() const {
    std::ifstream in(output);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
  }
  bool wait_for(const std::string &what, size_t from = 0, int ms = 3000) const {
    auto start = clock_type::now();
    while (ms_since(start) < ms) {
      if (text().find(what, from) != std::string::npos)
        return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return false;
  }
  void send(const std::string &line) {
    if (write(stdin_fd, line.data(), line.size()) != (ssize_t)line.size())
      ADD_FAILURE() << "write to s_server failed";
  }
  pid_t pid = -1;
  int port = 0;
  int stdin_fd = -1;
  std::string output;
};

TEST_F(NetSocket, ServerNameReachesOpensslServer) {
  SServer server;
  ASSERT_GT(server.pid, 0);
  ASSERT_TRUE(server.wait_for("ACCEPT")) << server.text();
  const std::string sni = "Hostname in TLS extension: ";
  struct Case {
    const char *address;
    const char *override_name;
    bool connects;
    const char *name_seen; // null: no server name line at all
  } cases[] = {
      {"localhost", nullptr, true, "\"localhost\""},
      {"127.0.0.1", nullptr, true, nullptr},
      {"127.0.0.1", "localhost", true, "\"localhost\""},
      {"127.0.0.1", "other.example", false, "\"other.example\""},
      {"localhost", "127.0.0.1", true, nullptr}, // an IP literal is never sent
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(testing::Message() << c.address << " / " << (c.override_name ? c.override_name : "-"));
    size_t mark = server.text().size();
    vesk_tcp_socket s;
    s.enable_ssl();
    s.set_server_name(c.override_name);
    EXPECT_EQ(s.connect_with_timeout(c.address, server.port, 3000), c.connects ? 1 : -1);
    if (c.name_seen) {
      EXPECT_TRUE(server.wait_for(sni + c.name_seen, mark)) << server.text().substr(mark);
    } else {
      EXPECT_EQ(server.text().find(sni, mark), std::string::npos);
    }
    if (!c.connects) {
      EXPECT_EQ(s.write_error, VESK_SOCK_RESET);
      EXPECT_FALSE(s.sock.is_open());
      continue;
    }
    // Both directions through the real server: its stdout shows what it received, its stdin
    // goes to the client.
    std::string line = "from-client-" + std::to_string(mark) + "\n";
    ASSERT_TRUE(write_everything(s, line, 2000));
    EXPECT_TRUE(server.wait_for(line, mark)) << server.text().substr(mark);
    server.send("from-server\n");
    EXPECT_EQ(read_some(s, 12, 100, 3000), "from-server\n");
    s.close();
  }
}

} // namespace
