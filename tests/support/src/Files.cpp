#include "testsupport/Files.h"

#include <algorithm>
#include <fstream>
#include <iterator>

namespace testsupport {

namespace fs = std::filesystem;

Bytes readFile(const fs::path &file) {
  std::ifstream in(file, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), {});
}

void writeFile(const fs::path &file, const Bytes &bytes) {
  std::ofstream out(file, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char *>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

std::vector<std::string> entries(const fs::path &folder) {
  std::vector<std::string> names;
  for (const auto &entry : fs::directory_iterator(folder)) names.push_back(entry.path().filename());
  std::sort(names.begin(), names.end());
  return names;
}

Bytes pattern(size_t n, uint32_t seed, bool noFF) {
  Bytes out(n);
  uint32_t x = seed * 2654435761u + 0x9E3779B9u;
  for (size_t i = 0; i < n; ++i) {
    x ^= x << 13;
    x ^= x >> 17;
    x ^= x << 5;
    out[i] = noFF ? static_cast<uint8_t>(x % 0xFF) : static_cast<uint8_t>(x);
  }
  return out;
}

}  // namespace testsupport
