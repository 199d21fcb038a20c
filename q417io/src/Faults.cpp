#include "q417io/Flash.h"

#include <charconv>

namespace q417io {
namespace {

bool parseNumber(std::string_view s, uint64_t &out) {
  if (s.empty()) return false;
  auto [p, ec] = std::from_chars(s.data(), s.data() + s.size(), out);
  return ec == std::errc() && p == s.data() + s.size();
}

// "A:B" into two numbers.
bool parsePair(std::string_view s, uint64_t &a, uint64_t &b) {
  auto colon = s.find(':');
  if (colon == std::string_view::npos) return false;
  return parseNumber(s.substr(0, colon), a) && parseNumber(s.substr(colon + 1), b);
}

}  // namespace

bool FaultPlan::empty() const {
  return bad.empty() && failErase.empty() && failWrite.empty() && damagedReads.empty() &&
         cutAfter == 0 && tornWrite == 0 && tornErase == 0 && tearOp == 0;
}

std::optional<FaultPlan> parseFaults(std::string_view text, std::string *error) {
  FaultPlan plan;
  while (!text.empty()) {
    auto comma = text.find(',');
    std::string_view entry = text.substr(0, comma);
    text = comma == std::string_view::npos ? std::string_view{} : text.substr(comma + 1);
    if (entry.empty()) continue;
    auto eq = entry.find('=');
    std::string_view key = entry.substr(0, eq);
    std::string_view value = eq == std::string_view::npos ? std::string_view{} : entry.substr(eq + 1);
    uint64_t a = 0, b = 0;
    bool ok = false;
    if (key == "cut-after") {
      ok = parseNumber(value, a) && a > 0;
      plan.cutAfter = a;
    } else if (key == "torn-write") {
      ok = parsePair(value, a, b) && a > 0 && b < kPagesPerBlock;
      plan.tornWrite = a;
      plan.tornWritePages = static_cast<uint32_t>(b);
    } else if (key == "torn-erase") {
      ok = parseNumber(value, a) && a > 0;
      plan.tornErase = a;
    } else if (key == "bad") {
      ok = parseNumber(value, a) && a <= UINT32_MAX;
      plan.bad.insert(static_cast<uint32_t>(a));
    } else if (key == "fail-write" || key == "fail-erase" || key == "damaged-read") {
      ok = parsePair(value, a, b) && a <= UINT32_MAX && b > 0;
      auto &map = key == "fail-write" ? plan.failWrite : key == "fail-erase" ? plan.failErase : plan.damagedReads;
      map[static_cast<uint32_t>(a)] = b;
    }
    if (!ok) {
      if (error) *error = "malformed or unknown fault entry '" + std::string(entry) + "'";
      return std::nullopt;
    }
  }
  return plan;
}

}  // namespace q417io
