#include "components/wavefile/WaveFile.h"

#include <sndfile.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <vector>

#include "components/wavefile/RiffWave.h"

namespace components {

// Writing goes through libsndfile, which keeps the RIFF and data sizes.
struct WaveFile::Writer {
  SNDFILE *file = nullptr;
  size_t frameBytes = 1;
  std::vector<uint8_t> pending;  // the start of a sample frame that a later append completes

  void write(const uint8_t *data, size_t bytes) {
    if (bytes == 0) return;
    sf_count_t done = sf_write_raw(file, data, static_cast<sf_count_t>(bytes));
    if (done != static_cast<sf_count_t>(bytes))
      throw WaveFileError(std::string("cannot write the WAV file: ") + sf_strerror(file));
  }
};

WaveFile::WaveFile() = default;

WaveFile::~WaveFile() {
  try {
    close();
  } catch (const WaveFileError &) {
    // Nobody is left to tell; the file keeps what reached it.
  }
}

bool WaveFile::open(const std::string &path, std::string *error) {
  close();
  std::string why;
  std::FILE *file = std::fopen(path.c_str(), "rb");
  struct stat info {};
  if (!file) {
    why = std::strerror(errno);
  } else if (fstat(fileno(file), &info) != 0 || !S_ISREG(info.st_mode)) {
    why = "not a regular file";
  } else {
    riff::WaveLayout layout;
    if (riff::parseWave(file, static_cast<uint64_t>(info.st_size), layout, why) &&
        fseeko(file, static_cast<off_t>(layout.dataOffset), SEEK_SET) == 0) {
      reader_ = file;
      path_ = path;
      format_ = layout.format;
      dataOffset_ = layout.dataOffset;
      dataSize_ = layout.dataSize;
      return true;
    }
    if (why.empty()) why = "the file cannot be read";
  }
  if (file) std::fclose(file);
  if (error) *error = why;
  return false;
}

size_t WaveFile::read(void *buffer, size_t bytes) {
  if (!reader_) throw WaveFileError("no WAV file is open for reading");
  size_t wanted = static_cast<size_t>(std::min<uint64_t>(bytes, dataSize_ - position_));
  size_t got = wanted ? std::fread(buffer, 1, wanted, reader_) : 0;
  position_ += got;
  if (got != wanted) throw WaveFileError("cannot read the WAV file " + path_ + ": it ends early or a read failed");
  return got;
}

void WaveFile::rewind() {
  if (!reader_ || fseeko(reader_, static_cast<off_t>(dataOffset_), SEEK_SET) != 0)
    throw WaveFileError("cannot go back to the start of the WAV file's samples");
  position_ = 0;
}

bool WaveFile::create(const std::string &path, const WaveFormat &format, std::string *error) {
  close();
  int subtype = 0;
  switch (format.bitsPerSample) {
    case 8: subtype = SF_FORMAT_PCM_U8; break;
    case 16: subtype = SF_FORMAT_PCM_16; break;
    case 24: subtype = SF_FORMAT_PCM_24; break;
    case 32: subtype = SF_FORMAT_PCM_32; break;
    default: break;
  }
  if (!format.isPcm() || subtype == 0 || format.channels == 0 || format.sampleRate == 0 ||
      format.sampleRate > 0x7FFFFFFF) {
    if (error) *error = "only PCM WAV files of 8, 16, 24 or 32 bits can be written";
    return false;
  }
  SF_INFO info{};
  info.samplerate = static_cast<int>(format.sampleRate);
  info.channels = format.channels;
  info.format = SF_FORMAT_WAV | subtype;
  SNDFILE *file = sf_open(path.c_str(), SFM_WRITE, &info);
  if (!file) {
    if (error) *error = sf_strerror(nullptr);
    return false;
  }
  writer_ = std::make_unique<Writer>();
  writer_->file = file;
  writer_->frameBytes = static_cast<size_t>(format.channels) * (format.bitsPerSample / 8);
  path_ = path;
  format_ = WaveFormat::pcm(format.channels, format.sampleRate, format.bitsPerSample);
  return true;
}

void WaveFile::append(const void *data, size_t bytes) {
  if (!writer_) throw WaveFileError("no WAV file is open for writing");
  Writer &w = *writer_;
  auto *in = static_cast<const uint8_t *>(data);
  if (!w.pending.empty()) {
    size_t take = std::min(bytes, w.frameBytes - w.pending.size());
    w.pending.insert(w.pending.end(), in, in + take);
    in += take;
    bytes -= take;
    if (w.pending.size() < w.frameBytes) return;
    w.write(w.pending.data(), w.pending.size());
    written_ += w.pending.size();
    w.pending.clear();
  }
  size_t whole = bytes - bytes % w.frameBytes;
  w.write(in, whole);
  written_ += whole;
  w.pending.assign(in + whole, in + bytes);
}

void WaveFile::close() {
  if (reader_) std::fclose(reader_);
  reader_ = nullptr;
  std::unique_ptr<Writer> writer = std::move(writer_);
  reset();
  if (writer && sf_close(writer->file) != 0)
    throw WaveFileError("cannot complete the WAV file: its chunk sizes may be wrong");
}

void WaveFile::reset() {
  path_.clear();
  format_ = {};
  dataSize_ = dataOffset_ = position_ = written_ = 0;
}

}  // namespace components
