#include "ImageBuilder.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>

#include "recorder/BlockIo.h"
#include "recorder/Chains.h"
#include "recorder/SystemBlock.h"

namespace rectest {

using namespace recorder;

void ImageBuilder::format(const std::set<uint32_t> &bad) {
  v_.badBlocks.clear();
  for (uint32_t b : bad) v_.badBlocks.add(b);
  std::memset(v_.image.modelName(), ' ', header::kModelNameLength);
  std::memcpy(v_.image.modelName(), "Q417", 4);
  SystemBlock(v_).SetDefaultFAT0Info();
  commit();
}

std::vector<uint8_t> ImageBuilder::headerPage(const FileSpec &spec) {
  std::vector<uint8_t> page(kPageSize, 0xFF);
  std::fill(page.begin(), page.begin() + fileheader::kBytes, 0x00);
  std::copy(spec.date.begin(), spec.date.end(), page.begin() + fileheader::kDate);
  std::copy(spec.time.begin(), spec.time.end(), page.begin() + fileheader::kTime);
  page[fileheader::kFlagP] = spec.flagP ? fileheader::kFlagSet : 0xFF;
  page[fileheader::kFlagT] = spec.flagT ? fileheader::kFlagSet : 0xFF;
  page[fileheader::kMode] = spec.mode;
  std::fill_n(page.begin() + fileheader::kName, fileheader::kNameLength, 0xFF);
  std::copy_n(spec.name.begin(), std::min<size_t>(spec.name.size(), fileheader::kNameLength),
              page.begin() + fileheader::kName);
  std::fill_n(page.begin() + fileheader::kExt, fileheader::kExtLength, 0xFF);
  std::copy_n(spec.ext.begin(), std::min<size_t>(spec.ext.size(), fileheader::kExtLength),
              page.begin() + fileheader::kExt);
  return page;
}

std::vector<uint8_t> ImageBuilder::pattern(size_t n, uint32_t seed) {
  std::vector<uint8_t> out(n);
  uint32_t x = seed * 2654435761u + 1;
  for (size_t i = 0; i < n; ++i) {
    x = x * 1103515245u + 12345u;
    out[i] = static_cast<uint8_t>((x >> 16) % 0xFF);  // never 0xFF
  }
  return out;
}

BuiltFile ImageBuilder::add(const FileSpec &spec) {
  std::vector<uint8_t> bytes = headerPage(spec);
  bytes.insert(bytes.end(), spec.data.begin(), spec.data.end());
  uint32_t pages = static_cast<uint32_t>((bytes.size() + kPageSize - 1) / kPageSize);
  uint32_t needed = Chains::blocksForPages(pages);
  Chains chains(v_);
  std::vector<uint32_t> blocks;
  uint32_t cur = chains.GetFlashWriteableBlock(v_.image.reservedBlock() + 1u);
  for (uint32_t k = 0; k < needed; ++k) {
    if (cur == 0) throw std::runtime_error("image full");
    blocks.push_back(cur);
    bool last = k + 1 == needed;
    uint32_t next = last ? 0 : chains.GetFlashWriteableBlock(cur + 1, blocks);
    size_t from = size_t{k} * kBlockDataSize;
    size_t n = std::min<size_t>(kBlockDataSize, bytes.size() - from);
    std::vector<uint8_t> data(kBlockDataSize, 0xFF);
    std::copy_n(bytes.begin() + static_cast<std::ptrdiff_t>(from), n, data.begin());
    std::vector<uint8_t> spare(kSpareImageSize);
    int count = last ? static_cast<int>(n % kPageSize == 0 ? kPageSize : n % kPageSize) : -1;
    Chains::buildChainSpare(next, count, spare.data());
    if (BlockIo(v_).WriteFlashBlock(cur, data.data(), spare.data()) != 0) throw std::runtime_error("write refused");
    cur = next;
  }
  SystemImage &image = v_.image;
  uint32_t number = image.fileCount(spec.folder);
  image.setEntry(spec.folder, number, {static_cast<uint16_t>(blocks.front()), pages});
  image.setFileCount(spec.folder, number + 1);
  image.setBlocksUsed(spec.folder, image.blocksUsed(spec.folder) + needed);
  for (size_t j = 0; j < blocks.size(); ++j)
    image.setMapEntry(blocks[j], j + 1 < blocks.size() ? static_cast<uint16_t>(blocks[j + 1]) : blockmap::kLast);
  return {spec.folder, number + 1, blocks, pages};
}

void ImageBuilder::commit() {
  if (!SystemBlock(v_).WriteSystemImage()) throw std::runtime_error("system image write refused");
}

}  // namespace rectest
