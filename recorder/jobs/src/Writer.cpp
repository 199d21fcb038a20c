#include "recorder/jobs/Writer.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>
#include <system_error>

#include "components/JobUi.h"
#include "components/mpeg/MpegInfo.h"
#include "recorder/BlockIo.h"
#include "recorder/Chains.h"
#include "recorder/Directory.h"
#include "recorder/RecorderPanel.h"
#include "recorder/SystemBlock.h"
#include "recorder/jobs/Messages.h"
#include "src/Common.h"

namespace recorder::jobs {

namespace fs = std::filesystem;
using components::MsgKind;

namespace {

constexpr size_t kMaxAcceptedFiles = 500;
// The header page: 256 header bytes, then 0xFF to the page's end.
constexpr uint32_t kVoiceOverhead = kPageSize - fileheader::kBytes;  // 1792
constexpr uint32_t kGenericOverhead = kPageSize;                      // 2048

std::string upperAscii(std::string text) {
  for (char &c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return text;
}

std::string extensionOf(const fs::path &file) {
  return upperAscii(std::string(voice::PathExtension(file.filename().string())));
}

size_t utf8Characters(std::string_view text) {
  return static_cast<size_t>(std::count_if(text.begin(), text.end(), [](char c) { return (c & 0xC0) != 0x80; }));
}

void setField(uint8_t *header, size_t offset, size_t width, std::string_view text) {
  std::memset(header + offset, 0xFF, width);
  voice::WriteFieldText(header + offset, width, text);
}

struct FileCloser {
  void operator()(std::FILE *f) const {
    if (f) std::fclose(f);
  }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

uint64_t fileSize(const fs::path &file) {
  std::error_code ec;
  uint64_t size = fs::file_size(file, ec);
  return ec ? 0 : size;
}

void setNextLink(uint8_t *raw, uint32_t next) {
  writeU16(raw + rawSpareOffset(dataspare::kNextPage) + dataspare::kNext, next);
}

}  // namespace

Acceptance acceptFile(int folder, const fs::path &file) {
  bool mp3 = extensionOf(file) == "MP3";
  if (mp3Folder(folder)) {
    if (!mp3) return Acceptance::NotMp3InMp3Folder;
    return components::scanMpegFile(file.string()) ? Acceptance::Accepted : Acceptance::NotMpegAudio;
  }
  return mp3 ? Acceptance::Mp3InVoiceFolder : Acceptance::Accepted;
}

FileHeader makeFileHeader(const fs::path &file, const uint8_t *first, size_t have, const voice::HeaderTime &time) {
  namespace vh = voice::header;
  const std::string base = file.filename().string();
  const std::string_view stem = voice::PathStem(base);
  const std::string ext(voice::PathExtension(base));
  const std::string upper = upperAscii(ext);
  FileHeader h;
  int bits = 0, channels = 0, rate = 0, kind = 0;
  if (upper == "DVG" && have >= vh::kSize && voice::CheckG729File(first, bits, channels, rate, kind)) {
    std::memcpy(h.bytes.data(), first, vh::kSize);
    setField(h.bytes.data(), vh::kName, vh::kNameSize, stem);
    setField(h.bytes.data(), vh::kExtension, vh::kExtensionSize, "DVG");
    h.mode = fileheader::kModeSP;
    h.voice = true;
    return h;
  }
  // A generic header from a source image that starts as zeros, or as the
  // file's own first bytes for a ".DVG" file that is no voice file.
  uint8_t source[vh::kSize] = {};
  if (upper == "DVG") std::memcpy(source, first, std::min(have, vh::kSize));
  source[vh::kYear] = static_cast<uint8_t>(((time.year % 100) + 100) % 100);
  source[vh::kMonth] = static_cast<uint8_t>(time.month);
  source[vh::kDay] = static_cast<uint8_t>(time.day);
  source[vh::kHour] = static_cast<uint8_t>(time.hour);
  source[vh::kMinute] = static_cast<uint8_t>(time.minute);
  source[vh::kSecond] = static_cast<uint8_t>(time.second);
  source[vh::kKind] = vh::kKindNone;
  if (upper == "MP3") {
    uint8_t *info = source + vh::kAudioInfo;
    components::SetDownMpegFileParams(file.string(), info[0], info[1], info[2], info[3]);
  }
  setField(source, vh::kName, vh::kNameSize, stem);
  // A one-character extension is not stored.
  setField(source, vh::kExtension, vh::kExtensionSize, utf8Characters(ext) == 1 ? std::string() : upper);
  voice::BuildFileHeader(source, h.bytes.data());
  h.mode = fileheader::kModeNone;
  h.voice = false;
  return h;
}

int64_t Writer::freeBlocks() const {
  // The header's arithmetic, and the blocks a write can really take: a map
  // that disagrees with the folders' counts must not let a write start that
  // cannot end.
  Chains chains(v_);
  return std::min<int64_t>(chains.GetFlashAvaliableBlockCount(),
                           chains.writableBlockCount(v_.image.reservedBlock() + 1u));
}

bool Writer::abandon(const std::vector<uint32_t> &blocks, std::string_view textKey) {
  // A failure seen while the link is up leaves nothing behind: the next
  // connection must not enter a prefix of a file the user was told is not
  // written.
  undo(blocks);
  return fail(keys::kKindRecorder, textKey);
}

uint32_t Writer::folderLimit() const {
  return std::min<uint32_t>(v_.image.filesPerFolder(), folderpage::kMaxEntries);
}

bool Writer::fail(std::string_view captionKey, std::string_view textKey) {
  v_.ui.progressClose();
  showError(v_.ui, captionKey, textKey);
  return false;
}

Outcome Writer::OnBtnFileToFlashClick(int folder, const std::vector<fs::path> &files) {
  written_ = refused_ = 0;
  cancelled_ = false;
  components::JobUi &ui = v_.ui;
  if (!v_.link.connected || !v_.link.indexed) {
    showError(ui, keys::kKindRecorder, keys::kLinkLost);
    return Outcome::failed();
  }
  if (!validFolder(folder)) return Outcome::refused("there is no recorder folder " + std::to_string(folder));
  if (files.empty()) return Outcome::nothing("no file selected");
  if (refuseDamagedIndex(ui, v_.writeRefusal)) return Outcome::refused();

  std::vector<fs::path> accepted;
  bool mp3Shown = false, otherShown = false;
  for (const fs::path &file : files) {
    if (accepted.size() >= kMaxAcceptedFiles) break;
    switch (acceptFile(folder, file)) {
      case Acceptance::Accepted:
        accepted.push_back(file);
        continue;
      case Acceptance::NotMpegAudio:
        namedMessageBox(ui, keys::kKindNotice, "[" + file.filename().string() + "] : ", keys::kMp3Unusable,
                        MsgKind::Warning, components::kButtonsOk);
        break;
      case Acceptance::Mp3InVoiceFolder:
        if (!mp3Shown) ui.messageBox(keys::kKindNotice, keys::kMp3OnlyInMp3Folders, MsgKind::Warning, components::kButtonsOk);
        mp3Shown = true;
        break;
      case Acceptance::NotMp3InMp3Folder:
        if (!otherShown)
          ui.messageBox(keys::kKindNotice, keys::kOnlyMp3InMp3Folders, MsgKind::Warning, components::kButtonsOk);
        otherShown = true;
        break;
    }
    ++refused_;
  }
  std::string refusedText = std::to_string(refused_) + " file(s) not taken by folder " + folderName(folder);
  if (accepted.empty()) return Outcome::refused(refusedText);

  bool ok = WriteFlashFileList(folder, accepted, true);
  if (panel_) panel_->RefreshFlashFolderInfo(folder, false);
  if (!ok) return cancelled_ ? Outcome::cancelled() : Outcome::failed();
  if (refused_ > 0) return Outcome::refused(refusedText);
  if (files.size() > accepted.size() + static_cast<size_t>(refused_))
    return Outcome::refused("only the first " + std::to_string(kMaxAcceptedFiles) + " files were written");
  return Outcome::done();
}

bool Writer::WriteFlashFileList(int folder, const std::vector<fs::path> &files, bool showEach) {
  components::JobUi &ui = v_.ui;
  ui.progressOpen(ui.text(keys::kTitleWrite));

  std::vector<uint64_t> sizes;
  uint64_t total = 0, voiceFiles = 0, otherFiles = 0;
  for (const fs::path &file : files) {
    sizes.push_back(fileSize(file));
    total += sizes.back();
    (extensionOf(file) == "DVG" ? voiceFiles : otherFiles)++;
  }
  uint64_t needed = (otherFiles * kGenericOverhead + total + voiceFiles * kVoiceOverhead) / kBlockDataSize + 1;
  if (freeBlocks() < static_cast<int64_t>(needed)) return fail(keys::kKindRecorder, keys::kRecorderFull);

  uint64_t done = 0;
  const int count = static_cast<int>(files.size());
  for (int i = 0; i < count; ++i) {
    if (!v_.link.deviceOpen) return fail(keys::kKindRecorder, keys::kLinkLost);
    fileCountText_ = components::fileCountLabel(i + 1, count);
    ui.progressTotal(components::percentOf(static_cast<double>(done), static_cast<double>(total)), fileCountText_,
                     components::totalKbytesLabel(static_cast<double>(done), static_cast<double>(total)));
    if (!WriteFlashFile(files[static_cast<size_t>(i)], folder, done, total)) {
      ui.progressClose();
      return false;
    }
    done += sizes[static_cast<size_t>(i)];
    ++written_;
    if (panel_) {
      if (showEach && panel_->selectedFolder() == folder) panel_->RunningWriteDisplayFolder(folder);
      panel_->DisplayFlashFolderInfo();
    }
  }
  ui.progressClose();
  return true;
}

uint32_t Writer::WriteFlashPreProcess(int folder, uint8_t mode) {
  preFailure_ = keys::kNoWritableBlock;
  Chains chains(v_);
  BlockIo io(v_);
  uint32_t first = 0;
  for (;;) {
    first = chains.GetFlashWriteableBlock(v_.image.reservedBlock() + 1u);
    if (first == 0) return 0;
    // A free block may still hold a deleted recording, spare links
    // included. Erased before the record names it, it can never lead the
    // recovery of a cut write into that dead chain.
    if (io.erase(first) == 0 || io.erase(first) == 0) break;
    v_.ui.pump();
    if (!v_.link.deviceOpen) {
      preFailure_ = keys::kLinkLost;
      return 0;
    }
    if (v_.badBlocks.count() >= kBadBlockWriteLimit) {
      preFailure_ = keys::kTooManyBadBlocks;
      return 0;
    }
    chains.AddFlashBadBlock(first);
  }
  PendingJob job = PendingJob::write(folder, v_.image.fileCount(folder) + 1u, mode, first);
  if (!SystemBlock(v_).WriteSystemImage(&job)) {
    if (!v_.link.deviceOpen) preFailure_ = keys::kLinkLost;
    return 0;
  }
  return first;
}

void Writer::undo(const std::vector<uint32_t> &blocks) {
  BlockIo io(v_);
  for (size_t i = blocks.size(); i-- > 0;) {
    io.erase(blocks[i]);
    v_.ui.progressCurrent(components::percentOf(static_cast<double>(i), static_cast<double>(blocks.size())), "");
  }
  SystemBlock(v_).WriteSystemImage();
}

bool Writer::WriteFlashFile(const fs::path &file, int folder, uint64_t doneBytes, uint64_t totalBytes) {
  components::JobUi &ui = v_.ui;
  if (!validFolder(folder)) return false;
  if (v_.image.fileCount(folder) >= folderLimit()) return fail(keys::kKindRecorder, keys::kFolderFull);

  File in(std::fopen(file.c_str(), "rb"));
  uint64_t length = in ? fileSize(file) : 0;
  if (!in || length == 0) return fail(keys::kKindProgram, keys::kFileUnusable);
  std::unique_ptr<uint8_t[]> data(new (std::nothrow) uint8_t[kBlockDataSize]);
  std::unique_ptr<uint8_t[]> spare(new (std::nothrow) uint8_t[kSpareImageSize]);
  auto raw = allocRawBlock();
  auto previous = allocRawBlock();
  if (!data || !spare || !raw || !previous) return fail(keys::kKindProgram, keys::kNoMemory);

  uint8_t first[fileheader::kBytes];
  size_t have = std::fread(first, 1, sizeof first, in.get());
  FileHeader h = makeFileHeader(file, first, have, clock ? clock() : voice::HeaderTime::now());
  const uint64_t size = length + (h.voice ? kVoiceOverhead : kGenericOverhead);
  const uint64_t needed = (size + kBlockDataSize - 1) / kBlockDataSize;
  if (freeBlocks() < static_cast<int64_t>(needed)) return fail(keys::kKindRecorder, keys::kRecorderFull);
  if (std::fseek(in.get(), h.voice ? static_cast<long>(fileheader::kBytes) : 0L, SEEK_SET) != 0)
    return fail(keys::kKindProgram, keys::kFileUnusable);

  ui.progressLines(file.parent_path().string(), file.filename().string());
  ui.clearCancel();

  Chains chains(v_);
  BlockIo io(v_);
  uint32_t cur = WriteFlashPreProcess(folder, h.mode);
  // Each block of the file is erased once, just before anything else can
  // touch it: the first before the record names it, every later one when
  // the spare that links to it is built. Such a block is then programmed
  // without a second erase.
  bool curErased = cur != 0;
  std::vector<uint32_t> blocks;
  uint32_t pagesInLast = 0;
  for (uint64_t k = 0; k < needed; ++k) {
    if (cur == 0) {
      if (k == 0) return fail(keys::kKindRecorder, preFailure_);
      return abandon(blocks, keys::kNoWritableBlock);
    }
    const uint64_t blockBytes = std::min<uint64_t>(kBlockDataSize, size - k * kBlockDataSize);
    uint8_t *d = data.get();
    size_t want = static_cast<size_t>(blockBytes);
    if (k == 0) {
      std::memcpy(d, h.bytes.data(), fileheader::kBytes);
      std::memset(d + fileheader::kBytes, 0xFF, kVoiceOverhead);
      d += kPageSize;
      want -= kPageSize;
    }
    size_t got = std::fread(d, 1, want, in.get());
    std::memset(d + got, 0xFF, static_cast<size_t>(data.get() + kBlockDataSize - (d + got)));
    if (got != want) {
      // The file shrank or cannot be read any more: nothing of it is kept.
      undo(blocks);
      return fail(keys::kKindProgram, keys::kFileUnusable);
    }

    const bool last = k + 1 == needed;
    int count = -1;
    if (last) {
      pagesInLast = static_cast<uint32_t>((blockBytes + kPageSize - 1) / kPageSize);
      count = static_cast<int>(blockBytes % kPageSize == 0 ? kPageSize : blockBytes % kPageSize);
    }
    blocks.push_back(cur);
    uint32_t next = last ? 0 : chains.GetFlashWriteableBlock(cur + 1, blocks);
    bool nextErased = chains.GetFlashBlockNextChainInfo(next, spare.get(), count);
    BlockIo::dataToRaw(data.get(), spare.get(), raw.get());

    int rc = curErased ? io.programErased(cur, raw.get()) : io.writeRaw(cur, raw.get());
    if (rc != 0) {
      if (rc == -2 || !v_.link.deviceOpen) return fail(keys::kKindRecorder, keys::kLinkLost);
      rc = io.writeRaw(cur, raw.get());
      while (rc != 0) {
        if (rc == -2) return fail(keys::kKindRecorder, keys::kLinkLost);
        ui.pump();
        if (!v_.link.deviceOpen) return fail(keys::kKindRecorder, keys::kLinkLost);
        if (v_.badBlocks.count() >= kBadBlockWriteLimit) return abandon(blocks, keys::kTooManyBadBlocks);
        // Retiring the block writes the system image, which clears the
        // pending-job record: the blocks written so far then stay free.
        chains.AddFlashBadBlock(cur);
        uint32_t replacement = chains.GetFlashWriteableBlock(cur + 1, blocks);
        if (replacement == 0) {
          blocks.pop_back();  // the retired block is never used again
          return abandon(blocks, keys::kNoWritableBlock);
        }
        cur = replacement;
        blocks[k] = cur;
        if (!last) {
          next = chains.GetFlashWriteableBlock(cur + 1, blocks);
          nextErased = chains.GetFlashBlockNextChainInfo(next, spare.get(), -1);
        } else {
          Chains::buildChainSpare(0, count, spare.get());
        }
        BlockIo::dataToRaw(data.get(), spare.get(), raw.get());
        rc = io.writeRaw(cur, raw.get());
        if (rc == 0 && k > 0) {
          // The block before still names the retired one: it is written
          // again naming the replacement, so that its spare agrees with the
          // block map.
          setNextLink(previous.get(), cur);
          if (io.writeRaw(blocks[k - 1], previous.get()) != 0) return fail(keys::kKindRecorder, keys::kLinkLost);
        }
      }
    }
    std::swap(raw, previous);

    const uint64_t bytesDone = std::min<uint64_t>(size, (k + 1) * kBlockDataSize);
    ui.progressCurrent(components::percentOf(static_cast<double>(bytesDone), static_cast<double>(size)),
                       components::kbytesLabel(static_cast<double>(bytesDone), static_cast<double>(size)));
    double all = static_cast<double>(doneBytes + std::min(length, bytesDone));
    ui.progressTotal(std::min(100, components::percentOf(all, static_cast<double>(totalBytes))), fileCountText_,
                     components::totalKbytesLabel(all, static_cast<double>(totalBytes)));
    cur = next;
    curErased = nextErased;
    ui.pump();
    if (ui.cancelRequested()) {
      cancelled_ = true;
      ui.progressTitle(ui.text(keys::kTitleUndoWrite), false);
      undo(blocks);
      return false;
    }
  }
  in.reset();

  if (!WriteIndexModify(folder, blocks, 0, 0, 0xFF, pagesInLast)) return fail(keys::kKindRecorder, keys::kCannotEnter);
  std::vector<uint8_t> headerPage(kPageSize, 0xFF);
  std::memcpy(headerPage.data(), h.bytes.data(), fileheader::kBytes);
  uint32_t pages = static_cast<uint32_t>(blocks.size() - 1) * kPagesPerBlock + pagesInLast;
  v_.directory.records(folder).push_back(tFLASHFILEINFO::fromHeader(headerPage.data(), blocks.front(), pages));
  return true;
}

bool Writer::WriteIndexModify(int folder, const std::vector<uint32_t> &blocks, uint32_t number, uint32_t oldValue,
                              uint8_t flag, uint32_t pagesInLast) {
  if (!validFolder(folder) || blocks.empty() || pagesInLast < 1 || pagesInLast > kPagesPerBlock) return false;
  SystemImage &image = v_.image;
  uint32_t count = image.fileCount(folder);
  uint32_t used = image.blocksUsed(folder);
  uint32_t index = count;
  if (flag == jobrecord::kRewrite && number >= 1 && number <= count) {
    count -= 1;
    used -= std::min(used, oldValue / kPagesPerBlock + 1);
    index = number - 1;
  }
  if (index >= folderpage::kMaxEntries) return false;
  const uint32_t n = static_cast<uint32_t>(blocks.size());
  image.setEntry(folder, index, {static_cast<uint16_t>(blocks.front()), (n - 1) * kPagesPerBlock + pagesInLast});
  image.setFileCount(folder, count + 1);
  image.setBlocksUsed(folder, used + n);
  for (uint32_t j = 0; j + 1 < n; ++j) image.setMapEntry(blocks[j], static_cast<uint16_t>(blocks[j + 1]));
  image.setMapEntry(blocks.back(), blockmap::kLast);
  return SystemBlock(v_).WriteSystemImage();
}

}  // namespace recorder::jobs
