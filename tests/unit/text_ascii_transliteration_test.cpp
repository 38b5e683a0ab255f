// Tests of the ASCII transliteration: every code point against the replacement tables (Latin
// base letters checked with Python's unicodedata), the lenient UTF-8 decoder, the 5999-byte cut.
#include "text/ascii_transliteration.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <string>
#include <vector>

namespace {

// The replacement tables as rows of cells: a grid of 16 code points a row (none: no entry), then
// lists of code point and text pairs. In cells, blank is one space, dquote a double quote and \|
// a bar. Latin Extended-A/-B letters with an ASCII base letter come from unicodedata instead.
struct table_section {
  const char *name;
  int entries;
  const char *rows;
};

const table_section sections[] = {
    {"U+0080-U+00FF grid", 127, R"TABLE(
| U+008_ | none | blank | , | f | ,, | ... | . | . | ^ | %. | S | < | OE | blank | Z | blank |
| U+009_ | blank | ' | ' | dquote | dquote | * | - | - | ~ | TM | S | > | oe | blank | z | Y |
| U+00A_ | blank | i | c | L | $ | YEN | \| | S | - | (C) | a | << | ! | blank | (R) | - |
| U+00B_ | . | +- | ^2 | ^3 | ' | u | P | . | , | ^1 | . | >> | 1/4 | 1/2 | 3/4 | ? |
| U+00C_ | A | A | A | A | Ae | A | AE | C | E | E | E | E | I | I | I | I |
| U+00D_ | D | N | O | O | O | O | Oe | x | O | U | U | U | Ue | Y | P | ss |
| U+00E_ | a | a | a | a | ae | a | ae | c | e | e | e | e | i | i | i | i |
| U+00F_ | o | n | o | o | o | o | oe | / | o | u | u | u | ue | y | p | y |
)TABLE"},
    {"Latin Extended-A without a base letter", 20, R"TABLE(
| U+0110 | D | U+0111 | d | U+0126 | H | U+0127 | h | U+0131 | i | U+0132 | IJ |
| U+0133 | ij | U+0138 | K | U+013F | L | U+0140 | l | U+0141 | L | U+0142 | l |
| U+0149 | n | U+014A | N | U+014B | n | U+0152 | OE | U+0153 | oe | U+0166 | T |
| U+0167 | t | U+017F | f |  |  |  |  |  |  |  |  |
)TABLE"},
    {"Latin Extended-B without a base letter", 107, R"TABLE(
| U+0180 | b | U+0181 | B | U+0182 | b | U+0183 | b | U+0184 | b | U+0185 | b |
| U+0186 | C | U+0187 | C | U+0188 | c | U+0189 | D | U+018A | D | U+018B | d |
| U+018C | d | U+018D | g | U+018E | E | U+018F | e | U+0190 | e | U+0191 | F |
| U+0192 | f | U+0193 | G | U+0194 | V | U+0195 | hj | U+0196 | l | U+0197 | I |
| U+0198 | K | U+0199 | k | U+019A | l | U+019B | la | U+019C | m | U+019D | N |
| U+019E | n | U+019F | O- | U+01A2 | Q | U+01A3 | q | U+01A4 | P | U+01A5 | p |
| U+01A6 | R | U+01A7 | S | U+01A8 | s | U+01A9 | E | U+01AB | t | U+01AC | T |
| U+01AD | t | U+01AE | T | U+01B1 | U | U+01B2 | V | U+01B3 | Y | U+01B4 | y |
| U+01B5 | Z | U+01B6 | z | U+01B7 | 3 | U+01B8 | 3 | U+01B9 | 3 | U+01BA | 3 |
| U+01BB | 2 | U+01BC | 5 | U+01BD | 5 | U+01BE | ts | U+01BF | v | U+01C0 | \| |
| U+01C1 | \|\| | U+01C3 | ! | U+01C4 | DZ | U+01C5 | Dz | U+01C6 | dz | U+01C7 | LJ |
| U+01C8 | Lj | U+01C9 | lj | U+01CA | NJ | U+01CB | Nj | U+01CC | nj | U+01DD | e |
| U+01E2 | AE | U+01E3 | ae | U+01E4 | G | U+01E5 | g | U+01EE | 3 | U+01EF | 3 |
| U+01F1 | DZ | U+01F2 | Dz | U+01F3 | dz | U+01F6 | Hu | U+01F7 | Y | U+01FC | AE |
| U+01FD | ae | U+01FE | O/ | U+01FF | o/ | U+021C | 3 | U+021D | 3 | U+0220 | n |
| U+0221 | d | U+0222 | 8 | U+0223 | 8 | U+0224 | Z | U+0225 | z | U+0234 | l |
| U+0235 | n | U+0236 | t | U+0237 | j | U+0238 | db | U+0239 | qp | U+023A | A |
| U+023B | C | U+023C | c | U+023D | L | U+023E | T | U+023F | s |  |  |
)TABLE"},
    {"spacing modifier letters", 63, R"TABLE(
| U+02B0 | h | U+02B1 | h | U+02B2 | j | U+02B3 | r | U+02B4 | r | U+02B6 | r |
| U+02B7 | w | U+02B8 | y | U+02B9 | ' | U+02BA | dquote | U+02BB | ' | U+02BC | ' |
| U+02BD | ' | U+02BE | ) | U+02BF | ( | U+02C0 | ? | U+02C1 | ? | U+02C2 | < |
| U+02C3 | > | U+02C4 | ^ | U+02C5 | ^ | U+02C6 | ^ | U+02C7 | ^ | U+02C8 | ' |
| U+02C9 | - | U+02CA | ' | U+02CB | ' | U+02CC | . | U+02CD | _ | U+02CE | , |
| U+02CF | , | U+02D0 | : | U+02D1 | * | U+02D2 | ) | U+02D3 | ( | U+02D4 | * |
| U+02D5 | * | U+02D6 | + | U+02D7 | - | U+02D8 | ^ | U+02D9 | * | U+02DA | * |
| U+02DB | , | U+02DC | ~ | U+02DD | dquote | U+02DE | ~ | U+02DF | x | U+02E0 | Y |
| U+02E1 | l | U+02E2 | s | U+02E3 | x | U+02E4 | ? | U+02ED | = | U+02EE | dquote |
| U+02F0 | ^ | U+02F1 | < | U+02F2 | > | U+02F3 | * | U+02F4 | ' | U+02F5 | dquote |
| U+02F6 | dquote | U+02F7 | ~ | U+02F8 | : |  |  |  |  |  |  |
)TABLE"},
    {"combining marks", 70, R"TABLE(
| U+0300 | ' | U+0301 | ' | U+0302 | ^ | U+0303 | ~ | U+0304 | - | U+0305 | - |
| U+0306 | ^ | U+0307 | . | U+0308 | .. | U+0309 | ) | U+030A | * | U+030B | dquote |
| U+030C | ^ | U+030D | ' | U+030E | dquote | U+030F | dquote | U+0310 | ^ | U+0311 | ^ |
| U+0312 | ' | U+0313 | ' | U+0314 | ' | U+0315 | ' | U+0316 | , | U+0317 | , |
| U+031B | ' | U+031C | , | U+031F | + | U+0320 | _ | U+0323 | . | U+0324 | .. |
| U+0325 | . | U+0326 | , | U+0327 | , | U+0328 | , | U+0329 | , | U+0330 | ~ |
| U+0331 | _ | U+0332 | _ | U+0333 | = | U+0334 | ~ | U+0335 | - | U+0336 | - |
| U+0337 | / | U+0338 | / | U+0339 | , | U+033D | * | U+033F | = | U+0340 | ' |
| U+0341 | ' | U+0342 | ~ | U+0343 | ' | U+0347 | = | U+0348 | dquote | U+034A | ~ |
| U+034B | ~ | U+034C | ~ | U+034E | . | U+034F | blank | U+0350 | > | U+0351 | ( |
| U+0353 | x | U+0354 | < | U+0355 | > | U+0356 | > | U+0357 | ) | U+0358 | * |
| U+0359 | * | U+035A | (inf) | U+035E | - | U+035F | _ |  |  |  |  |
)TABLE"},
    {"Greek, Cyrillic, punctuation and signs", 64, R"TABLE(
| U+0374 | ' | U+0375 | , | U+037E | ; | U+0384 | ' | U+04D0 | A | U+04D1 | a |
| U+04D2 | A | U+04D3 | a | U+04D4 | AE | U+04D5 | ae | U+04D6 | E | U+04D7 | e |
| U+04E6 | O | U+04E7 | o | U+2010 | - | U+2011 | - | U+2012 | - | U+2013 | - |
| U+2014 | - | U+2015 | - | U+2016 | \|\| | U+2017 | = | U+2018 | ' | U+2019 | ' |
| U+201A | , | U+201B | ' | U+201C | dquote | U+201D | dquote | U+201E | dquote | U+201F | dquote |
| U+2020 | . | U+2021 | . | U+2022 | * | U+2024 | . | U+2025 | .. | U+2026 | ... |
| U+2027 | . | U+2030 | %. | U+2032 | ' | U+2033 | dquote | U+2034 | dquote | U+2035 | ' |
| U+2036 | dquote | U+2037 | dquote | U+2039 | < | U+203A | > | U+203C | !! | U+203D | ? |
| U+203E | - | U+2041 | / | U+2044 | / | U+2047 | ?? | U+2048 | ?! | U+2049 | !? |
| U+204E | * | U+204F | ; | U+2052 | % | U+2053 | ~ | U+2055 | * | U+2056 | dquote |
| U+205A | : | U+20A4 | L | U+20AC | EU | U+2122 | TM |  |  |  |  |
)TABLE"},
};

