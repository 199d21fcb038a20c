// A private-profile INI file read the way GetPrivateProfileString reads it:
// section and key names compared without regard to ASCII case, names and
// values trimmed, one pair of matching quotes around a value removed, lines
// starting with ';' ignored, the first of duplicate sections and keys
// winning. Values are the file's bytes, undecoded.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace components {

// How the reader takes a name or value: blanks trimmed, then one pair of
// matching quotes removed from a value.
std::string_view iniTrim(std::string_view s);
std::string_view iniUnquote(std::string_view s);

class IniFile {
 public:
  IniFile() = default;

  // Parses text; a UTF-8 byte-order mark at its start is skipped.
  static IniFile parse(std::string_view text);
  // Reads and parses a file; nothing when it cannot be read.
  static std::optional<IniFile> load(const std::filesystem::path &file);

  // GetPrivateProfileString: the value, or fallback when the section or the
  // key is missing. A key that is present with no value gives "".
  std::string get(std::string_view section, std::string_view key, std::string_view fallback = {}) const;
  bool contains(std::string_view section, std::string_view key) const;
  bool hasSection(std::string_view section) const;
  // The keys of a section in file order (first occurrences only).
  std::vector<std::string> keys(std::string_view section) const;

 private:
  struct Entry {
    std::string key, value;
  };
  struct Section {
    std::string name;
    std::vector<Entry> entries;
  };
  const Section *find(std::string_view section) const;
  const Entry *find(const Section &section, std::string_view key) const;
  std::vector<Section> sections_;
};

// Windows' StrToInt: an optional sign and decimal digits, or hexadecimal
// after "$" or "0x"; nothing for anything else or a value out of range.
std::optional<int> parseWholeNumber(std::string_view text);

}  // namespace components
