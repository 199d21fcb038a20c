#include "components/texts/MessageTexts.h"

#include "components/texts/Charset.h"

namespace components {

MessageTexts::MessageTexts(IniFile ini, std::filesystem::path file) : ini_(std::move(ini)), file_(std::move(file)) {
  std::string value = ini_.get(kCharacterSection, kCharsetKey, "1");
  if (auto number = parseWholeNumber(value)) {
    charset_ = *number;
  } else {
    charsetInvalid_ = true;
    charsetError_ = "'" + value + "' is not a valid integer value";
  }
  charsetEncoding_ = charsetEncoding(charset_);
}

MessageTexts MessageTexts::load(const std::filesystem::path &file) {
  if (auto ini = IniFile::load(file)) return MessageTexts(std::move(*ini), file);
  return MessageTexts();
}

std::string MessageTexts::text(std::string_view key) const { return text(key, {}); }

std::string MessageTexts::text(std::string_view key, std::string_view fallback) const {
  if (!ini_.contains(kMessagesSection, key)) return std::string(fallback);
  return decodeToUtf8(ini_.get(kMessagesSection, key), charsetEncoding_);
}

bool MessageTexts::contains(std::string_view key) const { return ini_.contains(kMessagesSection, key); }

}  // namespace components