std::vector<std::string> split_cells(const std::string &row) {
  std::vector<std::string> cells;
  std::string cell;
  bool started = false;
  for (size_t k = 0; k < row.size(); k++) {
    if (row[k] == '\\' && k + 1 < row.size() && row[k + 1] == '|') {
      cell += '|';
      k++;
    } else if (row[k] == '|') {
      if (started) {
        size_t a = cell.find_first_not_of(' '), b = cell.find_last_not_of(' ');
        cells.push_back(a == std::string::npos ? "" : cell.substr(a, b - a + 1));
      }
      started = true;
      cell.clear();
    } else {
      cell += row[k];
    }
  }
  return cells;
}

std::string cell_text(const std::string &cell) {
  if (cell == "blank")
    return " ";
  if (cell == "dquote")
    return "\"";
  return cell;
}

// Parses one section into `table`; returns the number of entries it added.
int parse_section(const table_section &section, std::map<unsigned, std::string> &table) {
  int added = 0;
  std::string rows = section.rows;
  size_t start = 0;
  while (start < rows.size()) {
    size_t end = rows.find('\n', start);
    if (end == std::string::npos)
      end = rows.size();
    std::string row = rows.substr(start, end - start);
    start = end + 1;
    if (row.empty())
      continue;
    std::vector<std::string> cells = split_cells(row);
    if (cells.empty())
      continue;
    if (cells[0].size() == 6 && cells[0][5] == '_') {
      unsigned base = (unsigned)std::stoul(cells[0].substr(2, 4).replace(3, 1, "0"), nullptr, 16);
      EXPECT_EQ(cells.size(), 17u) << row;
      for (size_t k = 1; k < cells.size(); k++) {
        if (cells[k] == "none")
          continue;
        EXPECT_TRUE(table.emplace(base + (unsigned)k - 1, cell_text(cells[k])).second) << row;
        added++;
      }
    } else {
      for (size_t k = 0; k + 1 < cells.size(); k += 2) {
        if (cells[k].empty())
          continue;
        unsigned code = (unsigned)std::stoul(cells[k].substr(2), nullptr, 16);
        EXPECT_TRUE(table.emplace(code, cell_text(cells[k + 1])).second) << row;
        added++;
      }
    }
  }
  return added;
}

