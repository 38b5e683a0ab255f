// Tests of the server stream parser: every state transition, its warnings in the debug log, and
// that any stream gives the same text and items however the reads cut it.
#include "net/stream_parser.h"

#include "support/log.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

std::string log_path;

// One debug log file for the whole binary, emptied before each test that reads it.
class log_environment : public ::testing::Environment {
public:
  void SetUp() override {
    char dir[] = "/tmp/net_stream_parser_test.XXXXXX";
    ASSERT_NE(mkdtemp(dir), nullptr);
    directory = dir;
    log_path = directory + "/quorveth_log.txt";
    if (!vesk_client_set_debug_logfile_name(log_path.c_str())) {
      vesk_client_debug_logfile_close();
      ASSERT_TRUE(vesk_client_set_debug_logfile_name(log_path.c_str()));
    }
    ASSERT_TRUE(vesk_client_try_open_debug_logfile());
  }
  void TearDown() override {
    vesk_client_debug_logfile_close();
    unlink(log_path.c_str());
    rmdir(directory.c_str());
  }
  std::string directory;
};

const ::testing::Environment *const environment = ::testing::AddGlobalTestEnvironment(new log_environment);

void clear_log() { ASSERT_EQ(truncate(log_path.c_str(), 0), 0); }

std::string read_log() {
  std::ifstream in(log_path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

struct item {
  std::string name, data;
  size_t text_offset; // how much text preceded it
  bool operator==(const item &o) const {
    return name == o.name && data == o.data && text_offset == o.text_offset;
  }
};

struct echo_change {
  bool echo_on;
  size_t text_offset;
  bool operator==(const echo_change &o) const { return echo_on == o.echo_on && text_offset == o.text_offset; }
};

// What a stream amounts to, independent of run boundaries.
struct outcome {
  std::string text;
  std::vector<item> items;
  std::vector<echo_change> echoes;
  int bells = 0;
};

// Records every event, both as a readable trace ("T[..]", "I[name|data]", "B", "E0"/"E1")
// and as an outcome, and checks the calling contract on the way.
class recorder : public vesk_stream_listener {
public:
  void on_chunk_begin() override {
    if (in_chunk)
      contract_broken = "chunk begun twice";
    in_chunk = true;
    chunks++;
  }
  void on_text(const char *text, int length) override {
    check_in_chunk();
    if (length < 1 || length > vesk_stream_parser::run_size)
      contract_broken = "run of length " + std::to_string(length);
    else if (text[length] != 0)
      contract_broken = "run not zero-terminated";
    trace += "T[" + std::string(text, (size_t)length) + "]";
    result.text.append(text, (size_t)length);
    runs.push_back(length);
  }
  void on_tagged_item(const char *name, const char *data, int length) override {
    check_in_chunk();
    if (length < 0 || data[length] != 0)
      contract_broken = "bad payload termination";
    trace += "I[" + std::string(name) + "|" + std::string(data, (size_t)length) + "]";
    result.items.push_back({name, std::string(data, (size_t)length), result.text.size()});
  }
  void on_bell() override {
    check_in_chunk();
    trace += "B";
    result.bells++;
  }
  void on_echo(bool echo_on) override {
    check_in_chunk();
    trace += echo_on ? "E1" : "E0";
    result.echoes.push_back({echo_on, result.text.size()});
  }
  void on_chunk_end() override {
    check_in_chunk();
    in_chunk = false;
  }

  void check_in_chunk() {
    if (!in_chunk)
      contract_broken = "event outside a chunk";
  }

  std::string trace;
  outcome result;
  std::vector<int> runs;
  int chunks = 0;
  bool in_chunk = false;
  std::string contract_broken;
};

void feed(vesk_stream_parser &parser, recorder &rec, const std::string &bytes) {
  parser.process_socket_data(bytes.data(), (int)bytes.size(), rec);
}

std::string repeat(char c, int n) { return std::string((size_t)n, c); }

// Keeps the debug level of one test.
class debug_level_scope {
public:
  explicit debug_level_scope(int level) : saved(vesk_debug_level) { vesk_debug_level = level; }
  ~debug_level_scope() { vesk_debug_level = saved; }
  int saved;
};

// ---------------------------------------------------------------------------------------------
// The state table: `setup` is fed as one chunk and must leave the parser in `from`; `input` is fed
// as the next chunk and must give `trace`, the warning text `log` and the state `to`.

struct transition {
  const char *what;
  std::string setup, input;
  int from, to;
  std::string trace, log;
};

const std::string W = "Warning in vesk_mw::process_socket_data(), ";

std::vector<transition> transitions() {
  const std::string a63 = repeat('a', 63), a64 = repeat('a', 64);
  return {
      {"text: IAC", "", "\xff", 1, 10, "", ""},
      {"text: BEL rings, is not shown", "", "\x07", 1, 1, "B", ""},
      {"text: semicolon", "", ";", 1, 20, "", ""},
      {"text: other byte", "", "a", 1, 1, "T[a]", ""},
      {"text: zero byte is text", "", std::string("\0", 1), 1, 1, std::string("T[\0]", 4), ""},
      {"telnet: WILL", "\xff", "\xfb", 10, 11, "", ""},
      {"telnet: WONT", "\xff", "\xfc", 10, 11, "", ""},
      {"telnet: DO", "\xff", "\xfd", 10, 11, "", ""},
      {"telnet: DONT", "\xff", "\xfe", 10, 11, "", ""},
      {"telnet: other command", "\xff", "\xf1", 10, 1, "", ""},
      {"telnet: IAC IAC", "\xff", "\xff", 10, 1, "", ""},
      {"option: DONT ECHO", "\xff\xfe", "\x01", 11, 1, "T[\n]E0", ""},
      {"option: DO ECHO", "\xff\xfd", "\x01", 11, 1, "E1", ""},
      {"option: WILL ECHO", "\xff\xfb", "\x01", 11, 1, "", ""},
      {"option: WONT ECHO", "\xff\xfc", "\x01", 11, 1, "", ""},
      {"option: DONT other", "\xff\xfe", "\x03", 11, 1, "", ""},
      {"option: DO other", "\xff\xfd", "\x03", 11, 1, "", ""},
      {"option: byte after other command is text", "\xff\xf1", "\x01", 1, 1, "T[\x01]", ""},
      {"escape: semicolon", ";", ";", 20, 1, "T[;]", ""},
      {"escape: t", ";", "t", 20, 30, "", ""},
      {"escape: s", ";", "s", 20, 21, "", ""},
      {"escape: e without start", ";", "e", 20, 22, "", W + "end tag '' without start tag.\n"},
      {"escape: e after item", ";sab;d;", "e", 20, 22, "", ""},
      {"escape: other byte", ";", "x", 20, 1, "T[;x]",
       W + "semicolon found?\nCurrent string data ->x<-\n"},
      {"start name: semicolon", ";sab", ";", 21, 23, "", ""},
      {"start name: empty name", ";s", ";", 21, 23, "", ""},
      {"start name: other", ";s", "a", 21, 21, "", ""},
      {"start name: 63rd character", ";s" + repeat('a', 62), "a", 21, 21, "", ""},
      {"start name: 64th character", ";s" + a63, "a", 21, 1, "", W + "qvs tag '" + a64 + "' too long?\n"},
      {"data: semicolon", ";sab;xyz", ";", 23, 20, "I[ab|xyz]", ""},
      {"data: empty", ";sab", ";;", 21, 20, "I[ab|]", ""},
      {"data: carriage return dropped", ";sab;x", "\r;", 23, 20, "I[ab|x]", ""},
      {"data: line feed kept", ";sab;x", "\n;", 23, 20, "I[ab|x\n]", ""},
      {"data: other", ";sab;", "x", 23, 23, "", ""},
      {"data: IAC and BEL are data", ";sab;", "\xff\x07;", 23, 20, "I[ab|\xff\x07]", ""},
      {"data: 14999th character", ";sab;" + repeat('x', 14998), "x;", 23, 20,
       "I[ab|" + repeat('x', 14999) + "]", ""},
      {"data: 15000th character", ";sab;" + repeat('x', 14999), "x", 23, 1, "",
       W + "tagged data was too long, discarding.\n"},
      {"end name: matching", ";sab;d;eab", ";", 22, 1, "", ""},
      {"end name: differing", ";sab;d;ecd", ";", 22, 1, "",
       "Warning vesk_mw::process_socket_data(), qve tag 'cd' does not match qvs tag 'ab'.\n"},
      {"end name: other", ";sab;d;e", "a", 22, 22, "", ""},
      {"end name: 64th character", ";sab;d;e" + a63, "a", 22, 1, "", W + "qve tag '" + a64 + "' too long?\n"},
      {"empty tag: semicolon", ";tab", ";", 30, 1, "I[ab|]", ""},
      {"empty tag: other", ";t", "a", 30, 30, "", ""},
      {"empty tag: 64th character", ";t" + a63, "a", 30, 1, "", W + "qvt tag '" + a64 + "' too long?\n"},
  };
}

TEST(StreamParserStates, EveryTransition) {
  debug_level_scope level(3);
  for (const transition &t : transitions()) {
    SCOPED_TRACE(t.what);
    vesk_stream_parser parser;
    recorder rec;
    feed(parser, rec, t.setup);
    ASSERT_EQ(parser.parser_state, t.from);
    rec.trace.clear();
    clear_log();
    feed(parser, rec, t.input);
    EXPECT_EQ(rec.trace, t.trace);
    EXPECT_EQ(parser.parser_state, t.to);
    EXPECT_EQ(read_log(), t.log);
    EXPECT_EQ(rec.contract_broken, "");
  }
}

TEST(StreamParserStates, UnknownStoredStateIgnoresBytesUntilReset) {
  vesk_stream_parser parser;
  recorder rec;
  parser.parser_state = 99;
  feed(parser, rec, "text;tname;\xff\xfe\x01\x07");
  EXPECT_EQ(rec.trace, "");
  EXPECT_EQ(parser.parser_state, 99);
  parser.reset();
  feed(parser, rec, "ok");
  EXPECT_EQ(rec.trace, "T[ok]");
}

TEST(StreamParserStates, ResetAbandonsHalfReceivedItem) {
  vesk_stream_parser parser;
  recorder rec;
  feed(parser, rec, ";sgroup;abc");
  parser.reset();
  EXPECT_EQ(parser.parser_state, vesk_stream_parser::state_text);
  EXPECT_STREQ(parser.start_tag_name, "");
  feed(parser, rec, "def;;x");
  EXPECT_EQ(rec.trace, "T[def]T[;x]");
}

// ---------------------------------------------------------------------------------------------
// Where runs are cut and in which order events arrive within one chunk.

TEST(StreamParserRuns, FlushPointsAndOrder) {
  struct row {
    const char *what;
    std::string input, trace;
  } rows[] = {
      {"two semicolons give one", "a;;b", "T[a]T[;b]"},
      {"IAC flushes", "ab\xff\xfb\x01" "cd", "T[ab]T[cd]"},
      {"DONT ECHO: line break between the halves, then secret mode", "ab\xff\xfe\x01" "cd", "T[ab]T[\n]E0T[cd]"},
      {"DO ECHO", "ab\xff\xfd\x01" "cd", "T[ab]E1T[cd]"},
      {"bell rings at once and does not cut the run", "ab\x07" "cd", "BT[abcd]"},
      {"text before an item is shown before it", "x;tbclear;y", "T[x]I[bclear|]T[y]"},
      {"group item shows nothing", ";sgroup;a\nb;egroup;", "I[group|a\nb]"},
      {"carriage return in text is text", "a\r\nb", "T[a\r\nb]"},
      {"semicolon after an item", ";sab;d;;x", "I[ab|d]T[;x]"},
      {"end name mismatch still dispatched under the start name", ";sab;d;ezz;", "I[ab|d]"},
      {"item right after an item", ";sa;1;sb;2;eb;", "I[a|1]I[b|2]"},
      {"text cut at 2560", repeat('x', 2561), "T[" + repeat('x', 2560) + "]T[x]"},
      {"escaped semicolon fills the run", repeat('x', 2559) + ";;y", "T[" + repeat('x', 2559) + "]T[;y]"},
  };
  for (const row &r : rows) {
    SCOPED_TRACE(r.what);
    vesk_stream_parser parser;
    recorder rec;
    feed(parser, rec, r.input);
    EXPECT_EQ(rec.trace, r.trace);
    EXPECT_EQ(rec.contract_broken, "");
  }
}

TEST(StreamParserRuns, EveryChunkIsBracketed) {
  vesk_stream_parser parser;
  recorder rec;
  feed(parser, rec, "abc;sn;");
  feed(parser, rec, "d;");
  EXPECT_EQ(rec.chunks, 2);
  EXPECT_FALSE(rec.in_chunk);
  EXPECT_EQ(rec.contract_broken, "");
  EXPECT_EQ(rec.trace, "T[abc]I[n|d]");
  parser.process_socket_data("x", 0, rec);
  parser.process_socket_data(nullptr, 5, rec);
  EXPECT_EQ(rec.chunks, 2);
}

// After an over-long part the rest of the item shows up as text, up to the next ";".
TEST(StreamParserRuns, OverlongPartsFallBackToText) {
  debug_level_scope level(1);
  struct row {
    const char *what;
    std::string input, text;
    size_t items;
  } rows[] = {
      {"payload", ";sab;" + repeat('x', 15000) + "tail;;more", "tail;more", 0},
      {"start name", ";s" + repeat('n', 64) + "rest;;x", "rest;x", 0},
      {"empty tag name", ";t" + repeat('n', 65) + "rest;;x", "nrest;x", 0},
      {"end name", ";sab;d;e" + repeat('n', 64) + "rest;;x", "rest;x", 1},
  };
  for (const row &r : rows) {
    SCOPED_TRACE(r.what);
    vesk_stream_parser parser;
    recorder rec;
    feed(parser, rec, r.input);
    EXPECT_EQ(rec.result.text, r.text);
    EXPECT_EQ(rec.result.items.size(), r.items);
    EXPECT_EQ(parser.parser_state, vesk_stream_parser::state_text);
  }
}

// ---------------------------------------------------------------------------------------------
// Warnings that depend on what came before.

TEST(StreamParserWarnings, StartNameOutlivesItemUntilNextMarker) {
  debug_level_scope level(3);
  struct row {
    const char *what;
    std::string input, log;
  } rows[] = {
      {"complete items", ";sab;d;eab;;tx;;sy;d;ey;", ""},
      {"literal semicolon after an item, then a new item", ";sab;d;;;sb;d;eb;",
       W + "double start tags?  Previous was 'ab'.\n"},
      {"empty tag after an unclosed item", ";sab;d;;;tb;", W + "double start tags?  Previous was 'ab'.\n"},
      {"empty tag clears its name", ";tab;;tb;", ""},
      {"discarded payload keeps the start name", ";sab;" + repeat('x', 15000) + ";tb;",
       W + "tagged data was too long, discarding.\n" + W + "double start tags?  Previous was 'ab'.\n"},
      {"end name clears the start name", ";sab;d;eab;;ex;",
       W + "end tag '' without start tag.\n" +
           "Warning vesk_mw::process_socket_data(), qve tag 'x' does not match qvs tag ''.\n"},
      {"mismatch is logged after dispatch", ";sab;d;ecd;",
       "Warning vesk_mw::process_socket_data(), qve tag 'cd' does not match qvs tag 'ab'.\n"},
  };
  for (const row &r : rows) {
    SCOPED_TRACE(r.what);
    vesk_stream_parser parser;
    recorder rec;
    clear_log();
    feed(parser, rec, r.input);
    EXPECT_EQ(read_log(), r.log);
  }
}

TEST(StreamParserWarnings, SemicolonWarningShowsTheChunkCutAt5999Bytes) {
  debug_level_scope level(3);
  vesk_stream_parser parser;
  recorder rec;
  std::string chunk = "ab;q" + repeat('y', 7000);
  clear_log();
  feed(parser, rec, chunk);
  EXPECT_EQ(read_log(), W + "semicolon found?\nCurrent string data ->" + chunk.substr(0, 5999) + "<-\n");
  EXPECT_EQ(rec.result.text, "ab;q" + repeat('y', 7000));
}

TEST(StreamParserWarnings, OnlyAboveLevelOne) {
  const std::string input = ";x;e;;s" + repeat('a', 70);
  for (int level : {0, 1, 2, 3}) {
    SCOPED_TRACE(level);
    debug_level_scope scope(level);
    vesk_stream_parser parser;
    recorder rec;
    clear_log();
    feed(parser, rec, input);
    std::string log = read_log();
    if (level > 1) {
      EXPECT_NE(log.find("semicolon found?"), std::string::npos);
      EXPECT_NE(log.find("without start tag"), std::string::npos);
      EXPECT_NE(log.find("qvs tag"), std::string::npos);
    } else {
      EXPECT_EQ(log, "");
    }
  }
}

// ---------------------------------------------------------------------------------------------
// However the reads cut a stream, the text and the items stay the same.

void check_contract(const recorder &rec) {
  EXPECT_EQ(rec.contract_broken, "");
  EXPECT_FALSE(rec.in_chunk);
}

outcome feed_in_pieces(const std::string &stream, const std::vector<size_t> &sizes, int *calls = nullptr) {
  vesk_stream_parser parser;
  recorder rec;
  size_t pos = 0, k = 0;
  while (pos < stream.size()) {
    size_t n = sizes.empty() ? stream.size() : sizes[k++ % sizes.size()];
    if (n > stream.size() - pos)
      n = stream.size() - pos;
    parser.process_socket_data(stream.data() + pos, (int)n, rec);
    pos += n;
  }
  check_contract(rec);
  if (calls)
    *calls = rec.chunks;
  return rec.result;
}

void expect_same(const outcome &a, const outcome &b) {
  EXPECT_EQ(a.text, b.text);
  EXPECT_TRUE(a.items == b.items);
  EXPECT_TRUE(a.echoes == b.echoes);
  EXPECT_EQ(a.bells, b.bells);
}

std::vector<std::string> sample_streams() {
  static const char zeros[] = "nul\0in text;sn\0ame;da\0ta;en\0ame;";
  std::vector<std::string> streams = {
      "Hello;; world\r\n;sgroup;Tom 10 20\r\n;egroup;after",
      ";tbclear;;t;;;sempty;;eempty;x;s;nameless;e;",
      ";sdirs;on AB;edirs;\x07You hear a bell.\x07\n",
      "Password: \xff\xfe\x01secret\xff\xfd\x01\xff\xfb\x01\xff\xfc\x03\xff\xff;;\xff",
      ";sab;d;ecd;;sab;d;;x;;;sq;w;zz;e;",
      ";s" + repeat('a', 64) + "overflow;d;eb;" + ";t" + repeat('b', 80) + ";" + ";sc;d;e" + repeat('c', 70) + ";",
      ";sbig;" + repeat('p', 14999) + ";ebig;" + ";sbig;" + repeat('q', 15001) + ";ebig;",
      repeat('t', 6000) + ";tmid;" + repeat('u', 2559) + ";;" + repeat('v', 2561),
      std::string(zeros, sizeof zeros - 1),
  };
  // Random streams over bytes that matter to the parser.
  const std::string alphabet = ";;;;stexab\r\n\x07\xff\xfb\xfd\xfe\x01 ";
  std::mt19937 gen(20240611u);
  for (int i = 0; i < 40; i++) {
    std::string s;
    size_t n = 1 + gen() % 400;
    for (size_t k = 0; k < n; k++)
      s += alphabet[gen() % alphabet.size()];
    streams.push_back(s);
  }
  return streams;
}

TEST(StreamParserChunks, SameResultHoweverSplit) {
  debug_level_scope level(0);
  std::mt19937 gen(77u);
  for (const std::string &stream : sample_streams()) {
    SCOPED_TRACE(stream.substr(0, 60));
    int calls = 0;
    outcome whole = feed_in_pieces(stream, {}, &calls);
    ASSERT_EQ(calls, 1);
    expect_same(whole, feed_in_pieces(stream, {1}));
    for (int round = 0; round < 5; round++) {
      std::vector<size_t> sizes;
      for (int k = 0; k < 16; k++)
        sizes.push_back(1 + gen() % (round < 3 ? 7 : 3000));
      expect_same(whole, feed_in_pieces(stream, sizes));
    }
  }
}

// The same item cut at every byte over two reads is dispatched exactly once, unchanged.
TEST(StreamParserChunks, ItemCutAtEveryByte) {
  const std::string stream = "before;sgroup;a\r\nb c;egroup;after;tbclear;";
  for (size_t cut = 1; cut < stream.size(); cut++) {
    SCOPED_TRACE(cut);
    vesk_stream_parser parser;
    recorder rec;
    feed(parser, rec, stream.substr(0, cut));
    feed(parser, rec, stream.substr(cut));
    check_contract(rec);
    ASSERT_EQ(rec.result.items.size(), 2u);
    EXPECT_EQ(rec.result.items[0].name, "group");
    EXPECT_EQ(rec.result.items[0].data, "a\nb c");
    EXPECT_EQ(rec.result.items[1].name, "bclear");
    EXPECT_EQ(rec.result.text, "beforeafter");
  }
}

} // namespace
