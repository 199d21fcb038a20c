#include "components/texts/IniFile.h"

#include <charconv>
#include <cstdint>
#include <fstream>
#include <iterator>

namespace components {

namespace {

bool equalNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    char x = a[i], y = b[i];
    if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
    if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
    if (x != y) return false;
  }
  return true;
}

std::string_view trim(std::string_view s) { return iniTrim(s); }
std::string_view unquote(std::string_view s) { return iniUnquote(s); }

}  // namespace

std::string_view iniTrim(std::string_view s) {
  const char *blanks = " \t\r\n\v\f";
  size_t first = s.find_first_not_of(blanks);
  if (first == std::string_view::npos) return {};
  return s.substr(first, s.find_last_not_of(blanks) - first + 1);
}

std::string_view iniUnquote(std::string_view s) {
  if (s.size() >= 2 && (s.front() == '"' || s.front() == '\'') && s.back() == s.front()) return s.substr(1, s.size() - 2);
  return s;
}


IniFile IniFile::parse(std::string_view text) {
  if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
  IniFile ini;
  Section *current = nullptr;
  bool currentIsDuplicate = false;
  while (!text.empty()) {
    size_t end = text.find_first_of("\r\n");
    std::string_view line = trim(text.substr(0, end));
    if (end == std::string_view::npos) {
      text = {};
    } else {
      text.remove_prefix(end + 1);
    }
    if (line.empty() || line.front() == ';') continue;
    if (line.front() == '[') {
      size_t close = line.find(']');
      std::string_view name = trim(line.substr(1, close == std::string_view::npos ? std::string_view::npos : close - 1));
      currentIsDuplicate = ini.find(name) != nullptr;
      if (!currentIsDuplicate) {
        ini.sections_.push_back({std::string(name), {}});
        current = &ini.sections_.back();
      }
      continue;
    }
    if (!current || currentIsDuplicate) continue;
    size_t eq = line.find('=');
    if (eq == std::string_view::npos) continue;
    std::string_view key = trim(line.substr(0, eq));
    if (key.empty() || ini.find(*current, key)) continue;
    current->entries.push_back({std::string(key), std::string(unquote(trim(line.substr(eq + 1))))});
  }
  return ini;
}

std::optional<IniFile> IniFile::load(const std::filesystem::path &file) {
  std::ifstream in(file, std::ios::binary);
  if (!in) return std::nullopt;
  std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (in.bad()) return std::nullopt;
  return parse(text);
}

const IniFile::Section *IniFile::find(std::string_view section) const {
  for (auto &s : sections_)
    if (equalNoCase(s.name, section)) return &s;
  return nullptr;
}

const IniFile::Entry *IniFile::find(const Section &section, std::string_view key) const {
  for (auto &e : section.entries)
    if (equalNoCase(e.key, key)) return &e;
  return nullptr;
}

std::string IniFile::get(std::string_view section, std::string_view key, std::string_view fallback) const {
  if (const Section *s = find(section))
    if (const Entry *e = find(*s, trim(key))) return e->value;
  return std::string(fallback);
}

bool IniFile::contains(std::string_view section, std::string_view key) const {
  const Section *s = find(section);
  return s && find(*s, trim(key));
}

bool IniFile::hasSection(std::string_view section) const { return find(section) != nullptr; }

std::vector<std::string> IniFile::keys(std::string_view section) const {
  std::vector<std::string> out;
  if (const Section *s = find(section))
    for (auto &e : s->entries) out.push_back(e.key);
  return out;
}

std::optional<int> parseWholeNumber(std::string_view text) {
  bool negative = false;
  if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
    negative = text.front() == '-';
    text.remove_prefix(1);
  }
  int base = 10;
  if (!text.empty() && text.front() == '$') {
    base = 16;
    text.remove_prefix(1);
  } else if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
    base = 16;
    text.remove_prefix(2);
  }
  if (text.empty() || text.front() == '-' || text.front() == '+') return std::nullopt;
  long long value = 0;
  auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, base);
  if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
  if (negative) value = -value;
  if (value < INT32_MIN || value > INT32_MAX) return std::nullopt;
  return static_cast<int>(value);
}

}  // namespace components