// Latin Extended-A/-B letters whose canonical decomposition starts with an ASCII letter, as
// Python's unicodedata sees them.
std::map<unsigned, std::string> nfd_base_letters() {
  std::map<unsigned, std::string> result;
  const char *command = R"(/usr/bin/python3 -c 'import unicodedata
for c in range(0x100, 0x240):
    d = unicodedata.normalize("NFD", chr(c))[0]
    if d.isascii() and d.isalpha():
        print("%04X %s" % (c, d))
')";
  FILE *pipe = popen(command, "r");
  if (!pipe) {
    ADD_FAILURE() << "cannot run /usr/bin/python3";
    return result;
  }
  unsigned code;
  char letter[8];
  while (std::fscanf(pipe, "%x %7s", &code, letter) == 2)
    result[code] = letter;
  EXPECT_EQ(pclose(pipe), 0) << "/usr/bin/python3 with unicodedata failed";
  return result;
}

const std::map<unsigned, std::string> &expected_table() {
  static const std::map<unsigned, std::string> table = [] {
    std::map<unsigned, std::string> built;
    for (const table_section &section : sections)
      EXPECT_EQ(parse_section(section, built), section.entries) << section.name;
    for (const auto &entry : nfd_base_letters())
      EXPECT_TRUE(built.emplace(entry.first, entry.second).second)
          << std::hex << entry.first << " has a base letter and is listed too";
    return built;
  }();
  return table;
}

