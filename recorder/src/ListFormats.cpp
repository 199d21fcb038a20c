#include "recorder/ListFormats.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>

namespace recorder {

std::string formatN(double value, int width, int decimals) {
  double scale = std::pow(10.0, decimals);
  bool negative = value < 0;
  // Round half away from zero on the scaled magnitude.
  auto units = static_cast<long long>(std::floor(std::fabs(value) * scale + 0.5));
  long long whole = units / static_cast<long long>(scale);
  long long frac = units % static_cast<long long>(scale);
  std::string digits = std::to_string(whole), grouped;
  for (size_t i = 0; i < digits.size(); ++i) {
    if (i != 0 && (digits.size() - i) % 3 == 0) grouped += ',';
    grouped += digits[i];
  }
  std::string text = (negative && units != 0 ? "-" : "") + grouped;
  if (decimals > 0) {
    std::string f = std::to_string(frac);
    text += "." + std::string(static_cast<size_t>(decimals) - std::min(f.size(), static_cast<size_t>(decimals)), '0') + f;
  }
  if (static_cast<int>(text.size()) < width) text.insert(0, static_cast<size_t>(width) - text.size(), ' ');
  return text;
}

namespace {

bool isDvg(const std::string &ext) {
  std::string upper = ext;
  std::transform(upper.begin(), upper.end(), upper.begin(), [](unsigned char c) { return std::toupper(c); });
  return upper == "DVG";
}

std::string printf2(const char *format, int a, int b, int c) {
  char buf[64];
  std::snprintf(buf, sizeof buf, format, a, b, c);
  return buf;
}

}  // namespace

int64_t listedBytes(uint32_t pages, const std::string &ext) {
  return static_cast<int64_t>(pages) * kPageSize - (isDvg(ext) ? 1792 : 2048);
}

std::string sizeText(uint32_t pages, const std::string &ext) {
  int64_t bytes = listedBytes(pages, ext);
  if (bytes < 1024) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%6lld B", static_cast<long long>(bytes));
    return buf;
  }
  return formatN(static_cast<double>(bytes) / 1024.0, 6, 0) + " K";
}

std::string recordedText(const tFLASHFILEINFO &r) {
  std::string text = printf2("%2.2d-%2.2d-%2.2d", r.date[0], r.date[1], r.date[2]);
  char buf[32];
  std::snprintf(buf, sizeof buf, " %s%2.1d:%2.2d", r.time[0] < 12 ? "AM" : "PM", r.time[0] % 12, r.time[1]);
  return text + buf;
}

std::string recModeText(const tFLASHFILEINFO &r) {
  if (r.flagT == 'T') return "TTS";
  return r.mode == "SP" ? "G.729" : r.mode;
}

FileRow fileRow(const tFLASHFILEINFO &r, int number) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "#%2d/", number);
  return {buf + r.name, r.ext, recModeText(r), sizeText(r.pages, r.ext), recordedText(r)};
}

std::vector<FileRow> fileRows(const std::vector<tFLASHFILEINFO> &records) {
  std::vector<FileRow> rows;
  rows.reserve(records.size());
  for (size_t i = 0; i < records.size(); ++i) rows.push_back(fileRow(records[i], static_cast<int>(i + 1)));
  return rows;
}

std::string folderNodeName(int folder) { return std::string(1, static_cast<char>('A' + folder - 1)) + " Folder"; }

namespace {

uint64_t totalPages(const std::vector<tFLASHFILEINFO> &records) {
  uint64_t pages = 0;
  for (auto &r : records) pages += r.pages;
  return pages;
}

}  // namespace

std::string folderNodeText(int folder, const std::vector<tFLASHFILEINFO> &records) {
  char letter = static_cast<char>('A' + (folder - 1) % 4);
  char head[32];
  std::snprintf(head, sizeof head, "%c-#%2.2d/", letter, static_cast<int>(records.size()));
  return head + formatN(static_cast<double>(totalPages(records) * kPageSize) / 1024.0, 8, 0) + " KB";
}

std::string totalText(const Directory &directory) {
  uint64_t files = 0, pages = 0;
  for (auto &f : directory.folders) {
    files += f.size();
    pages += totalPages(f);
  }
  return "Total  " + std::to_string(files) + " file(s),   " +
         formatN(static_cast<double>(pages * kPageSize) / 1024.0, 8, 2) + " Kbyte(s)";
}

int memoryGauge(const SystemImage &image, uint32_t blockCount) {
  if (blockCount == 0) return 0;
  uint64_t used = uint64_t{image.totalBlocksUsed()} + image.badBlockCount() + kUnavailableBlocks;
  return static_cast<int>(std::min<uint64_t>(100, used * 100 / blockCount));
}

std::string dateText(const tFLASHFILEINFO &r) { return printf2("%2.2d-%2.2d-%2.2d", r.date[0], r.date[1], r.date[2]); }
std::string timeText(const tFLASHFILEINFO &r) { return printf2("%2.2d:%2.2d:%2.2d", r.time[0], r.time[1], r.time[2]); }

}  // namespace recorder
