#include <cmath>
#include <cstdio>
#include <cstring>

#include "components/JobUi.h"

namespace components {

std::string formatKbytes(double bytes) {
  double value = bytes / 1024.0;
  bool negative = value < 0;
  long long cents = std::llround(std::fabs(value) * 100.0);
  std::string whole = std::to_string(cents / 100);
  std::string grouped;
  for (size_t i = 0; i < whole.size(); ++i) {
    if (i != 0 && (whole.size() - i) % 3 == 0) grouped += ',';
    grouped += whole[i];
  }
  char frac[4];
  std::snprintf(frac, sizeof frac, "%02lld", cents % 100);
  return (negative ? "-" : "") + grouped + "." + frac;
}

std::string kbytesLabel(double done, double all) {
  return formatKbytes(done) + " / " + formatKbytes(all) + " Kbyte(s)";
}

std::string totalKbytesLabel(double done, double all) { return "Total  " + kbytesLabel(done, all); }

std::string fileCountLabel(int current, int count) {
  return std::to_string(current) + " of " + std::to_string(count) + " file(s)";
}

int percentOf(double done, double all) { return all > 0 ? static_cast<int>(done * 100.0 / all) : 0; }

bool applyModelChoice(std::string_view entry, char modelName[8]) {
  size_t first = entry.find_first_not_of(' ');
  if (first == std::string_view::npos) entry = {};
  else entry = entry.substr(first, entry.find_last_not_of(' ') - first + 1);
  if (entry.size() > 8) return false;
  std::memcpy(modelName, entry.data(), entry.size());
  return true;
}

}  // namespace components