std::string utf8_encode(unsigned code_point) {
  std::string out;
  if (code_point < 0x80) {
    out += (char)code_point;
  } else if (code_point < 0x800) {
    out += (char)(0xC0 | (code_point >> 6));
    out += (char)(0x80 | (code_point & 0x3F));
  } else if (code_point < 0x10000) {
    out += (char)(0xE0 | (code_point >> 12));
    out += (char)(0x80 | ((code_point >> 6) & 0x3F));
    out += (char)(0x80 | (code_point & 0x3F));
  } else {
    out += (char)(0xF0 | (code_point >> 18));
    out += (char)(0x80 | ((code_point >> 12) & 0x3F));
    out += (char)(0x80 | ((code_point >> 6) & 0x3F));
    out += (char)(0x80 | (code_point & 0x3F));
  }
  return out;
}

std::string ascii_of(const std::wstring &wide) {
  vesk_fixed_text buffer;
  to_ascii(wide, buffer);
  return std::string(buffer.data, (size_t)buffer.length);
}

std::string ascii_of_utf8(const std::string &bytes) {
  vesk_fixed_text buffer;
  utf8_to_ascii(bytes.data(), (int)bytes.size(), buffer);
  return std::string(buffer.data, (size_t)buffer.length);
}

std::string narrow(const std::wstring &wide) {
  std::string out;
  for (wchar_t c : wide)
    out += c >= 0 && c < 128 ? (char)c : '#';
  return out;
}

} // namespace

TEST(AsciiTable, LatinExtendedLettersSplitIntoBaseLettersAndListedOnes) {
  std::map<unsigned, std::string> bases = nfd_base_letters();
  int extended_a = 0, extended_b = 0;
  for (const auto &entry : bases)
    (entry.first < 0x180 ? extended_a : extended_b)++;
  EXPECT_EQ(extended_a, 108);
  EXPECT_EQ(extended_b, 83);
  // Every code point of both blocks has a text but U+01AA and U+01C2.
  const std::map<unsigned, std::string> &table = expected_table();
  for (unsigned code = 0x100; code < 0x240; code++)
    EXPECT_EQ(table.count(code), code == 0x1AA || code == 0x1C2 ? 0u : 1u) << std::hex << code;
}

TEST(AsciiTable, EveryCodePointGivesItsTableTextOrDot) {
  const std::map<unsigned, std::string> &table = expected_table();
  ASSERT_EQ(table.size(), 642u);
  int with_text = 0;
  for (unsigned code = 0; code <= 0x10FFFF; code++) {
    const char *text = ascii_replacement(code);
    auto found = table.find(code);
    if (text)
      with_text++;
    if (found == table.end()) {
      EXPECT_EQ(text, nullptr) << std::hex << "U+" << code;
    } else {
      ASSERT_NE(text, nullptr) << std::hex << "U+" << code;
      EXPECT_EQ(std::string(text), found->second) << std::hex << "U+" << code;
    }
    if (code == 0)
      continue;
    std::string expected;
    if (code == 9 || code == 10 || code == 13 || (code >= 32 && code <= 126))
      expected = std::string(1, (char)code);
    else
      expected = found == table.end() ? "." : found->second;
    // The wide and the UTF-8 road must agree for every code point, including the surrogates.
    std::wstring wide(1, (wchar_t)code);
    ASSERT_EQ(ascii_of(wide), expected) << std::hex << "U+" << code;
    ASSERT_EQ(narrow(to_ascii_wide(wide)), expected) << std::hex << "U+" << code;
    ASSERT_EQ(ascii_of_utf8(utf8_encode(code)), expected) << std::hex << "U+" << code;
  }
  EXPECT_EQ(with_text, 642);
  EXPECT_EQ(ascii_replacement(0x80), nullptr);
  EXPECT_EQ(ascii_replacement(0x7F), nullptr);
  EXPECT_EQ(ascii_replacement(0xFFFFFFFFu), nullptr);
}

