// Writing PC files into a recorder folder. Each file becomes a chain of
// blocks behind a 2048-byte header page. The order of flash operations keeps
// the file system consistent at every moment: the pending-job record first,
// then the file's blocks (each naming its erased successor), and only then
// the folder page and the block map, which also clears the record.
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <string_view>
#include <vector>

#include "recorder/FlashVolume.h"
#include "recorder/jobs/Outcome.h"
#include "voice/VoiceHeader.h"

namespace recorder {
class RecorderPanel;
}

namespace recorder::jobs {

// Whether a recorder folder takes a PC file.
enum class Acceptance {
  Accepted,
  Mp3InVoiceFolder,   // an MP3 file for folders 1 to 4
  NotMp3InMp3Folder,  // any other file for folders 5 to 8
  NotMpegAudio,       // an ".MP3" file that is no MPEG audio
};
Acceptance acceptFile(int folder, const std::filesystem::path &file);

// The 256 header bytes a PC file gets on the recorder, and its recording mode.
struct FileHeader {
  std::array<uint8_t, 256> bytes{};
  uint8_t mode = 0xFF;  // 0xAA for a voice file, 0xFF for any other
  bool voice = false;   // the file's own voice header heads it; its data follows those 256 bytes
};
// first: the file's first bytes (have of them, up to 256).
FileHeader makeFileHeader(const std::filesystem::path &file, const uint8_t *first, size_t have,
                          const voice::HeaderTime &time);

class Writer {
 public:
  explicit Writer(FlashVolume &volume, RecorderPanel *panel = nullptr) : v_(volume), panel_(panel) {}

  // OnBtnFileToFlashClick: the files (full paths, in list order) that the
  // folder takes, at most 500, written in one job. The others are refused,
  // MP3 and non-MP3 refusals with one message each however many there are.
  Outcome OnBtnFileToFlashClick(int folder, const std::vector<std::filesystem::path> &files);

  // WriteFlashFileList: the job over files the folder takes. showEach
  // appends each new recording to the panel's list.
  bool WriteFlashFileList(int folder, const std::vector<std::filesystem::path> &files, bool showEach);

  // WriteFlashFile: one file. False ends the job (the cause has been shown,
  // except for a cancel).
  bool WriteFlashFile(const std::filesystem::path &file, int folder, uint64_t doneBytes, uint64_t totalBytes);

  // WriteFlashPreProcess: the first block (erased) and the pending-job
  // record naming it; 0 when there is no block or the record was not written.
  uint32_t WriteFlashPreProcess(int folder, uint8_t mode);

  // WriteIndexModify: enters a chain on the flash into the folder page and
  // the block map and writes the system image. flag 0xAA rewrites the entry
  // of file number, whose old size is oldValue pages; otherwise the file is
  // added at the folder's end. False when the image was not written.
  bool WriteIndexModify(int folder, const std::vector<uint32_t> &blocks, uint32_t number, uint32_t oldValue,
                        uint8_t flag, uint32_t pagesInLast);

  int written() const { return written_; }
  int refused() const { return refused_; }
  bool cancelled() const { return cancelled_; }

  // The moment a generic header records; the current local time unless set.
  std::function<voice::HeaderTime()> clock;

 private:
  bool fail(std::string_view captionKey, std::string_view textKey);
  void undo(const std::vector<uint32_t> &blocks);
  bool abandon(const std::vector<uint32_t> &blocks, std::string_view textKey);
  int64_t freeBlocks() const;
  uint32_t folderLimit() const;

  FlashVolume &v_;
  RecorderPanel *panel_;
  std::string fileCountText_;
  std::string_view preFailure_;
  int written_ = 0;
  int refused_ = 0;
  bool cancelled_ = false;
};

}  // namespace recorder::jobs
