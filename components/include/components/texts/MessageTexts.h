// The message-text table: every text that the windows show, read once at
// start-up by key from the [Messages] section of "Q417.ini" and decoded from
// the character set that [Character] Charset names. The program carries only
// the keys; a missing file or key gives an empty text.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

#include "components/texts/IniFile.h"

namespace components {

class MessageTexts {
 public:
  // No file: every text is empty and the character set is the default.
  MessageTexts() = default;
  explicit MessageTexts(IniFile ini, std::filesystem::path file = {});
  // Reads the file; a file that cannot be read gives the empty table.
  static MessageTexts load(const std::filesystem::path &file);

  // The text of a key, empty when the key is missing.
  std::string text(std::string_view key) const;
  // The text of a key, or fallback when the key is missing (a key with an
  // empty value still gives the empty text).
  std::string text(std::string_view key, std::string_view fallback) const;
  bool contains(std::string_view key) const;

  // [Character] Charset; 1 (the default set) when missing or not a number.
  int charset() const { return charset_; }
  // The raw Charset value when it is not a whole number, else empty; the
  // start-up reports it as a conversion error.
  const std::string &charsetError() const { return charsetError_; }
  bool charsetInvalid() const { return charsetInvalid_; }
  std::string_view encoding() const { return charsetEncoding_; }
  // The file the texts came from; empty when none was found.
  const std::filesystem::path &file() const { return file_; }

 private:
  IniFile ini_;
  std::filesystem::path file_;
  int charset_ = 1;
  bool charsetInvalid_ = false;
  std::string charsetError_;
  std::string_view charsetEncoding_ = "UTF-8";
};

inline constexpr std::string_view kMessagesSection = "Messages";
inline constexpr std::string_view kCharacterSection = "Character";
inline constexpr std::string_view kCharsetKey = "Charset";
inline constexpr std::string_view kIniFileName = "Q417.ini";

}  // namespace components
