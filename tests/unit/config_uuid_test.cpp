// The default client id: "DFLT" and 28 lower-case hexadecimal digits, reproducible per seed.
#include "config/uuid.h"
#include "support/random.h"

#include <gtest/gtest.h>

#include <regex>
#include <string>

TEST(Uuid, DefaultIdShape) {
  vesk_random a, b;
  a.seed(1234);
  b.seed(1234);
  char id1[33], id2[33], id3[33];
  vesk_create_default_uuid(a, id1);
  vesk_create_default_uuid(b, id2);
  vesk_create_default_uuid(a, id3);
  EXPECT_TRUE(std::regex_match(id1, std::regex("DFLT[0-9a-f]{28}"))) << id1;
  EXPECT_STREQ(id1, id2) << "same seed, same id";
  EXPECT_STRNE(id1, id3);
  // All sixteen digits appear over a few ids (no digit stuck out of the range).
  std::string seen;
  for (int i = 0; i < 20; i++) {
    char id[33];
    vesk_create_default_uuid(a, id);
    seen += id + 4;
  }
  for (char c : std::string("0123456789abcdef"))
    EXPECT_NE(seen.find(c), std::string::npos) << c;
}