TEST(AsciiTransliteration, WideTextCases) {
  struct wide_case {
    std::wstring wide;
    const char *ascii;
  } cases[] = {
      {L"Stra\u00DFe", "Strasse"},
      {L"na\u00EFve", "naive"},
      {L"\u4E2D", "."},
      {L"\u00C4\u00D6\u00DC\u00E4\u00F6\u00FC", "AeOeUeaeoeue"},
      {L"\u0150\u0151 \u01CD \u0218", "Oo A S"},
      {L"\u201Equote\u201C \u2013 \u2026", "\"quote\" - ..."},
      {L"a\tb\nc\rd", "a\tb\nc\rd"},
      {L"\u0001\u001F\u007F\u0080", "...."},
      {L"\u01AA\u01C2", ".."},
      {std::wstring(L"ab\0cd", 5), "ab"},
      {std::wstring(1, (wchar_t)0x110000) + (wchar_t)-1 + (wchar_t)0x7FFFFFFF + L"\U0001F600",
       "...."},
  };
  for (const wide_case &c : cases) {
    EXPECT_EQ(ascii_of(c.wide), c.ascii) << c.ascii;
    EXPECT_EQ(narrow(to_ascii_wide(c.wide)), c.ascii) << c.ascii;
    vesk_fixed_text from_pointer;
    to_ascii(c.wide.c_str(), from_pointer);
    EXPECT_STREQ(from_pointer.c_str(), c.ascii);
  }
  vesk_fixed_text untouched("kept");
  to_ascii((const wchar_t *)nullptr, untouched);
  EXPECT_STREQ(untouched.c_str(), "kept");
}

TEST(AsciiTransliteration, ChainsIntoTheBufferAndCutsAt5999Bytes) {
  vesk_fixed_text buffer("abc ");
  to_ascii(L"\u00E9t\u00E9", buffer);
  to_ascii(std::wstring(L" \u00BD"), buffer);
  EXPECT_STREQ(buffer.c_str(), "abc ete 1/2");

  // A long text stops at 5999 bytes in all, cutting a replacement that does not fit whole.
  struct cut_case {
    int prefill;
    std::wstring wide;
    std::string tail;
  } cases[] = {
      {0, std::wstring(7000, L'a'), "aaa"},
      {5997, L"\u2026", ".."},
      {5996, L"x\u00DF\u00DF", "yxss"},
      {5999, L"zzz", "yyy"},
  };
  for (const cut_case &c : cases) {
    vesk_fixed_text cut;
    cut.append(std::string((size_t)c.prefill, 'y').c_str());
    to_ascii(c.wide, cut);
    EXPECT_EQ(cut.length, 5999);
    EXPECT_EQ(cut.data[5999], 0);
    EXPECT_EQ(std::string(cut.data + 5999 - c.tail.size()), c.tail);

    vesk_fixed_text from_utf8;
    from_utf8.append(std::string((size_t)c.prefill, 'y').c_str());
    std::string bytes;
    for (wchar_t w : c.wide)
      bytes += utf8_encode((unsigned)w);
    utf8_to_ascii(bytes.c_str(), -1, from_utf8);
    EXPECT_STREQ(from_utf8.c_str(), cut.c_str());
  }

  // The wide form has no limit.
  EXPECT_EQ(to_ascii_wide(std::wstring(3000, L'\u2026')), std::wstring(9000, L'.'));
}

