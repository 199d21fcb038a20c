#include "Fixtures.h"

#include <cmath>
#include <cstring>
#include <random>

namespace fixtures {

namespace {
void put16(std::vector<uint8_t> &out, int16_t v) {
  out.push_back(uint8_t(v));
  out.push_back(uint8_t(uint16_t(v) >> 8));
}
void put32le(std::vector<uint8_t> &out, uint32_t v) {
  for (int k = 0; k < 4; ++k) out.push_back(uint8_t(v >> (8 * k)));
}
void putSample(std::vector<uint8_t> &out, const Pcm &f, double x) {
  if (f.bits == 8) {
    out.push_back(uint8_t(std::lround(128 + 127 * x)));
  } else {
    put16(out, int16_t(std::lround(32767 * x)));
  }
}
void putChunk(std::vector<uint8_t> &out, const std::string &id, const std::vector<uint8_t> &body) {
  out.insert(out.end(), id.begin(), id.end());
  put32le(out, uint32_t(body.size()));
  out.insert(out.end(), body.begin(), body.end());
  if (body.size() & 1) out.push_back(0);
}
}  // namespace

std::vector<uint8_t> rampPcm(const Pcm &format, uint32_t frames) {
  std::vector<uint8_t> out;
  out.reserve(size_t(frames) * format.align());
  for (uint32_t i = 0; i < frames; ++i) {
    for (uint16_t c = 0; c < format.channels; ++c) {
      if (format.bits == 8)
        out.push_back(uint8_t(i % 251));
      else
        put16(out, int16_t(c == 0 ? int(i & 0x7FFF) : -int(i & 0x7FFF)));
    }
  }
  return out;
}

std::vector<uint8_t> sinePcm(const Pcm &format, uint32_t frames, double hz, double amplitude) {
  std::vector<uint8_t> out;
  out.reserve(size_t(frames) * format.align());
  for (uint32_t i = 0; i < frames; ++i) {
    double x = amplitude * std::sin(2 * M_PI * hz * i / format.rate);
    for (uint16_t c = 0; c < format.channels; ++c) putSample(out, format, x);
  }
  return out;
}

std::vector<uint8_t> wideRampPcm(const Pcm &format, uint32_t frames, bool isFloat) {
  std::vector<uint8_t> out;
  out.reserve(size_t(frames) * format.align());
  for (uint32_t i = 0; i < frames; ++i) {
    for (uint16_t c = 0; c < format.channels; ++c) {
      int v = c == 0 ? int(i & 0x7FFF) : -int(i & 0x7FFF);
      uint64_t bits = 0;
      if (isFloat && format.bits == 32) {
        float x = float(v) / 32767.0f;
        uint32_t w;
        std::memcpy(&w, &x, 4);
        bits = w;
      } else if (isFloat) {
        double x = double(v) / 32767.0;
        std::memcpy(&bits, &x, 8);
      } else {
        int shift = format.bits - 16;
        // Junk below the top 16 bits of a positive sample: the conversion drops it.
        bits = uint64_t(int64_t(v) * (int64_t(1) << shift)) | (v > 0 ? (uint64_t(1) << shift) - 1 : 0);
      }
      for (int k = 0; k < format.bits / 8; ++k) out.push_back(uint8_t(bits >> (8 * k)));
    }
  }
  return out;
}

void writeWav(const fs::path &path, const Pcm &f, const std::vector<uint8_t> &data, const WavLayout &layout) {
  std::vector<uint8_t> fmt;
  put16(fmt, int16_t(layout.formatTag));
  put16(fmt, int16_t(f.channels));
  put32le(fmt, f.rate);
  put32le(fmt, f.rate * f.align());
  put16(fmt, int16_t(f.align()));
  put16(fmt, int16_t(f.bits));
  if (layout.formatTag == 0xFFFE) {
    put16(fmt, 22);                                 // extra size
    put16(fmt, int16_t(f.bits));                    // valid bits
    put32le(fmt, f.channels == 1 ? 0x4 : 0x3);      // channel mask
    put16(fmt, int16_t(layout.subFormat));          // the sub-format GUID
    for (uint8_t b : {0x00, 0x00, 0x00, 0x00, 0x10, 0x00, 0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71})
      fmt.push_back(b);
  }
  while (fmt.size() < layout.fmtSize) fmt.push_back(0);

  std::vector<uint8_t> body = {'W', 'A', 'V', 'E'};
  putChunk(body, "fmt ", fmt);
  for (auto &[id, bytes] : layout.chunksBeforeData) putChunk(body, id, bytes);
  putChunk(body, "data", data);
  for (auto &[id, bytes] : layout.chunksAfterData) putChunk(body, id, bytes);
  std::vector<uint8_t> file = {'R', 'I', 'F', 'F'};
  put32le(file, uint32_t(body.size()));
  file.insert(file.end(), body.begin(), body.end());
  writeFile(path, file);
}

fs::path makeMp3(const TempDir &dir, const std::string &name, const Pcm &format, const std::vector<uint8_t> &pcm,
                 const std::string &lameOptions) {
  fs::path lame = requireTool("lame");
  fs::path wav = dir / (name + ".src.wav");
  fs::path mp3 = dir / name;
  writeWav(wav, format, pcm);
  if (!runCommand(lame.string() + " --quiet " + lameOptions + " '" + wav.string() + "' '" + mp3.string() + "'").ok())
    return {};
  return mp3;
}

double frequencyOf(const std::vector<uint8_t> &pcm, uint32_t rate) {
  size_t frames = pcm.size() / 4, from = frames / 4, to = frames * 3 / 4;
  int cycles = 0;
  bool high = false;
  size_t first = 0, last = 0;
  for (size_t i = from; i < to; ++i) {
    int16_t v = sample16(pcm, 4 * i);
    if (!high && v > 2000) {
      high = true;
      if (cycles++ == 0) first = i;
      last = i;
    } else if (high && v < -2000) {
      high = false;
    }
  }
  return cycles > 1 ? (cycles - 1) / (double(last - first) / rate) : 0;
}

}  // namespace fixtures
