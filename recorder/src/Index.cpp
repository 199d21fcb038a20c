#include "recorder/Index.h"

#include <new>

#include "recorder/BlockIo.h"
#include "recorder/IndexCheck.h"
#include "recorder/SystemBlock.h"

namespace recorder {

std::string recordingModeText(uint8_t mode) {
  switch (mode) {
    case fileheader::kModeLP: return "LP";
    case fileheader::kModeSP: return "SP";
    case fileheader::kModeHQ: return "HQ";
    default: return "--";
  }
}

namespace {

std::string fieldText(const uint8_t *p, uint32_t length) {
  uint32_t n = 0;
  while (n < length && p[n] != 0xFF) ++n;
  return std::string(reinterpret_cast<const char *>(p), n);
}

}  // namespace

tFLASHFILEINFO tFLASHFILEINFO::fromHeader(const uint8_t *h, uint32_t firstBlock, uint32_t pages) {
  tFLASHFILEINFO r;
  r.firstBlock = firstBlock;
  r.pages = pages;
  r.name = fieldText(h + fileheader::kName, fileheader::kNameLength);
  r.ext = fieldText(h + fileheader::kExt, fileheader::kExtLength);
  r.flagP = h[fileheader::kFlagP] == fileheader::kFlagSet ? 'P' : 'N';
  r.flagT = h[fileheader::kFlagT] == fileheader::kFlagSet ? 'T' : 'N';
  for (int i = 0; i < 3; ++i) {
    r.date[i] = h[fileheader::kDate + i];
    r.time[i] = h[fileheader::kTime + i];
  }
  r.mode = recordingModeText(h[fileheader::kMode]);
  return r;
}

Index::Faults Index::indexFault() const {
  IndexCheck check = checkIndex(v_.image, v_.blockCount());
  return {check.first(Severity::Unlistable), check.first(Severity::Unsafe)};
}

bool Index::GetFlashFolderFileInfo(int folder, std::vector<tFLASHFILEINFO> &records) {
  records.clear();
  uint32_t count = v_.image.fileCount(folder);
  if (count == 0) return true;
  auto raw = allocRawBlock();
  if (!raw) {
    v_.ui.messageBox("FM_kind_errormsg0", "FM_text_pen_errmsg0", components::MsgKind::Error, components::kButtonsOk);
    return false;
  }
  BlockIo io(v_);
  records.reserve(count);
  for (uint32_t i = 0; i < count; ++i) {
    SystemImage::Entry e = v_.image.entry(folder, i);
    if (io.readClean(e.firstBlock, raw.get(), damage::kIndexRead, BlockIo::Retry{false, false, false}) !=
        BlockIo::Read::Ok)
      return false;
    records.push_back(tFLASHFILEINFO::fromHeader(raw.get() + rawDataOffset(0), e.firstBlock, e.pages));
  }
  return true;
}

bool Index::GetFlashIndex() {
  lastFault_.clear();
  v_.link.indexed = false;
  v_.writeRefusal.clear();
  if (!SystemBlock(v_).GetFlashHeaderInfo()) {
    v_.directory.clear();
    if (onSystemBlockFailed) onSystemBlockFailed();
    return false;
  }
  auto failed = [&] {
    v_.directory.clear();
    v_.ui.messageBox("FM_kind_errormsg1", "FM_text_pen_errmsg6", components::MsgKind::Error, components::kButtonsOk);
    return false;
  };
  const Faults faults = indexFault();
  lastFault_ = faults.unlistable;
  if (!lastFault_.empty()) return failed();
  v_.directory.clear();
  try {
    for (int f = 1; f <= v_.image.folderCount(); ++f) {
      if (!GetFlashFolderFileInfo(f, v_.directory.records(f))) {
        lastFault_ = "folder " + std::to_string(f) + ": a file's first block cannot be read";
        return failed();
      }
    }
  } catch (const std::bad_alloc &) {
    v_.directory.clear();
    v_.ui.messageBox("FM_kind_errormsg0", "FM_text_system_errmsg0", components::MsgKind::Error, components::kButtonsOk);
    return false;
  }
  v_.writeRefusal = faults.unsafe;
  v_.link.indexed = true;
  return true;
}

}  // namespace recorder
