// Tiny WAV files written by the tests, byte by byte, and a scratch folder.
#pragma once

#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace waveedit_test {

struct WavSpec {
  uint16_t tag = 1;
  uint16_t channels = 1;
  uint32_t rate = 8000;
  uint16_t bits = 16;
  uint16_t blockAlign = 0;   // 0: channels x bytes per sample
  uint16_t subTag = 0;       // extensible files only
  bool listBeforeData = false;
  int64_t dataSizeDelta = 0;  // added to the declared data size
};

inline void put16(std::string &out, uint16_t v) {
  out += static_cast<char>(v & 0xFF);
  out += static_cast<char>(v >> 8);
}
inline void put32(std::string &out, uint32_t v) {
  put16(out, static_cast<uint16_t>(v & 0xFFFF));
  put16(out, static_cast<uint16_t>(v >> 16));
}

inline std::string wavBytes(const WavSpec &spec, const std::vector<int16_t> &samples) {
  uint16_t align = spec.blockAlign ? spec.blockAlign : static_cast<uint16_t>(spec.channels * ((spec.bits + 7) / 8));
  std::string fmt;
  put16(fmt, spec.tag);
  put16(fmt, spec.channels);
  put32(fmt, spec.rate);
  put32(fmt, spec.rate * align);
  put16(fmt, align);
  put16(fmt, spec.bits);
  if (spec.tag == 0xFFFE) {
    put16(fmt, 22);
    put16(fmt, spec.bits);
    put32(fmt, 0);
    put16(fmt, spec.subTag);
    fmt += std::string("\x00\x00\x00\x00\x10\x00\x80\x00\x00\xAA\x00\x38\x9B\x71", 14);
  }
  std::string data;
  for (int16_t s : samples) put16(data, static_cast<uint16_t>(s));
  std::string body = "WAVE";
  body += "fmt ";
  put32(body, static_cast<uint32_t>(fmt.size()));
  body += fmt;
  if (spec.listBeforeData) {
    std::string info = "INFOISFT";
    put32(info, 6);
    info += std::string("tests\0", 6);
    body += "LIST";
    put32(body, static_cast<uint32_t>(info.size()));
    body += info;
  }
  body += "data";
  put32(body, static_cast<uint32_t>(static_cast<int64_t>(data.size()) + spec.dataSizeDelta));
  body += data;
  std::string out = "RIFF";
  put32(out, static_cast<uint32_t>(body.size()));
  return out + body;
}

inline void writeFile(const std::filesystem::path &path, const std::string &bytes) {
  std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

inline std::string readFile(const std::filesystem::path &path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline std::vector<int16_t> ramp(size_t count, int step = 1) {
  std::vector<int16_t> out(count);
  for (size_t i = 0; i < count; ++i) out[i] = static_cast<int16_t>((static_cast<int>(i) * step) % 30000);
  return out;
}

class ScratchDir {
 public:
  ScratchDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "waveedit-XXXXXX").string();
    path_ = ::mkdtemp(pattern.data());
  }
  ~ScratchDir() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
  }
  const std::filesystem::path &path() const { return path_; }
  std::filesystem::path operator/(const std::string &name) const { return path_ / name; }
  // The names in the folder, sorted.
  std::vector<std::string> names() const {
    std::vector<std::string> out;
    for (auto &entry : std::filesystem::directory_iterator(path_)) out.push_back(entry.path().filename().string());
    std::sort(out.begin(), out.end());
    return out;
  }

 private:
  std::filesystem::path path_;
};

}  // namespace waveedit_test
