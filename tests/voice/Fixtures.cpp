#include "Fixtures.h"

#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <stdexcept>

namespace fixtures {

TempDir::TempDir() {
  std::string pattern = (std::filesystem::temp_directory_path() / "quillorn-voice-XXXXXX").string();
  if (!mkdtemp(pattern.data())) throw std::runtime_error("cannot make a temporary folder");
  dir_ = pattern;
}

TempDir::~TempDir() {
  std::error_code ec;
  std::filesystem::remove_all(dir_, ec);
}

Bytes readFile(const std::string &path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), {});
}

void writeFile(const std::string &path, const Bytes &bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char *>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

bool exists(const std::string &path) { return std::filesystem::exists(path); }

std::vector<std::string> entries(const std::string &folder) {
  std::vector<std::string> names;
  for (const auto &entry : std::filesystem::directory_iterator(folder)) names.push_back(entry.path().filename());
  std::sort(names.begin(), names.end());
  return names;
}

void putLe16(Bytes &out, uint32_t v) {
  out.push_back(static_cast<uint8_t>(v));
  out.push_back(static_cast<uint8_t>(v >> 8));
}

void putLe32(Bytes &out, uint32_t v) {
  putLe16(out, v & 0xFFFF);
  putLe16(out, v >> 16);
}

Bytes chunk(const char id[4], const Bytes &body, int64_t declaredSize) {
  Bytes out(id, id + 4);
  putLe32(out, declaredSize >= 0 ? static_cast<uint32_t>(declaredSize) : static_cast<uint32_t>(body.size()));
  out.insert(out.end(), body.begin(), body.end());
  if (body.size() % 2) out.push_back(0);
  return out;
}

Bytes pcmFormat(uint16_t channels, uint32_t rate, uint16_t bits, uint16_t tag) {
  Bytes f;
  uint16_t align = static_cast<uint16_t>(channels * ((bits + 7) / 8));
  putLe16(f, tag);
  putLe16(f, channels);
  putLe32(f, rate);
  putLe32(f, rate * align);
  putLe16(f, align);
  putLe16(f, bits);
  return f;
}

Bytes riff(const std::vector<Bytes> &chunks) {
  Bytes body{'W', 'A', 'V', 'E'};
  for (auto &c : chunks) body.insert(body.end(), c.begin(), c.end());
  Bytes out{'R', 'I', 'F', 'F'};
  putLe32(out, static_cast<uint32_t>(body.size()));
  out.insert(out.end(), body.begin(), body.end());
  return out;
}

Bytes pcmWav(const Bytes &data, uint16_t channels, uint32_t rate, uint16_t bits) {
  return riff({chunk("fmt ", pcmFormat(channels, rate, bits)), chunk("data", data)});
}

Bytes groupedSamples(size_t bytes) {
  Bytes data(bytes);
  for (size_t i = 0; i < bytes; ++i) data[i] = static_cast<uint8_t>(i / 16 * 7 + 3);
  return data;
}

std::vector<int16_t> samplesOf(const Bytes &data) {
  std::vector<int16_t> s(data.size() / 2);
  for (size_t i = 0; i < s.size(); ++i)
    s[i] = static_cast<int16_t>(static_cast<uint16_t>(data[2 * i] | data[2 * i + 1] << 8));
  return s;
}

int run(const std::string &command) {
  int status = std::system(command.c_str());
  return status != -1 && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

int run(const std::string &command, std::string &stderrText) {
  char name[] = "/tmp/quillorn-voice-stderr-XXXXXX";
  int fd = mkstemp(name);
  if (fd < 0) return -1;
  ::close(fd);
  int rc = run(command + " 2>" + name);
  Bytes text = readFile(name);
  stderrText.assign(text.begin(), text.end());
  std::remove(name);
  return rc;
}

void makeSpeechWav(const std::string &path, int times) {
  const std::string raw = path + ".espeak.wav";
  const std::string text =
      "Voice recorders keep speech as G seven two nine. The quick brown fox jumps over the lazy dog, "
      "while seven silver swans sing softly by the river.";
  std::string repeat = times > 1 ? " repeat " + std::to_string(times - 1) : "";
  if (run("espeak-ng -w '" + raw + "' '" + text + "' >/dev/null 2>&1") != 0 ||
      run("sox '" + raw + "' -r 8000 -c 1 -b 16 -e signed-integer '" + path + "'" + repeat + " >/dev/null 2>&1") != 0)
    throw std::runtime_error("espeak-ng or sox failed: the speech fixture needs both (scripts/setup installs them)");
  std::remove(raw.c_str());
}

}  // namespace fixtures
