#include "recorder/SystemImage.h"

#include <algorithm>
#include <cstring>

namespace recorder {

bool SystemImage::hasSignature() const {
  return std::memcmp(header() + header::kSignatureOffset, header::kSignature.data(), header::kSignature.size()) == 0;
}

std::string SystemImage::modelNameText() const {
  const uint8_t *p = header() + header::kModelName;
  std::string text;
  for (uint32_t i = 0; i < header::kModelNameLength && p[i] != 0xFF && p[i] != 0; ++i)
    text += static_cast<char>(p[i]);
  return text;
}

SystemImage::Entry SystemImage::entry(int folder, uint32_t index) const {
  const uint8_t *p = folderPage(folder) + folderpage::entryOffset(index);
  return {readU16(p + folderpage::kEntryFirstBlock), readU24(p + folderpage::kEntryPages)};
}

void SystemImage::setEntry(int folder, uint32_t index, Entry e) {
  uint8_t *p = folderPage(folder) + folderpage::entryOffset(index);
  writeU16(p + folderpage::kEntryFirstBlock, e.firstBlock);
  writeU24(p + folderpage::kEntryPages, e.pages);
}

void SystemImage::clearEntry(int folder, uint32_t index) {
  std::memset(folderPage(folder) + folderpage::entryOffset(index), 0xFF, folderpage::kEntrySize);
}

bool SystemImage::entryErased(int folder, uint32_t index) const {
  const uint8_t *p = folderPage(folder) + folderpage::entryOffset(index);
  return std::all_of(p, p + folderpage::kEntrySize, [](uint8_t b) { return b == 0xFF; });
}

uint32_t SystemImage::totalBlocksUsed() const {
  uint32_t sum = 0;
  for (int f = 1; f <= sysblock::kFolders; ++f) sum += blocksUsed(f);
  return sum;
}

bool BadBlockList::contains(uint32_t block) const {
  return std::find(blocks_.begin(), blocks_.end(), block) != blocks_.end();
}

bool BadBlockList::add(uint32_t block) {
  if (blocks_.size() >= header::kBadBlockTableEntries) return false;
  blocks_.push_back(static_cast<uint16_t>(block));
  return true;
}

void BadBlockList::loadFrom(const SystemImage &image) {
  blocks_.clear();
  uint32_t n = std::min<uint32_t>(image.badBlockCount(), header::kBadBlockTableEntries);
  for (uint32_t i = 0; i < n; ++i) {
    uint16_t b = image.badBlockTableEntry(i);
    blocks_.push_back(b == 0xFFFF ? 0 : b);  // an empty entry reads as 0
  }
}

void BadBlockList::storeTo(SystemImage &image) const {
  uint8_t *h = image.header();
  h[header::kBadBlockCount] = static_cast<uint8_t>(blocks_.size());
  for (uint32_t i = 0; i < header::kBadBlockTableEntries; ++i)
    writeU16(h + header::kBadBlockTable + 2 * i, i < blocks_.size() ? blocks_[i] : 0xFFFF);
}

PendingJob PendingJob::write(int folder, uint32_t number, uint8_t mode, uint32_t firstBlock) {
  PendingJob job;
  job.at(jobrecord::kCode) = static_cast<uint8_t>(jobrecord::kWriteBase + folder);
  job.at(jobrecord::kNumber) = static_cast<uint8_t>(number);
  job.at(jobrecord::kMode) = mode;
  writeU16(&job.bytes[jobrecord::kFirstBlock - jobrecord::kFirst], firstBlock);
  return job;
}

PendingJob PendingJob::erase(int folder, uint32_t number) {
  PendingJob job;
  job.at(jobrecord::kCode) = static_cast<uint8_t>(jobrecord::kDeleteBase + folder);
  job.at(jobrecord::kNumber) = static_cast<uint8_t>(number);
  return job;
}

PendingJob PendingJob::format() {
  PendingJob job;
  job.at(jobrecord::kCode) = jobrecord::kFormat;
  return job;
}

PendingJob PendingJob::fromSpare(const uint8_t *spare) {
  PendingJob job;
  std::memcpy(job.bytes.data(), spare + jobrecord::kFirst, jobrecord::kLength);
  return job;
}

void PendingJob::storeTo(uint8_t *spare) const { std::memcpy(spare + jobrecord::kFirst, bytes.data(), jobrecord::kLength); }

uint32_t PendingJob::oldValue() const {
  return flag() == jobrecord::kRewrite ? readU24(&bytes[jobrecord::kOldValue - jobrecord::kFirst]) : 0;
}

}  // namespace recorder
