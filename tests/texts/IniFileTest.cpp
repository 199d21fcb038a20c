#include <gtest/gtest.h>

#include "components/texts/IniFile.h"

using components::IniFile;
using components::parseWholeNumber;

namespace {

const char *kIni =
    "\xEF\xBB\xBFstray=before any section\r\n"
    "[Messages]\r\n"
    "Plain=Hello\r\n"
    "  Padded  =   spaced out   \r\n"
    "Quoted=\"  kept blanks  \"\n"
    "Single='x'\n"
    "Mismatched=\"open\n"
    "Empty=\n"
    "Equals=a=b\n"
    "; Commented=no\n"
    "NoEquals\n"
    "Dup=first\n"
    "dup=second\n"
    "Inline=text ; not a comment\n"
    "[ Other ]\n"
    "Plain=other\n"
    "[messages]\n"
    "Late=ignored: the first section of a name wins\n"
    "[Last]\r"
    "Mac=cr only\r";

struct Case {
  const char *section, *key, *fallback, *expected;
};

class IniFileGet : public testing::TestWithParam<Case> {};

TEST_P(IniFileGet, ReadsLikeGetPrivateProfileString) {
  IniFile ini = IniFile::parse(kIni);
  const Case &c = GetParam();
  EXPECT_EQ(ini.get(c.section, c.key, c.fallback), c.expected) << c.section << "/" << c.key;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, IniFileGet,
    testing::Values(Case{"Messages", "Plain", "-", "Hello"},              // plain value
                    Case{"MESSAGES", "plain", "-", "Hello"},              // names ignore case
                    Case{"Messages", "Padded", "-", "spaced out"},        // names and values trimmed
                    Case{"Messages", "Quoted", "-", "  kept blanks  "},   // quotes removed, inside kept
                    Case{"Messages", "Single", "-", "x"},                 // single quotes too
                    Case{"Messages", "Mismatched", "-", "\"open"},        // one quote stays
                    Case{"Messages", "Empty", "-", ""},                   // present but empty: no fallback
                    Case{"Messages", "Equals", "-", "a=b"},               // split at the first '='
                    Case{"Messages", "Commented", "-", "-"},              // ';' line is a comment
                    Case{"Messages", "NoEquals", "-", "-"},               // no '=': no key
                    Case{"Messages", "Dup", "-", "first"},                // first key wins
                    Case{"Messages", "Inline", "-", "text ; not a comment"},
                    Case{"Messages", "Late", "-", "-"},                   // duplicate section ignored
                    Case{"Other", "Plain", "-", "other"},                 // section name trimmed
                    Case{"Last", "Mac", "-", "cr only"},                  // CR line ends
                    Case{"Messages", "Missing", "fallback", "fallback"},  // missing key
                    Case{"Nowhere", "Plain", "fallback", "fallback"},     // missing section
                    Case{"", "stray", "-", "-"}));                        // keys before a section

TEST(IniFile, KeysInFileOrderAndSections) {
  IniFile ini = IniFile::parse(kIni);
  EXPECT_TRUE(ini.hasSection("other"));
  EXPECT_FALSE(ini.hasSection("Missing"));
  std::vector<std::string> expected{"Plain", "Padded", "Quoted", "Single", "Mismatched", "Empty",
                                    "Equals", "Dup", "Inline"};
  EXPECT_EQ(ini.keys("Messages"), expected);
  EXPECT_TRUE(ini.contains("Messages", "Empty"));
  EXPECT_FALSE(ini.contains("Messages", "Commented"));
}

TEST(IniFile, MissingFileIsNothing) { EXPECT_FALSE(IniFile::load("/nonexistent/Q417.ini").has_value()); }

TEST(IniFile, WholeNumbers) {
  struct N {
    const char *text;
    std::optional<int> value;
  };
  for (const N &n : {N{"1", 1}, N{"204", 204}, N{"-3", -3}, N{"+7", 7}, N{"$CC", 204}, N{"0x80", 128},
                     N{"", std::nullopt}, N{"abc", std::nullopt}, N{"12a", std::nullopt}, N{"1.5", std::nullopt},
                     N{"--1", std::nullopt}, N{"+-1", std::nullopt}, N{"$", std::nullopt},
                     N{"99999999999", std::nullopt}})
    EXPECT_EQ(parseWholeNumber(n.text), n.value) << "'" << n.text << "'";
}

}  // namespace
