#include "Fixtures.h"

#include <cstdio>
#include <stdexcept>

#include "testsupport/Tools.h"

namespace fixtures {

bool exists(const std::string &path) { return std::filesystem::exists(path); }

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

void makeSpeechWav(const std::string &path, int times) {
  testsupport::requireTool("espeak-ng");
  testsupport::requireTool("sox");
  const std::string raw = path + ".espeak.wav";
  const std::string text =
      "Voice recorders keep speech as G seven two nine. The quick brown fox jumps over the lazy dog, "
      "while seven silver swans sing softly by the river.";
  std::string repeat = times > 1 ? " repeat " + std::to_string(times - 1) : "";
  if (!runCommand("espeak-ng -w '" + raw + "' '" + text + "'").ok() ||
      !runCommand("sox '" + raw + "' -r 8000 -c 1 -b 16 -e signed-integer '" + path + "'" + repeat).ok())
    throw std::runtime_error("espeak-ng or sox failed to make the speech fixture");
  std::remove(raw.c_str());
}

}  // namespace fixtures
