#include "player/VoiceRecording.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <system_error>

#include "components/base/PendingFile.h"
#include "voice/VoiceHeader.h"

namespace player {

namespace fs = std::filesystem;

namespace {

using File = std::unique_ptr<std::FILE, int (*)(std::FILE *)>;
File openFile(const fs::path &file, const char *mode) { return File(std::fopen(file.c_str(), mode), &std::fclose); }

const components::wave::PcmFormat kRecordFormat{voice::kChannels, voice::kSampleRate, voice::kBitsPerSample};

bool closeChecked(File &f) {
  std::FILE *raw = f.release();
  return std::fclose(raw) == 0;
}

}  // namespace

VoiceRecording::VoiceRecording(components::wave::DoneQueue &queue, const InputFactory &makeDevice, CommandGate &gate,
                               LevelAnalyzer &levels, fs::path tempFile)
    : gate_(gate), levels_(levels), tempFile_(std::move(tempFile)) {
  if (makeDevice) device_ = makeDevice(queue, *this);
  for (size_t i = 0; i < kBuffers; ++i) buffers_[i].data = storage_[i].data();
}

VoiceRecording::~VoiceRecording() {
  if (device_ && open_) device_->close();
}

bool VoiceRecording::createTempFile() {
  uint8_t header[voice::header::kSize];
  voice::MakeG729FileHeader(header, voice::kBitsPerSample, voice::kSampleRate, voice::kChannels, tempFile_.string(),
                            true);
  std::error_code ec;
  fs::remove(tempFile_, ec);
  File f = openFile(tempFile_, "wb");
  if (!f) return false;
  bool ok = std::fwrite(header, 1, sizeof header, f.get()) == sizeof header;
  return closeChecked(f) && ok;
}

bool VoiceRecording::startInput() {
  ++opening_;
  queued_.clear();
  open_ = false;
  if (!device_ || !device_->open(kRecordFormat)) return false;
  open_ = true;
  encoder_ = std::make_unique<voice::EncoderStream>();
  for (auto &b : buffers_) {
    b.length = kBufferBytes;
    if (device_->add(b)) queued_.push_back(&b);
  }
  device_->start();
  return true;
}

void VoiceRecording::pauseInput() {
  if (open_) device_->pause();
}

void VoiceRecording::resumeInput() {
  if (open_) device_->start();
}

void VoiceRecording::stopInput() {
  if (!open_) return;
  // Reset hands every buffer back with what it holds; they are taken here,
  // in order, and their notifications that follow are ignored.
  device_->reset();
  open_ = false;
  std::deque<components::wave::Buffer *> back;
  back.swap(queued_);
  for (auto *b : back) take(*b);
  device_->close();
  ++opening_;
}

uint64_t VoiceRecording::bytesRecorded() const { return device_ ? device_->bytesRecorded() : 0; }

bool VoiceRecording::EncodeG729InRecord(const uint8_t *pcm, size_t bytes) {
  std::array<uint8_t, kBufferBytes> block{};
  std::memcpy(block.data(), pcm, std::min<size_t>(bytes, kBufferBytes));
  // Read and write, never create: a temporary file that has gone is not
  // replaced by one without a header.
  File f = openFile(tempFile_, "r+b");
  if (!f || std::fseek(f.get(), 0, SEEK_END) != 0) return false;
  if (!encoder_) encoder_ = std::make_unique<voice::EncoderStream>();
  const uint8_t *coded = encoder_->encode(block.data());
  bool ok = std::fwrite(coded, 1, voice::kCodedBlockBytes, f.get()) == voice::kCodedBlockBytes;
  return closeChecked(f) && ok;
}

void VoiceRecording::bufferDone(components::wave::Buffer &buffer) {
  // A buffer that waited for a command belongs to an opening that may be gone.
  gate_.run([this, b = &buffer, opening = opening_] {
    if (opening == opening_) handleDone(*b);
  });
}

void VoiceRecording::handleDone(components::wave::Buffer &buffer) {
  if (!open_) return;
  auto it = std::find(queued_.begin(), queued_.end(), &buffer);
  if (it == queued_.end()) return;
  queued_.erase(it);
  take(buffer);
  if (!open_) return;
  buffer.length = kBufferBytes;
  if (device_->add(buffer)) queued_.push_back(&buffer);
}

void VoiceRecording::take(components::wave::Buffer &buffer) {
  if (buffer.length == 0) return;
  levels_.feed(buffer.data, buffer.length, kRecordFormat);
  if (EncodeG729InRecord(buffer.data, buffer.length)) return;
  // The input stops; the recording stays on until Stop saves what was written.
  if (open_) {
    open_ = false;
    queued_.clear();
    device_->close();
    ++opening_;
  }
  if (onWriteFailed) onWriteFailed();
}

// --- Saving ---------------------------------------------------------------------------------

fs::path savedRecordingPath(const fs::path &chosen) {
  std::string name = chosen.filename().string();
  std::string tail = name.size() >= 4 ? name.substr(name.size() - 4) : std::string();
  for (char &c : tail) c = char(std::toupper(static_cast<unsigned char>(c)));
  if (tail == ".DVG") return chosen;
  fs::path saved = chosen;
  saved += ".DVG";
  return saved;
}

SaveResult saveRecording(const fs::path &tempFile, const fs::path &target) {
  std::error_code ec;
  if (!fs::is_regular_file(tempFile, ec)) return SaveResult::NoRecording;
  // Saving onto the temporary file itself must not remove it afterwards.
  bool sameFile = fs::exists(target, ec) && fs::equivalent(tempFile, target, ec);

  File in = openFile(tempFile, "rb");
  if (!in) return SaveResult::Failed;
  uint8_t header[voice::header::kSize];
  if (std::fread(header, 1, sizeof header, in.get()) != sizeof header) return SaveResult::Failed;
  namespace vh = voice::header;
  std::string name = target.filename().string();
  name.resize(name.size() >= 4 ? name.size() - 4 : 0);
  std::memset(header + vh::kName, vh::kFill, vh::kNameSize);
  voice::WriteFieldText(header + vh::kName, vh::kNameSize, name);
  std::memcpy(header + vh::kExtension, "DVG", 3);

  components::PendingFile pending(target);
  if (!pending.created()) return SaveResult::Failed;
  File out = openFile(pending.path(), "wb");
  if (!out) return SaveResult::Failed;
  bool ok = std::fwrite(header, 1, sizeof header, out.get()) == sizeof header;
  std::array<uint8_t, 65536> chunk;
  while (ok) {
    size_t n = std::fread(chunk.data(), 1, chunk.size(), in.get());
    if (n == 0) {
      ok = !std::ferror(in.get());
      break;
    }
    ok = std::fwrite(chunk.data(), 1, n, out.get()) == n;
  }
  // A full disk shows at the last flush.
  ok = closeChecked(out) && ok;
  in.reset();
  if (!ok || !pending.commit()) return SaveResult::Failed;
  if (!sameFile) fs::remove(tempFile, ec);
  return SaveResult::Saved;
}

}  // namespace player
