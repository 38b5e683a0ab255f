// The game connection against the demo world: the hello line, reading and writing from the
// tick, and every way a connection ends. Also the outgoing buffer's arithmetic.
#include "demo_server_fixture.h"
#include "log_fixture.h"

#include "net/connection.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstring>
#include <netinet/in.h>
#include <sys/socket.h>

namespace {

struct recorder : vesk_connection_events {
  std::string text;
  std::string reason;
  int disconnects = 0;
  void received(const char *data, int count) override { text.append(data, (size_t)count); }
  void disconnected(const char *why) override {
    reason = why;
    disconnects++;
  }
};

const char *const client_id = "DFLTabcdef0123456789abcdef012345";

// Polls like the 20 ms tick until done() or about five seconds have passed.
template <class F> void tick_until(vesk_connection &c, recorder &r, F done) {
  for (int i = 0; i < 250 && !done(); i++) {
    c.poll(r);
    usleep(20000);
  }
}

class Connection : public testing::Test {
protected:
  static void SetUpTestSuite() { signal(SIGPIPE, SIG_IGN), init_ssl(); }
};

} // namespace

TEST(OutgoingBuffer, PartialWriteKeepsTheRestInOrder) {
  vesk_outgoing_buffer out;
  std::string all;
  for (int i = 0; i < 8000; i++)
    all += (char)('a' + i % 26);
  out.append(all.c_str());
  out.consume(3000);
  ASSERT_EQ(out.size(), 5000);
  EXPECT_EQ(std::string(out.data(), 5000), all.substr(3000));
  out.consume(0);
  EXPECT_EQ(out.size(), 5000);
  out.consume(6000);
  EXPECT_EQ(out.size(), 0);
}

TEST(OutgoingBuffer, OverflowKeepsWhatFitsAndLogsAtLevelTwo) {
  for (int level : {1, 2}) {
    scoped_debug_log log(level);
    vesk_outgoing_buffer out;
    std::string big(9990, 'x');
    out.append(big.c_str());
    out.append("0123456789ABCDEFGHIJ");
    EXPECT_EQ(out.size(), 10000);
    EXPECT_EQ(std::string(out.data() + 9990, 10), "0123456789");
    EXPECT_EQ(log.contains("Error in append_outgoing_string() - not enough space in outgoing buffer?\n"), level == 2);
  }
}

TEST(OutgoingBuffer, ServerFromTheEnvironment) {
  struct row {
    const char *value;
    const char *host;
    int port;
  } rows[] = {{"127.0.0.1:4000", "127.0.0.1", 4000}, {"demo.example", "demo.example", 3102},
              {"h:0", "h", 3102}, {"h:99999", "h", 3102}};
  for (const row &r : rows) {
    setenv("QUORVETH_SERVER", r.value, 1);
    vesk_connection c;
    EXPECT_STREQ(c.get_host(), r.host) << r.value;
    EXPECT_EQ(c.get_port(), r.port) << r.value;
  }
  unsetenv("QUORVETH_SERVER");
  vesk_connection built_in;
  EXPECT_EQ(built_in.get_port(), 3102);
}

TEST_F(Connection, HelloLineThenCommandsAndAnswers) {
  demo_server server;
  ASSERT_GT(server.port, 0);
  vesk_connection c;
  c.set_server("127.0.0.1", server.port);
  const char *reason = nullptr;
  ASSERT_TRUE(c.connect(0, client_id, &reason));
  recorder r;
  tick_until(c, r, [&] { return r.text.find("demo world") != std::string::npos; });
  EXPECT_NE(r.text.find("\x1b[1m\x1b[33mQuorveth"), std::string::npos) << "one SGR parameter per sequence";
  c.send_line("look");
  tick_until(c, r, [&] { return r.text.find("Exits:") != std::string::npos; });
  EXPECT_NE(r.text.find("The Lantern Square"), std::string::npos);
  EXPECT_EQ(server.transcript_text(), std::string("_qvClient") + client_id + " 1.096-g64-rc5\nlook\n");
  EXPECT_EQ(r.disconnects, 0);
  c.close();
}

TEST_F(Connection, EndsAreReportedWithTheirReasons) {
  struct row {
    const char *command;
    const char *reason;
  } rows[] = {{"close", "Connection closed by server."}, {"reset", "Connection to server lost."}};
  for (const row &row : rows) {
    demo_server server;
    ASSERT_GT(server.port, 0);
    vesk_connection c;
    c.set_server("127.0.0.1", server.port);
    const char *reason = nullptr;
    ASSERT_TRUE(c.connect(0, client_id, &reason));
    recorder r;
    tick_until(c, r, [&] { return r.text.find("demo world") != std::string::npos; });
    c.send_line(row.command);
    tick_until(c, r, [&] { return r.disconnects > 0; });
    EXPECT_EQ(r.disconnects, 1) << row.command;
    EXPECT_EQ(r.reason, row.reason) << row.command;
    EXPECT_FALSE(c.is_connected());
  }
}

TEST_F(Connection, ConnectFailures) {
  // A port that was just free: nothing listens there.
  int probe = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in a = {};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  ASSERT_EQ(bind(probe, (sockaddr *)&a, sizeof a), 0);
  socklen_t len = sizeof a;
  getsockname(probe, (sockaddr *)&a, &len);
  int closed_port = ntohs(a.sin_port);
  ::close(probe);

  vesk_connection c;
  c.set_server("127.0.0.1", closed_port);
  const char *reason = nullptr;
  EXPECT_FALSE(c.connect(0, client_id, &reason));
  EXPECT_STREQ(reason, "Unable to connect to server.");
  // An empty name is refused by the resolver itself, so no lookup leaves the machine.
  c.set_server("", 3102);
  EXPECT_FALSE(c.connect(0, client_id, &reason));
  EXPECT_STREQ(reason, "Unable to look up address for game server.");
}

TEST_F(Connection, ABurstIsReadWithinOneTick) {
  demo_server server;
  ASSERT_GT(server.port, 0);
  vesk_connection c;
  c.set_server("127.0.0.1", server.port);
  const char *reason = nullptr;
  ASSERT_TRUE(c.connect(0, client_id, &reason));
  recorder r;
  tick_until(c, r, [&] { return r.text.find("demo world") != std::string::npos; });
  c.send_line("burst 2");
  tick_until(c, r, [&] { return r.text.find("Burst done") != std::string::npos; });
  EXPECT_GT(r.text.size(), 2u * 1024 * 1024);
  EXPECT_NE(r.text.find(";sburstcount;50;eburstcount;"), std::string::npos);
}
