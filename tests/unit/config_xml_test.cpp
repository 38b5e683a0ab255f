// Tests of the settings XML reader and writer and of fget_line: reading edge cases, messages and
// their categories, exact writer output, round trips in memory and through a file xmllint accepts.
#include "config/xml_reader.h"
#include "config/xml_writer.h"

#include <gtest/gtest.h>

#include <cctype>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <sys/stat.h>
#include <vector>

#include "support/log.h"

namespace {

std::string make_temp_dir() {
  char pattern[] = "/tmp/config_xml_test.XXXXXX";
  const char *dir = mkdtemp(pattern);
  return dir ? dir : "";
}

void remove_dir(const std::string &dir) {
  if (!dir.empty())
    std::system(("rm -rf '" + dir + "'").c_str());
}

std::string log_path;

// Points the debug log at a file of its own before any message is written.
class LogEnvironment : public ::testing::Environment {
public:
  void SetUp() override {
    dir = make_temp_dir();
    ASSERT_FALSE(dir.empty());
    log_path = dir + "/quorveth_log.txt";
    ASSERT_TRUE(vesk_client_set_debug_logfile_name(log_path.c_str()));
    vesk_debug_level = 3;
    // Opened now, so that its own opening line is not taken for a message of a test.
    ASSERT_TRUE(vesk_client_try_open_debug_logfile());
  }
  void TearDown() override { remove_dir(dir); }
  std::string dir;
};

::testing::Environment *const log_environment = ::testing::AddGlobalTestEnvironment(new LogEnvironment);

std::string read_file(const std::string &path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

// What the log gained since the watch was made.
struct LogWatch {
  size_t start = read_file(log_path).size();
  std::string text() const { return read_file(log_path).substr(start); }
};

bool has_problem(const std::string &log) {
  return log.find("Warning") != std::string::npos || log.find("Error") != std::string::npos;
}

// ---------------------------------------------------------------------------------------------
// Reader: a small script of operations over one input.
//   t read_tag, d read_data (text), c read_data into 4 bytes, i read_data (int), s skip_data.

std::string run_script(vesk_xml_reader &reader, const std::string &script) {
  std::string out;
  for (char op : script) {
    if (!out.empty())
      out += ' ';
    char text[1000] = "untouched";
    int number = -99;
    switch (op) {
    case 't':
      out += reader.read_tag(text, sizeof text) ? "1:" + std::string(text) : "0";
      break;
    case 'd':
      out += reader.read_data(text, sizeof text) ? "1:" + std::string(text) : "0";
      break;
    case 'c':
      out += reader.read_data(text, 4) ? "1:" + std::string(text) : "0";
      break;
    case 'i': {
      int r = reader.read_data(&number);
      out += std::to_string(r) + ":" + std::to_string(number);
      break;
    }
    case 's':
      reader.skip_data();
      out += "s";
      break;
    }
  }
  return out;
}

int stack_depth(const vesk_xml_reader &reader) {
  int n = 0;
  for (const vesk_xml_stack_entry *e = reader.stack_top; e; e = e->next)
    n++;
  return n;
}

struct ReaderCase {
  const char *name;
  std::string input;
  const char *script;
  const char *results;
  int depth_after;
  // A log line expected (warnings of the reader without their common start); "" means no
  // warning or error at all.
  const char *message;
};

void PrintTo(const ReaderCase &c, std::ostream *os) { *os << c.name; }

const std::string W = "Warning in vesk_xml_reader::";

const std::vector<ReaderCase> reader_cases = {
    {"empty value", "<name></name>", "td", "1:name 1:", 0, ""},
    {"entity scan resumes after entity", "<v>&amp;lt;</v>", "td", "1:v 1:&lt;", 0, ""},
    {"all three entities", "<v>&lt;&gt;&amp;\"'</v>", "td", "1:v 1:<>&\"'", 0, ""},
    {"unknown entity kept", "<v>a&b</v>", "td", "1:v 1:a&b", 0, "compact_string(), unknown '&' conversion found?"},
    {"tab fails silently, closing tag untouched", "<v>a\tb</v>", "td", "1:v 0", 1, ""},
    {"high byte fails silently", "<v>caf\xe9</v>", "td", "1:v 0", 1, ""},
    {"NUL byte fails silently", std::string("<v>a\0b</v>", 10), "td", "1:v 0", 1, ""},
    {"attributes are part of the tag", "<x a=\"1\">v</x>", "td", "1:x a=\"1\" 1:v", 0,
     "pop_stack_entry() - popped tag 'x' did not match expected tag 'x a=\"1\"'."},
    {"mismatched closing tag still pops", "<a><b>1</b></c><d>", "ttitt", "1:a 1:b 1:1 0 1:d", 1,
     "pop_stack_entry() - popped tag 'c' did not match expected tag 'a'."},
    {"end of input inside value", "<v>abc", "td", "1:v 0", 1,
     "read_block(), file corruption - got EOF before trailing bracket."},
    {"end of input inside tag", "<abc", "t", "0", 0,
     "read_block(), file corruption - got EOF before trailing bracket."},
    {"tag ended by open bracket", "<a<b>", "tt", "1:a 0", 1, "read_block(), got second open bracket?"},
    {"value ended by closing bracket", "<v>a>b</v>", "td", "1:v 1:a", 0, "read_block(), got second closing bracket?"},
    {"long value cut, closing tag still found", "<v>abcdefg</v>", "tc", "1:v 1:abc", 0, ""},
    {"entities in tags", "<a&amp;b>x</a&amp;b>", "td", "1:a&b 1:x", 0, ""},
    {"loop ends at enclosing closing tag", "<a>\n  <b>1</b>\n</a>\n", "ttitt", "1:a 1:b 1:1 0 0", 0, ""},
    {"closing bracket between tags", "<a>1</a> > <b>2</b>", "titi", "1:a 1:1 1:b 1:2", 0,
     "skip_chunk(), got closing bracket?"},
    {"int", "<n>42</n>", "ti", "1:n 1:42", 0, ""},
    {"negative int", "<n>-7</n>", "ti", "1:n 1:-7", 0, ""},
    {"plus sign", "<n>+5</n>", "ti", "1:n 1:5", 0, ""},
    {"number then junk", "<n>12abc</n>", "ti", "1:n 1:12", 0, ""},
    {"too large saturates", "<n>99999999999</n>", "ti", "1:n 1:2147483647", 0, ""},
    {"too small saturates", "<n>-99999999999</n>", "ti", "1:n 1:-2147483648", 0, ""},
    {"non-number keeps value, closing read", "<n>abc</n><m>3</m>", "titi", "1:n 0:-99 1:m 1:3", 0,
     "read_data(int) - got non-number'abc'."},
    {"minus without digit", "<n>-x</n>", "ti", "1:n 0:-99", 0, "read_data(int) - got non-number'-x'."},
    {"empty number", "<n></n>", "ti", "1:n 0:-99", 0, "read_data(int) - got non-number''."},
    {"bad number block leaves stack", "<n>1\t</n>", "ti", "1:n 0:-99", 1, ""},
    {"stray closing tag at outermost level", "</zz>\n<a>1</a>", "tti", "0 1:a 1:1", 0,
     "pop_stack_entry() - got closing tag 'zz' with no open tag."},
    {"value read with nothing open", "5</a><b>6</b>", "iti", "1:5 1:b 1:6", 0,
     "pop_stack_entry() - got closing tag 'a' with no open tag."},
    {"skip with nothing open reads nothing", "<a>1</a>", "sti", "s 1:a 1:1", 0,
     "Error in vesk_xml_reader::skip_data() - you must read at least the opening tag before skipping data."},
    {"skip nested with comment", "<a><!-- note --><b><c>x</c></b><d>y</d></a><z>9</z>", "tsti", "1:a s 1:z 1:9", 0, ""},
    {"skip leaf", "<a>text &amp; more</a><z>9</z>", "tsti", "1:a s 1:z 1:9", 0, ""},
    {"skip to end of input", "<a><b>1</b>", "ts", "1:a s", 1, "skip_data() - unable to read chunk?"},
    {"skip into a bad tag", "<a><b\t>", "ts", "1:a s", 1, "skip_data() - unable to read block?"},
};

class ReaderTable : public ::testing::TestWithParam<ReaderCase> {};

TEST_P(ReaderTable, Script) {
  const ReaderCase &c = GetParam();
  LogWatch log;
  vesk_xml_string_reader reader(c.input);
  EXPECT_EQ(run_script(reader, c.script), c.results);
  EXPECT_EQ(stack_depth(reader), c.depth_after);
  std::string text = log.text();
  std::string line = std::string(c.message) + "\n";
  if (line.compare(0, 6, "Error ") != 0)
    line = W + line;
  if (*c.message)
    EXPECT_NE(text.find(line), std::string::npos) << text;
  else
    EXPECT_FALSE(has_problem(text)) << text;
}

INSTANTIATE_TEST_SUITE_P(Cases, ReaderTable, ::testing::ValuesIn(reader_cases),
                         [](const ::testing::TestParamInfo<ReaderCase> &info) {
                           std::string n;
                           for (const char *p = info.param.name; *p; p++)
                             n += isalnum((unsigned char)*p) ? *p : '_';
                           return n;
                         });

// ---------------------------------------------------------------------------------------------
// Declaration lines.

struct HeaderCase {
  const char *line;
  int result;
  const char *message; // tail after "...check_xml_header_string(), "; "" for none
};

const std::vector<HeaderCase> header_cases = {
    {"<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>", 1, ""},
    {"<?XML encoding=\"x\" version=\"y\" ?>", 1, ""},
    {"<?xml\tversion = \"1\"   encoding =\t\"2\"", 1, ""},
    {"<?xml version=\"1.0\"?>", 0, "didn't get encoding."},
    {"<?xml encoding=\"x\"?>", 0, "didn't get version."},
    {"<?xml", 0, "didn't get either version or encoding."},
    {"<?xml   ", 0, "didn't get either version or encoding."},
    {"", 0, "missing opening '<?xml' tag."},
    {"<xml version=\"1.0\" encoding=\"x\"?>", 0, "missing opening '<?xml' tag."},
    {"<?xmlversion=\"1.0\" encoding=\"x\"?>", 0, "missing opening '<?xml' tag."},
    {"<?xml ?>", 0, "unknown tag found."},
    {"<?xml version=\"1.0\" standalone=\"yes\"?>", 0, "unknown tag found."},
    {"<?xml Version=\"1.0\" encoding=\"x\"?>", 0, "unknown tag found."},
    {"<?xml version \"1.0\" encoding=\"x\"?>", 0, "'version' tag found, but no version."},
    {"<?xml version=1.0 encoding=\"x\"?>", 0, "'version' tag found, but no opening version quote."},
    {"<?xml version=\"1.0 encoding=x?>", 0, "'version' tag found, but no closing version quote."},
    {"<?xml encoding\"x\" version=\"1\"?>", 0, "'encoding' tag found, but no encoding."},
    {"<?xml encoding=x version=\"1\"?>", 0, "'encoding' tag found, but no opening encoding quote."},
    {"<?xml version=\"1\" encoding=\"x", 0, "'encoding' tag found, but no closing encoding quote."},
};

TEST(XmlHeader, CheckHeaderStringTable) {
  for (const HeaderCase &c : header_cases) {
    LogWatch log;
    EXPECT_EQ(vesk_xml_reader::check_xml_header_string(c.line), c.result) << c.line;
    std::string text = log.text();
    if (*c.message)
      EXPECT_NE(text.find(W + "check_xml_header_string(), " + c.message + "\n"), std::string::npos)
          << c.line << "\n" << text;
    else
      EXPECT_FALSE(has_problem(text)) << c.line << "\n" << text;
  }
}

// ---------------------------------------------------------------------------------------------
// Writer.

TEST(XmlWriter, ExactOutputOfSmallDocument) {
  LogWatch log;
  vesk_xml_string_writer w;
  EXPECT_EQ(w.write_xml_header(), 44);
  w.write_tag("a", 1, nullptr);
  w.write_tag("b", 0, nullptr);
  w.write_string("1");
  w.end_tag(nullptr, 0);
  w.write_tag("c", 1, nullptr);
  w.write_tag("d", 0, "k=\"<v>\"");
  w.write_string("x<y>&\"z\xe9");
  w.end_tag("d", 0);
  w.write_tag("e&f", 0, nullptr);
  w.write_string("");
  w.end_tag(nullptr, 0);
  w.end_tag(nullptr, 1);
  w.end_tag(nullptr, 1);
  w.write_newline();
  EXPECT_EQ(w.text, "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\n"
                    "<a>\n"
                    "  <b>1</b>\n"
                    "  <c>\n"
                    "    <d k=\"<v>\">x&lt;y&gt;&amp;\"z\xe9</d>\n"
                    "    <e&amp;f></e&amp;f>\n"
                    "  </c>\n"
                    "</a>\n"
                    "\n");
  EXPECT_EQ(w.depth, 0);
  EXPECT_EQ(w.stack_top, nullptr);
  EXPECT_FALSE(has_problem(log.text())) << log.text();
}

struct WriterCase {
  const char *name;
  std::function<void(vesk_xml_writer &)> action;
  std::string output;
  const char *message; // whole log line (without the line end log_message adds)
};

TEST(XmlWriter, MisuseTable) {
  const std::string long_tag(1200, 't');
  const std::string cut_tag(999, 't');
  const std::vector<WriterCase> cases = {
      {"closing more than opened",
       [](vesk_xml_writer &w) {
         w.write_tag("a", 0, nullptr);
         w.end_tag(nullptr, 0);
         w.end_tag(nullptr, 1);
         w.write_tag("x", 1, nullptr);
         w.write_tag("y", 0, nullptr);
         w.end_tag(nullptr, 0);
         w.end_tag(nullptr, 1);
       },
       "<a></a>\n</_BOGUS_ENDING_TAG_>\n<x>\n  <y></y>\n</x>\n", "Error in vesk_xml_writer::end_tag(), tag stack empty.\n"},
      {"wrong expected tag still closes the open one",
       [](vesk_xml_writer &w) {
         w.write_tag("a", 0, nullptr);
         w.end_tag("b", 0);
       },
       "<a></a>\n", "Warning in vesk_xml_writer::end_tag(), tried to close wrong tag.\n"},
      {"NULL tag writes and pushes nothing",
       [](vesk_xml_writer &w) {
         w.write_tag(nullptr, 1, nullptr);
         w.write_tag("a", 0, nullptr);
         w.end_tag(nullptr, 0);
       },
       "<a></a>\n", "Error in vesk_xml_writer::write_tag(), NULL tag.\n"},
      {"NULL value",
       [](vesk_xml_writer &w) {
         w.write_tag("a", 0, nullptr);
         w.write_string(nullptr);
         w.end_tag(nullptr, 0);
       },
       "<a></a>\n", "Error in vesk_xml_writer::write_string(), NULL data.\n"},
      {"long tag opens and closes with the same cut name",
       [&](vesk_xml_writer &w) {
         w.write_tag(long_tag.c_str(), 0, nullptr);
         w.end_tag(nullptr, 0);
       },
       "<" + cut_tag + "></" + cut_tag + ">\n", ""},
  };
  for (const WriterCase &c : cases) {
    LogWatch log;
    vesk_xml_string_writer w;
    c.action(w);
    EXPECT_EQ(w.text, c.output) << c.name;
    EXPECT_EQ(w.depth, 0) << c.name;
    std::string text = log.text();
    if (*c.message)
      EXPECT_NE(text.find(std::string(c.message) + "\n"), std::string::npos) << c.name << "\n" << text;
    else
      EXPECT_FALSE(has_problem(text)) << c.name << "\n" << text;
  }
}

// ---------------------------------------------------------------------------------------------
// Round trips: a tree written, then walked back with the reader.

struct Node {
  enum Kind { text, number, container } kind;
  std::string name;
  std::string value;
  int integer = 0;
  std::vector<Node> children;
};

Node leaf(const std::string &name, const std::string &value) { return Node{Node::text, name, value, 0, {}}; }
Node num(const std::string &name, int value) { return Node{Node::number, name, "", value, {}}; }
Node box(const std::string &name, std::vector<Node> children) {
  return Node{Node::container, name, "", 0, std::move(children)};
}

// Every printable ASCII byte, so every byte the writer may emit in a value is read back.
std::string all_printable() {
  std::string s;
  for (int c = 0x20; c <= 0x7e; c++)
    s += (char)c;
  return s;
}

// With xml_names the tag names are valid XML names, for the file xmllint checks.
Node sample_tree(bool xml_names) {
  return box("settings",
             {leaf("all", all_printable()),
              leaf("empty", ""),
              leaf(xml_names ? "entities" : "tag<with>&odd \"chars\"", "&lt;&amp;&gt; <<>>&& \"q\" 'a'"),
              leaf("blanks", "  leading and trailing  "),
              box("outer",
                  {num("min", INT_MIN), num("max", INT_MAX), num("zero", 0),
                   box("inner", {leaf("deep", "<deep>"), box("empty_box", {}), num("minus", -1)}),
                   leaf("after_inner", "ok")}),
              num("last", 42)});
}

void write_node(vesk_xml_writer &w, const Node &n) {
  switch (n.kind) {
  case Node::text:
    w.write_tag(n.name.c_str(), 0, nullptr);
    w.write_string(n.value.c_str());
    w.end_tag(nullptr, 0);
    break;
  case Node::number: {
    char digits[20];
    std::snprintf(digits, sizeof digits, "%d", n.integer);
    w.write_tag(n.name.c_str(), 0, nullptr);
    w.write_string(digits);
    w.end_tag(nullptr, 0);
    break;
  }
  case Node::container:
    w.write_tag(n.name.c_str(), 1, nullptr);
    for (const Node &c : n.children)
      write_node(w, c);
    w.end_tag(n.name.c_str(), 1);
    break;
  }
}

// Reads the children of the element just opened (or the top level) and its closing tag.
void expect_children(vesk_xml_reader &r, const std::vector<Node> &children, const std::string &path) {
  char tag[10000];
  for (const Node &n : children) {
    ASSERT_EQ(r.read_tag(tag, sizeof tag), 1) << path << "/" << n.name;
    ASSERT_EQ(std::string(tag), n.name) << path;
    std::string here = path + "/" + n.name;
    switch (n.kind) {
    case Node::text: {
      char value[1000];
      ASSERT_EQ(r.read_data(value, sizeof value), 1) << here;
      EXPECT_EQ(std::string(value), n.value) << here;
      break;
    }
    case Node::number: {
      int value = 12345;
      ASSERT_EQ(r.read_data(&value), 1) << here;
      EXPECT_EQ(value, n.integer) << here;
      break;
    }
    case Node::container:
      expect_children(r, n.children, here);
      break;
    }
  }
  EXPECT_EQ(r.read_tag(tag, sizeof tag), 0) << path << " has more children than written";
}

TEST(XmlRoundTrip, InMemory) {
  LogWatch log;
  Node tree = sample_tree(false);
  vesk_xml_string_writer w;
  write_node(w, tree);
  vesk_xml_string_reader r(w.text);
  expect_children(r, {tree}, "");
  EXPECT_EQ(r.stack_top, nullptr);
  EXPECT_FALSE(has_problem(log.text())) << log.text() << "\n" << w.text;
}

TEST(XmlRoundTrip, FileAcceptedByXmllint) {
  std::string dir = make_temp_dir();
  ASSERT_FALSE(dir.empty());
  std::string path = dir + "/quorveth.cfg";
  Node tree = sample_tree(true);
  LogWatch log;

  FILE *out = std::fopen(path.c_str(), "w");
  ASSERT_NE(out, nullptr);
  {
    vesk_xml_file_writer w(out);
    EXPECT_GT(w.write_xml_header(), 0);
    write_node(w, tree);
  }
  std::fclose(out);

  std::string errors = dir + "/xmllint.txt";
  int status = std::system(("/usr/bin/xmllint --noout '" + path + "' 2>'" + errors + "'").c_str());
  EXPECT_EQ(status, 0) << read_file(errors) << read_file(path);

  FILE *in = std::fopen(path.c_str(), "r");
  ASSERT_NE(in, nullptr);
  char line[10000];
  EXPECT_EQ(fget_line(in, line, sizeof line), 44);
  EXPECT_EQ(vesk_xml_reader::check_xml_header_string(line), 1) << line;
  {
    vesk_xml_file_reader r(in);
    expect_children(r, {tree}, "");
    EXPECT_EQ(r.stack_top, nullptr);
  }
  // The reader leaves the handle to its owner.
  EXPECT_EQ(std::fgetc(in), EOF);
  std::fclose(in);
  EXPECT_FALSE(has_problem(log.text())) << log.text();
  remove_dir(dir);
}

// ---------------------------------------------------------------------------------------------
// fget_line.

struct LineCase {
  const char *name;
  std::string bytes;
  int capacity;
  std::vector<std::pair<int, std::string>> lines; // result and text of each call, the last is 0
};

TEST(FgetLine, Table) {
  const std::vector<LineCase> cases = {
      {"CR LF leaves an empty line", "ab\r\ncd", 100, {{3, "ab"}, {1, ""}, {3, "cd"}, {0, ""}}},
      {"LF", "ab\ncd\n", 100, {{3, "ab"}, {3, "cd"}, {0, ""}}},
      {"CR", "ab\rcd", 100, {{3, "ab"}, {3, "cd"}, {0, ""}}},
      {"NUL", std::string("ab\0cd", 5), 100, {{3, "ab"}, {3, "cd"}, {0, ""}}},
      {"empty lines", "\n\n", 100, {{1, ""}, {1, ""}, {0, ""}}},
      {"empty file", "", 100, {{0, ""}}},
      {"high bytes kept", "caf\xe9\n", 100, {{5, "caf\xe9"}, {0, ""}}},
      {"overflow cut, rest dropped", "abcdefgh\nxy", 4, {{4, "abc"}, {3, "xy"}, {0, ""}}},
  };
  for (const LineCase &c : cases) {
    std::string bytes = c.bytes;
    // An empty read-only memory file cannot be made; an empty read-write one can.
    FILE *f = bytes.empty() ? fmemopen(nullptr, 1, "w+") : fmemopen(&bytes[0], bytes.size(), "r");
    ASSERT_NE(f, nullptr) << c.name;
    std::vector<char> dest((size_t)c.capacity);
    for (const auto &expected : c.lines) {
      EXPECT_EQ(fget_line(f, dest.data(), c.capacity), expected.first) << c.name;
      if (expected.first) {
        EXPECT_EQ(std::string(dest.data()), expected.second) << c.name;
      }
    }
    std::fclose(f);
  }
}

TEST(FgetLine, OverflowIsReportedWithTheStoredText) {
  std::string bytes = "abcdefgh\nxy\n";
  FILE *f = fmemopen(&bytes[0], bytes.size(), "r");
  ASSERT_NE(f, nullptr);
  char dest[4];
  LogWatch log;
  EXPECT_EQ(fget_line(f, dest, sizeof dest), 4);
  EXPECT_EQ(log.text(), "Warning in fget_line(), string overflow.  String was:\nabc\n");
  LogWatch quiet;
  EXPECT_EQ(fget_line(f, dest, sizeof dest), 3);
  EXPECT_EQ(quiet.text(), "");
  std::fclose(f);
}

// ---------------------------------------------------------------------------------------------
// Categories: a message shows only while its own category is not suppressed.

struct CategoryCase {
  const char *message;
  int category;
  std::function<void()> action;
};

TEST(XmlMessages, CarryTheirCategories) {
  const std::vector<CategoryCase> cases = {
      {"Error in vesk_xml_reader::read_block(), NULL dest?", 4,
       [] {
         vesk_xml_string_reader r("<a>");
         r.read_tag(nullptr, 10);
       }},
      {"Error in vesk_xml_reader::read_block(), dest is too small?", 4,
       [] {
         char d[4];
         vesk_xml_string_reader r("<a>");
         r.read_tag(d, 0);
       }},
      {"Warning in vesk_xml_reader::read_block(), file corruption - got EOF before trailing bracket.", 64,
       [] {
         char d[10];
         vesk_xml_string_reader r("<a");
         r.read_tag(d, sizeof d);
       }},
      {"Warning in vesk_xml_reader::check_xml_header_string(), unknown tag found.", 128,
       [] { vesk_xml_reader::check_xml_header_string("<?xml x"); }},
      {"Error in vesk_xml_reader::skip_data() - you must read at least the opening tag before skipping data.", 4,
       [] {
         vesk_xml_string_reader r("");
         r.skip_data();
       }},
      {"Error in vesk_xml_file_reader::vesk_xml_file_reader(), NULL file handle.", 1,
       [] {
         char d[10];
         vesk_xml_file_reader r(nullptr);
         EXPECT_EQ(r.read_tag(d, sizeof d), 0);
       }},
      {"Error in vesk_xml_file_writer::vesk_xml_file_writer(), NULL file handle.\n", 1,
       [] {
         vesk_xml_file_writer w(nullptr);
         EXPECT_EQ(w.write_xml_header(), 0);
       }},
      {"Error in vesk_xml_writer::end_tag(), tag stack empty.\n", 4,
       [] {
         vesk_xml_string_writer w;
         w.end_tag(nullptr, 0);
       }},
      {"Warning in vesk_xml_writer::end_tag(), tried to close wrong tag.\n", 64,
       [] {
         vesk_xml_string_writer w;
         w.write_tag("a", 0, nullptr);
         w.end_tag("b", 0);
       }},
      {"Warning in fget_line(), string overflow.  String was:", 2,
       [] {
         std::string bytes = "abcdef";
         FILE *f = fmemopen(&bytes[0], bytes.size(), "r");
         char d[3];
         fget_line(f, d, sizeof d);
         std::fclose(f);
       }},
  };
  const int saved = vesk_suppressed_categories;
  for (const CategoryCase &c : cases) {
    std::string line = std::string(c.message) + "\n";
    vesk_suppressed_categories = ~c.category;
    LogWatch shown;
    c.action();
    EXPECT_NE(shown.text().find(line), std::string::npos) << c.message;
    vesk_suppressed_categories = c.category;
    LogWatch hidden;
    c.action();
    EXPECT_EQ(hidden.text().find(line), std::string::npos) << c.message;
  }
  vesk_suppressed_categories = saved;
}

} // namespace
