// The wave-file component: reads the sample bytes of a WAV file block by
// block, or writes a new PCM WAV file block by block. One file at a time,
// either for reading or for writing.
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <stdexcept>
#include <string>

#include "components/wavefile/WaveFormat.h"

namespace components {

// A read or write that failed part-way through a file.
class WaveFileError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class WaveFile {
 public:
  WaveFile();
  ~WaveFile();  // closes; a file being written gets its chunk sizes
  WaveFile(const WaveFile &) = delete;
  WaveFile &operator=(const WaveFile &) = delete;

  // Opens a WAV file for reading and finds its "fmt " and "data" chunks
  // wherever they stand. False, with the reason in error, when the file is
  // missing, empty, truncated or not a RIFF WAVE file, or when its data
  // chunk runs past the end of the file. Any format tag opens.
  bool open(const std::string &path, std::string *error = nullptr);

  const WaveFormat &format() const { return format_; }
  uint64_t dataSize() const { return dataSize_; }      // bytes of sample data
  uint64_t dataOffset() const { return dataOffset_; }  // where they start in the file
  uint64_t dataRead() const { return position_; }      // bytes read so far

  // Reads the next bytes of sample data into buffer: min(bytes, what is
  // left). Throws WaveFileError when the file delivers fewer.
  size_t read(void *buffer, size_t bytes);
  // Goes back to the first byte of sample data. Throws WaveFileError.
  void rewind();

  // Creates (or replaces) a PCM WAV file of 8, 16, 24 or 32 bits. False,
  // with the reason in error, when the format is not PCM or the file cannot
  // be created.
  bool create(const std::string &path, const WaveFormat &format, std::string *error = nullptr);

  // Appends sample bytes. A partial sample frame waits for the next append.
  // Throws WaveFileError when the write fails.
  void append(const void *data, size_t bytes);
  uint64_t dataWritten() const { return written_; }  // whole frames handed to the file

  // Closes the file; one being written gets its chunk sizes (a trailing
  // partial frame is dropped). Throws WaveFileError when that write fails.
  void close();

  bool isOpen() const { return reading() || writing(); }
  bool reading() const { return reader_ != nullptr; }
  bool writing() const { return writer_ != nullptr; }
  const std::string &path() const { return path_; }

 private:
  struct Writer;
  void reset();

  std::string path_;
  WaveFormat format_;
  std::FILE *reader_ = nullptr;
  std::unique_ptr<Writer> writer_;
  uint64_t dataSize_ = 0, dataOffset_ = 0, position_ = 0, written_ = 0;
};

}  // namespace components
