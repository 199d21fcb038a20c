// The private-profile INI reader and the message-text table over it: parse,
// look every key of every section up, read the character set and decode
// message texts from it.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "components/texts/IniFile.h"
#include "components/texts/MessageTexts.h"

namespace {

constexpr size_t kDecodedTexts = 8;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  std::string_view text(reinterpret_cast<const char *>(data), size);
  components::IniFile ini = components::IniFile::parse(text);
  for (std::string_view section : {"Messages", "Character", "messages", ""}) {
    ini.hasSection(section);
    for (const std::string &key : ini.keys(section)) {
      std::string value = ini.get(section, key, "fallback");
      ini.contains(section, " " + key + " ");
      components::parseWholeNumber(value);
    }
  }
  components::MessageTexts texts(ini);
  texts.charsetError();
  // Each text opens its own converter: a few keys show the decoding, more
  // would only repeat it.
  size_t shown = 0;
  for (const std::string &key : ini.keys(components::kMessagesSection)) {
    if (++shown > kDecodedTexts) break;
    texts.text(key);
    texts.text(key, "fallback");
  }
  texts.text("FM_kind_errormsg0");
  return 0;
}