TEST(Utf8Decode, LenientDecoding) {
  struct decoded {
    int code_point, used;
  };
  struct decode_case {
    const char *name;
    std::string bytes;
    std::vector<decoded> expected;
  } cases[] = {
      {"ascii", "Az", {{'A', 1}, {'z', 1}}},
      {"zero byte", std::string("\0", 1), {{0, 1}}},
      {"two bytes", "\xC3\xA9", {{0xE9, 2}}},
      {"three bytes", "\xE4\xB8\xAD", {{0x4E2D, 3}}},
      {"four bytes", "\xF0\x9F\x98\x80", {{0x1F600, 4}}},
      {"largest four-byte lead", "\xF7\xBF\xBF\xBF", {{0x1FFFFF, 4}}},
      {"stray continuation bytes", "\x80\xA1\xBF", {{0, 1}, {0x21, 1}, {0x3F, 1}}},
      {"extra continuation after a sequence", "\xC3\xA9\xA9", {{0xE9, 2}, {0x29, 1}}},
      {"three-byte cut short by a letter", "\xE4\xB8" "A", {{0x138, 2}, {'A', 1}}},
      {"two-byte cut short by a lead", "\xC3\xC3\xA9", {{3, 1}, {0xE9, 2}}},
      {"four-byte cut short by a letter", "\xF0\x9F" "b", {{0x1F, 2}, {'b', 1}}},
      {"lead at the end", "\xE4", {{4, 1}}},
      {"four-byte lead, end after two", "\xF0\x9F\x98", {{0x7D8, 3}}},
      {"lead 248", "\xF8\x80", {{'.', 1}, {0, 1}}},
      {"lead 252", "\xFC\x84\x80\x80\x80\x80", {{'.', 1}, {4, 1}, {0, 1}, {0, 1}, {0, 1}, {0, 1}}},
      {"lead 255", "\xFF" "a", {{'.', 1}, {'a', 1}}},
  };
  for (const decode_case &c : cases) {
    const unsigned char *bytes = (const unsigned char *)c.bytes.data();
    int length = (int)c.bytes.size(), position = 0;
    std::vector<decoded> got;
    while (position < length) {
      decoded d{};
      d.used = utf8_decode(bytes + position, length - position, &d.code_point);
      ASSERT_GT(d.used, 0) << c.name;
      got.push_back(d);
      position += d.used;
    }
    ASSERT_EQ(got.size(), c.expected.size()) << c.name;
    for (size_t k = 0; k < got.size(); k++) {
      EXPECT_EQ(got[k].code_point, c.expected[k].code_point) << c.name << " #" << k;
      EXPECT_EQ(got[k].used, c.expected[k].used) << c.name << " #" << k;
    }
  }
  // Every lead from 248 to 255 gives '.' and consumes only itself.
  for (int lead = 248; lead <= 255; lead++) {
    unsigned char bytes[2] = {(unsigned char)lead, 0x80};
    int code_point = -1;
    EXPECT_EQ(utf8_decode(bytes, 2, &code_point), 1) << lead;
    EXPECT_EQ(code_point, '.') << lead;
  }
  // The length bounds the read: a sequence whose end lies past it stops there.
  int code_point = -1;
  EXPECT_EQ(utf8_decode((const unsigned char *)"\xC3\xA9", 1, &code_point), 1);
  EXPECT_EQ(code_point, 3);
  EXPECT_EQ(utf8_decode((const unsigned char *)"a", 0, &code_point), 0);
}

TEST(Utf8ToAscii, MalformedBytesBecomeTextNotAnEnd) {
  struct utf8_case {
    std::string bytes;
    int length;
    const char *ascii;
  } cases[] = {
      {"Gr\xC3\xBC\xC3\x9F" "e", -1, "Gruesse"},
      {"\xE4\xB8" "A", -1, "KA"},           // U+0138 from the bits collected so far
      {"a\x80" "b", -1, "a.b"},             // stray 0x80 decodes to 0 but the text goes on
      {"a\xC0\x80" "b", -1, "a.b"},         // so does an overlong zero
      {"a\xC3" "b", -1, "a.b"},             // U+0003, a control
      {"a\xA9" "b", -1, "a)b"},             // low 6 bits of a stray byte are a character
      {"\xFF\xFE", -1, ".."},
      {std::string("ab\0cd", 5), 5, "ab"},  // a zero byte ends the text
      {"abcdef", 3, "abc"},
      {"a\xE2\x80\xA6", 3, "a."},           // the length cuts the sequence: U+0080 has no text
  };
  for (const utf8_case &c : cases) {
    vesk_fixed_text buffer;
    utf8_to_ascii(c.bytes.data(), c.length, buffer);
    EXPECT_STREQ(buffer.c_str(), c.ascii) << c.ascii;
  }
}
