#include "components/waveedit/RegionFile.h"

#include "components/texts/IniFile.h"

#include <algorithm>
#include <charconv>
#include <fstream>
#include <iterator>
#include <optional>
#include <string_view>
#include <system_error>
#include <unordered_map>
#include <unordered_set>

#include "components/base/PendingFile.h"
#include "components/waveedit/ListEdits.h"
#include "components/waveedit/WaveObject.h"

namespace components {

namespace {

constexpr size_t kFadesPerKey = 5;
constexpr size_t kCutsPerKey = 4;

// ---- Reading: an INI file with private-profile rules (names without regard
// to ASCII case, trimmed values, one pair of quotes removed, the first of
// duplicates winning), indexed so that a file of many keys reads in linear time.

std::string lower(std::string_view s) {
  std::string out(s);
  for (char &c : out)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return out;
}

std::string_view trim(std::string_view s) { return iniTrim(s); }
std::string_view unquote(std::string_view s) { return iniUnquote(s); }

class Profile {
 public:
  explicit Profile(std::string_view text) {
    if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
    Section *current = nullptr;
    while (!text.empty()) {
      size_t end = text.find_first_of("\r\n");
      std::string_view line = trim(text.substr(0, end));
      text = end == std::string_view::npos ? std::string_view{} : text.substr(end + 1);
      if (line.empty() || line.front() == ';') continue;
      if (line.front() == '[') {
        size_t close = line.find(']');
        std::string name = lower(trim(line.substr(1, close == std::string_view::npos ? std::string_view::npos : close - 1)));
        auto [it, added] = sections_.try_emplace(name);
        current = added ? &it->second : nullptr;
        continue;
      }
      size_t eq = line.find('=');
      if (!current || eq == std::string_view::npos) continue;
      std::string key = lower(trim(line.substr(0, eq)));
      if (!key.empty()) current->try_emplace(key, unquote(trim(line.substr(eq + 1))));
    }
  }

  std::optional<std::string> get(std::string_view section, std::string_view key) const {
    auto s = sections_.find(lower(section));
    if (s == sections_.end()) return std::nullopt;
    auto k = s->second.find(lower(key));
    if (k == s->second.end()) return std::nullopt;
    return k->second;
  }
  bool hasSection(std::string_view section) const { return sections_.count(lower(section)) != 0; }

