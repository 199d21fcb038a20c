#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>

#include "components/texts/Charset.h"
#include "components/texts/IniSearch.h"
#include "components/texts/MessageTexts.h"
#include "testsupport/TempDir.h"

namespace fs = std::filesystem;
using components::MessageTexts;
using testsupport::TempDir;

namespace {

TEST(MessageTexts, MissingFileGivesEmptyTextsAndDefaultCharset) {
  MessageTexts texts = MessageTexts::load("/nonexistent/Q417.ini");
  EXPECT_EQ(texts.text("FM_PDtitlefile"), "");
  EXPECT_EQ(texts.text("FP_button_cancel", "&Cancel"), "&Cancel");
  EXPECT_EQ(texts.charset(), 1);
  EXPECT_FALSE(texts.charsetInvalid());
  EXPECT_TRUE(texts.file().empty());
}

TEST(MessageTexts, MissingKeyIsEmptyAndPresentEmptyKeyBeatsFallback) {
  TempDir dir;
  MessageTexts texts = MessageTexts::load(dir.write("Q417.ini", "[Messages]\nFM_PDexit=E&xit\nFP_button_cancel=\n"));
  EXPECT_EQ(texts.text("FM_PDexit"), "E&xit");
  EXPECT_EQ(texts.text("FM_PDhelp"), "");
  EXPECT_EQ(texts.text("FM_PDhelp", "&Help"), "&Help");
  EXPECT_EQ(texts.text("FP_button_cancel", "&Cancel"), "");
}

TEST(MessageTexts, EmptyMessagesSectionGivesEmptyTexts) {
  TempDir dir;
  MessageTexts texts = MessageTexts::load(dir.write("Q417.ini", "[Character]\nCharset=1\n[Messages]\n[Other]\nFM_PDexit=x\n"));
  for (const char *key : {"FM_PDexit", "FM_msg_dlg0", "FM_kind_errormsg1", "FM_Caption_text2"})
    EXPECT_EQ(texts.text(key), "") << key;
}

// Files written in a Windows code page read right when Charset names it.
TEST(MessageTexts, DecodesTheCharsetOfTheFile) {
  struct Case {
    const char *charset;
    std::string bytes, utf8;
  };
  const Case cases[] = {
      {"204", "\xCF\xF0\xE8\xE2\xE5\xF2", "Привет"},                         // Windows-1251
      {"129", "\xBE\xC8\xB3\xE7\xC7\xCF\xBC\xBC\xBF\xE4", "안녕하세요"},     // CP949
      {"$CC", "\xC4\xE0", "Да"},                                             // 204 written in hex
      {"1", "Gr\xC3\xBC\xC3\x9F" "e", "Grüße"},                               // the default: UTF-8
  };
  TempDir dir;
  for (const Case &c : cases) {
    fs::path file = dir.write("Q417.ini", "[Character]\r\nCharset=" + std::string(c.charset) +
                                              "\r\n[Messages]\r\nFM_PDexit=" + c.bytes + "\r\n");
    MessageTexts texts = MessageTexts::load(file);
    EXPECT_FALSE(texts.charsetInvalid()) << c.charset;
    EXPECT_EQ(texts.text("FM_PDexit"), c.utf8) << c.charset;
  }
}

TEST(MessageTexts, CharsetThatIsNotAWholeNumberIsReportedAndUtf8Used) {
  TempDir dir;
  MessageTexts texts = MessageTexts::load(dir.write("Q417.ini", "[Character]\nCharset=cyrillic\n[Messages]\nA=\xD0\x94\n"));
  EXPECT_TRUE(texts.charsetInvalid());
  EXPECT_NE(texts.charsetError().find("'cyrillic'"), std::string::npos);
  EXPECT_EQ(texts.charset(), 1);
  EXPECT_EQ(texts.text("A"), "Д");
}

TEST(MessageTexts, InvalidBytesBecomeReplacementCharacters) {
  TempDir dir;
  MessageTexts texts = MessageTexts::load(dir.write("Q417.ini", "[Messages]\nA=ok\xFF\xC3\n"));
  EXPECT_EQ(texts.text("A"), "ok\xEF\xBF\xBD\xEF\xBF\xBD");
}

// Each character set number decodes a character that only its code page has
// at that byte, which proves the encoding name that iconv gets.
TEST(Charset, EveryListedNumberSelectsItsCodePage) {
  struct Case {
    int charset;
    std::string bytes, utf8;
  };
  const Case cases[] = {
      {0, "\x80", "€"},        {128, "\x82\xA0", "あ"}, {129, "\xB0\xA1", "가"}, {134, "\xC4\xE3", "你"},
      {136, "\xA7\x41", "你"}, {161, "\xE1", "α"},      {162, "\xFE", "ş"},      {163, "\xD0", "Đ"},
      {177, "\xE0", "א"},      {178, "\xC7", "ا"},      {186, "\xE0", "ą"},      {204, "\xC0", "А"},
      {222, "\xA1", "ก"},      {238, "\xB9", "ą"},      {1, "\xC3\xA9", "é"},    {77, "\xC3\xA9", "é"},
  };
  for (const Case &c : cases)
    EXPECT_EQ(components::decodeToUtf8(c.bytes, components::charsetEncoding(c.charset)), c.utf8) << c.charset;
}

TEST(IniSearch, ConfigFoldersThenProgramThenData) {
  TempDir dir;
  setenv("XDG_CONFIG_HOME", (dir.path() / "home").c_str(), 1);
  setenv("XDG_CONFIG_DIRS", ((dir.path() / "sys1").string() + "::" + (dir.path() / "sys2").string()).c_str(), 1);
  auto folders = components::iniSearchFolders(dir.path() / "bin", dir.path() / "share");
  std::vector<fs::path> expected{dir.path() / "home/quillorn", dir.path() / "sys1/quillorn",
                                 dir.path() / "sys2/quillorn", dir.path() / "bin", dir.path() / "share"};
  EXPECT_EQ(folders, expected);

  EXPECT_TRUE(components::findInFolders(folders, "Q417.ini").empty());
  dir.write("share/Q417.ini", "");
  EXPECT_EQ(components::findInFolders(folders, "Q417.ini"), dir.path() / "share/Q417.ini");
  dir.write("bin/Q417.ini", "");
  dir.write("sys2/quillorn/Q417.ini", "");
  EXPECT_EQ(components::findInFolders(folders, "Q417.ini"), dir.path() / "sys2/quillorn/Q417.ini");
  fs::create_directories(dir.path() / "home/quillorn/Q417.ini");  // a folder of that name is no file
  EXPECT_EQ(components::findInFolders(folders, "Q417.ini"), dir.path() / "sys2/quillorn/Q417.ini");
  unsetenv("XDG_CONFIG_HOME");
  unsetenv("XDG_CONFIG_DIRS");
}

}  // namespace