 private:
  using Section = std::unordered_map<std::string, std::string>;
  std::unordered_map<std::string, Section> sections_;
};

std::optional<int64_t> wholeNumber(std::string_view text) {
  text = trim(text);
  if (!text.empty() && text.front() == '+') text.remove_prefix(1);
  int64_t value = 0;
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || ec != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return value;
}

std::optional<int64_t> number(const Profile &ini, std::string_view section, std::string_view key) {
  auto value = ini.get(section, key);
  return value ? wholeNumber(*value) : std::nullopt;
}

// Every "(a,b,...)" group of `fields` whole numbers in a value; others are skipped.
template <typename Take>
void groups(std::string_view value, size_t fields, Take take) {
  size_t open;
  while ((open = value.find('(')) != std::string_view::npos) {
    size_t close = value.find(')', open);
    if (close == std::string_view::npos) return;
    std::string_view inside = value.substr(open + 1, close - open - 1);
    value.remove_prefix(close + 1);
    int64_t numbers[3] = {};
    size_t n = 0;
    bool ok = true;
    while (ok) {
      size_t comma = inside.find(',');
      auto v = wholeNumber(inside.substr(0, comma));
      if (!v || n == fields) ok = false;
      else numbers[n++] = *v;
      if (comma == std::string_view::npos) break;
      inside.remove_prefix(comma + 1);
    }
    if (ok && n == fields && !take(numbers)) return;
  }
}

uint32_t toU32(std::optional<int64_t> v, uint32_t fallback) {
  return v && *v >= INT32_MIN && *v <= UINT32_MAX ? static_cast<uint32_t>(*v) : fallback;
}

bool toBool(const std::optional<std::string> &v, bool fallback) {
  if (!v) return fallback;
  if (auto n = wholeNumber(*v)) return *n != 0;
  std::string s = lower(trim(*v));
  if (s == "true" || s == "yes") return true;
  if (s == "false" || s == "no") return false;
  return fallback;
}

// Cuts text to at most `limit` bytes, never inside a UTF-8 sequence.
std::string cut(std::string text, size_t limit) {
  if (text.size() <= limit) return text;
  size_t n = limit;
  while (n > 0 && (static_cast<unsigned char>(text[n]) & 0xC0) == 0x80) --n;
  text.resize(n);
  return text;
}

bool sameFile(const std::filesystem::path &a, const std::filesystem::path &b) {
  if (a.lexically_normal() == b.lexically_normal()) return true;
  std::error_code ec;
  return std::filesystem::equivalent(a, b, ec) && !ec;
}

void mendCuts(CutList &cuts, int64_t length) {
  // Each region is clipped to 0..length, without sums that could overflow.
  for (CutRegion &r : cuts) {
    if (r.length <= 0 || r.start >= length) {
      r.length = 0;
    } else if (r.start < 0) {
      r.length = r.length <= -r.start ? 0 : std::min(length, r.length + r.start);
      r.start = 0;
    } else {
      r.length = std::min(r.length, length - r.start);
    }
  }
  std::erase_if(cuts, [](const CutRegion &r) { return r.length == 0; });
  std::stable_sort(cuts.begin(), cuts.end(), [](const CutRegion &a, const CutRegion &b) { return a.start < b.start; });
  CutList out;
  for (const CutRegion &r : cuts) {
    if (!out.empty() && r.start < out.back().end()) {
      out.back().length = std::max(out.back().end(), r.end()) - out.back().start;
    } else {
      out.push_back(r);
    }
  }
  cuts = std::move(out);
}

void mendMarkers(MarkerList &markers, int64_t length) {
  std::unordered_set<uint32_t> seen;
  std::erase_if(markers, [&](const Marker &m) {
    return m.offset < 0 || m.offset > length || !seen.insert(m.id).second;
  });
  std::unordered_map<uint32_t, uint32_t> partner;
  for (const Marker &m : markers) partner[m.id] = m.nextId;
  for (Marker &m : markers) {
    if (m.nextId == 0) continue;
    auto it = partner.find(m.nextId);
    if (it == partner.end() || it->second != m.id || m.nextId == m.id) m.nextId = 0;
  }
}

// ---- Writing ----

// One line per value: line breaks become blanks, and quotes keep what
// trimming or unquoting would change.
std::string value(std::string_view text) {
  std::string out(text);
  std::replace_if(out.begin(), out.end(), [](char c) { return c == '\r' || c == '\n'; }, ' ');
  if (out != std::string(trim(out)) || unquote(out).size() != out.size()) out = '"' + out + '"';
  return out;
}

}  // namespace

bool RegionFile::write(const std::filesystem::path &file, const WaveDescription &wave, std::string *error) {
  std::string text;
  auto line = [&](std::string_view key, std::string_view v) {
    text.append(key).append("=").append(v).append("\n");
  };
  auto num = [&](std::string_view key, int64_t v) { line(key, std::to_string(v)); };
  text += "[General]\n";
  line("Validate", kValidate);
  line("Version", kVersion);
  text += "\n[Sample]\n";
  line("FileName", value(wave.fileName));
  num("StartPos", wave.start);
  num("EndPos", wave.end);
  num("Position", wave.position);
  num("NumFades", static_cast<int64_t>(wave.volume.size()));
  for (size_t i = 0; i < wave.volume.size(); i += kFadesPerKey) {
    std::string points;
    for (size_t k = i; k < std::min(wave.volume.size(), i + kFadesPerKey); ++k)
      points += "(" + std::to_string(wave.volume[k].position) + "," + std::to_string(wave.volume[k].volume) + ");";
    line("Fades" + std::to_string(i / kFadesPerKey + 1), points);
  }
  if (!wave.cuts.empty()) {
    num("NumCuts", static_cast<int64_t>(wave.cuts.size()));
    for (size_t i = 0; i < wave.cuts.size(); i += kCutsPerKey) {
      std::string regions;
      for (size_t k = i; k < std::min(wave.cuts.size(), i + kCutsPerKey); ++k)
        regions += "(" + std::to_string(wave.cuts[k].start) + "," + std::to_string(wave.cuts[k].length) + "," +
                   std::to_string(wave.cuts[k].flag) + ");";
      line("Cuts" + std::to_string(i / kCutsPerKey + 1), regions);
    }
  }
  if (!wave.markers.empty()) num("NumMarkers", static_cast<int64_t>(wave.markers.size()));
  for (size_t i = 0; i < wave.markers.size(); ++i) {
    const Marker &m = wave.markers[i];
    text += "\n[Marker_" + std::to_string(i) + "]\n";
    line("Name", value(m.name));
    line("Comment", value(m.comment));
    num("ID", m.id);
    num("NextID", m.nextId);
    num("Offset", m.offset);
    num("Color", m.color);
    num("Flags", m.flags);
    line("Fixed", m.fixed ? "1" : "0");
    line("Visible", m.visible ? "1" : "0");
  }

  PendingFile pending(file);
  if (!pending.created()) {
    if (error) *error = "cannot create a file in " + file.parent_path().string();
    return false;
  }
  {
    std::ofstream out(pending.path(), std::ios::binary | std::ios::trunc);
    out << text;
    out.flush();
    if (!out) {
      if (error) *error = "cannot write " + file.string();
      return false;
    }
  }
  if (!pending.commit()) {
    if (error) *error = "cannot give the region file its name " + file.string();
    return false;
  }
  return true;
}

bool RegionFile::read(const std::filesystem::path &file, const std::filesystem::path &expectedAudio,
                      WaveDescription &wave, std::string *error) {
  wave.clear();
  auto refuse = [&](const std::string &why) {
    wave.clear();
    if (error) *error = why;
    return false;
  };

  std::error_code ec;
  uintmax_t size = std::filesystem::file_size(file, ec);
  if (ec) return refuse("there is no region file " + file.string());
  if (size > kMaxFileBytes) return refuse("the region file is too large");
  std::ifstream in(file, std::ios::binary);
  std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (!in && !in.eof()) return refuse("cannot read the region file");
  Profile ini(text);

  if (ini.get("General", "Validate") != std::optional<std::string>(kValidate) ||
      ini.get("General", "Version") != std::optional<std::string>(kVersion))
    return refuse("not a region file of this version");
  auto fileName = ini.get("Sample", "FileName");
  if (!fileName || fileName->empty()) return refuse("the region file names no audio file");
  if (!sameFile(*fileName, expectedAudio)) return refuse("the region file names another audio file");

  WaveObject audio;
  WaveOpen opened = audio.open(expectedAudio, FormatRule::AnyRate);
  if (opened != WaveOpen::Ok && opened != WaveOpen::NoAudio) return refuse("cannot read the clipboard's audio file");
  const int64_t length = audio.dataSamples();

  wave.fileName = expectedAudio.string();
  wave.end = std::clamp<int64_t>(number(ini, "Sample", "EndPos").value_or(length), 0, length);
  wave.start = std::clamp<int64_t>(number(ini, "Sample", "StartPos").value_or(0), 0, wave.end);

  auto count = [&](std::string_view key) {
    return static_cast<size_t>(std::clamp<int64_t>(number(ini, "Sample", key).value_or(0), 0, kMaxCount));
  };

  size_t fades = count("NumFades");
  for (size_t i = 1; i <= fades && wave.volume.size() < kMaxCount; ++i) {
    auto v = ini.get("Sample", "Fades" + std::to_string(i));
    if (!v) break;
    groups(*v, 2, [&](const int64_t *n) {
      wave.volume.push_back({n[0], static_cast<int32_t>(std::clamp<int64_t>(n[1], 0, kMaxVolume))});
      return wave.volume.size() < kMaxCount;
    });
  }
  normalizeEnvelope(wave.volume, length);

  size_t cuts = count("NumCuts");
  for (size_t i = 1; i <= cuts && wave.cuts.size() < kMaxCount; ++i) {
    auto v = ini.get("Sample", "Cuts" + std::to_string(i));
    if (!v) break;
    groups(*v, 3, [&](const int64_t *n) {
      if (n[2] >= INT32_MIN && n[2] <= INT32_MAX) wave.cuts.push_back({n[0], n[1], static_cast<int32_t>(n[2])});
      return wave.cuts.size() < kMaxCount;
    });
  }
  mendCuts(wave.cuts, length);

  size_t markers = count("NumMarkers");
  for (size_t i = 0; i < markers; ++i) {
    std::string section = "Marker_" + std::to_string(i);
    if (!ini.hasSection(section)) break;
    Marker m;
    m.name = cut(ini.get(section, "Name").value_or(""), Marker::kNameChars);
    m.comment = cut(ini.get(section, "Comment").value_or(""), Marker::kCommentChars);
    m.id = toU32(number(ini, section, "ID"), 0);
    m.nextId = toU32(number(ini, section, "NextID"), 0);
    auto offset = number(ini, section, "Offset");
    if (!offset) continue;  // a marker with no place is no marker
    m.offset = *offset;
    m.color = toU32(number(ini, section, "Color"), 65535);
    m.flags = toU32(number(ini, section, "Flags"), 0);
    m.fixed = toBool(ini.get(section, "Fixed"), false);
    m.visible = toBool(ini.get(section, "Visible"), true);
    wave.markers.push_back(std::move(m));
  }
  mendMarkers(wave.markers, length);
  return true;
}

}  // namespace components
