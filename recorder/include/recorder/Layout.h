// Every on-flash layout of the recorder's file system, written once: the raw
// block, the system block (header, folder pages, block map, page check bytes,
// pending-job record), the data block spares and the file header fields the
// directory reads. Numbers on the flash are big-endian.
#pragma once

#include <cstdint>
#include <string_view>

#include "components/base/ByteOrder.h"
#include "voice/VoiceHeader.h"

namespace recorder {

// Every number on the flash is big-endian.
using components::ByteArrayToDWORD;
using components::CharToDWORD;
using components::CharToWord;
using components::DWORDToByteArray;
using components::readU16;
using components::readU24;
using components::writeU16;
using components::writeU24;

// Raw block: 64 pages of 2048 data bytes, each followed by its 64 spare bytes.
// Both chips share these sizes; only the block count differs (Geometry.h).
inline constexpr uint32_t kPagesPerBlock = 64;
inline constexpr uint32_t kPageSize = 2048;
inline constexpr uint32_t kSpareSize = 64;
inline constexpr uint32_t kRawPageSize = kPageSize + kSpareSize;
inline constexpr uint32_t kBlockDataSize = kPageSize * kPagesPerBlock;  // 131072
inline constexpr uint32_t kRawBlockSize = kRawPageSize * kPagesPerBlock;  // 135168
inline constexpr uint32_t kSpareImageSize = kSpareSize * kPagesPerBlock;  // spare of all 64 pages
inline constexpr uint32_t kLastPage = kPagesPerBlock - 1;

// The two chips, told apart by the device code (the identifier's low byte).
inline constexpr uint8_t kDeviceCode256MB = 0xDA;
inline constexpr uint8_t kDeviceCode128MB = 0xF1;
inline constexpr uint32_t kBlocks256MB = 2048;
inline constexpr uint32_t kBlocks128MB = 1024;
inline constexpr uint32_t kMaxBlocks = kBlocks256MB;

constexpr uint32_t rawDataOffset(uint32_t page) { return page * kRawPageSize; }
constexpr uint32_t rawSpareOffset(uint32_t page) { return page * kRawPageSize + kPageSize; }

// A damaged read shows in spare bytes that must read 0xFF. Reads are repeated
// while damaged; the 16th damaged read in a row is a failed read.
inline constexpr int kMaxDamagedReads = 16;

// --- System block -----------------------------------------------------------
namespace sysblock {
inline constexpr uint32_t kHeaderPage = 0;
inline constexpr uint32_t kFirstFolderPage = 1;  // folder f (1..8) is page f
inline constexpr int kFolders = 8;
inline constexpr uint32_t kBlockMapPage = 9;
inline constexpr uint32_t kMapEntrySize = 2;
// Pages of the block map, and the last page of the system block that
// carries information (the one its check bytes are tested up to).
constexpr uint32_t blockMapPages(uint32_t blocks) { return (blocks * kMapEntrySize + kPageSize - 1) / kPageSize; }
constexpr uint32_t lastSystemPage(uint32_t blocks) { return kBlockMapPage + blockMapPages(blocks) - 1; }
// The in-memory image: header, eight folder pages, two block-map pages (sized for 2048 blocks).
inline constexpr uint32_t kImagePages = lastSystemPage(kMaxBlocks) + 1;  // 11
inline constexpr uint32_t kImageSize = kImagePages * kPageSize;  // 22528
static_assert(lastSystemPage(kBlocks256MB) == 10 && lastSystemPage(kBlocks128MB) == 9);
// Page check byte: byte 0 of each page's spare = (XOR of data bytes 0..511) + 1.
inline constexpr uint32_t kCheckByte = 0;
inline constexpr uint32_t kCheckedBytes = 512;
}  // namespace sysblock

// Header page offsets. Bytes not listed read 0xFF.
namespace header {
inline constexpr std::string_view kSignature = "VexoRecorderFlashFileSystemHeaderVer1.0";
inline constexpr uint32_t kSignatureOffset = 0x00;
inline constexpr uint32_t kModelName = 0x50;
inline constexpr uint32_t kModelNameLength = 8;
inline constexpr uint32_t kFolderCount = 0x58;
inline constexpr uint32_t kFilesPerFolder = 0x59;
inline constexpr uint32_t kSystemBlock = 0x60;    // 16-bit
inline constexpr uint32_t kBackupBlock = 0x62;    // 16-bit: copy of the system block
inline constexpr uint32_t kReservedBlock = 0x64;  // 16-bit: allocation and formatting start above it
inline constexpr uint32_t kReservedBlock2 = 0x66; // 16-bit
inline constexpr uint32_t kBadBlockCount = 0x70;
inline constexpr uint32_t kBadBlockTable = 0x100;  // 128 16-bit entries, 0xFFFF empty
inline constexpr uint32_t kBadBlockTableEntries = 128;

inline constexpr uint8_t kDefaultFolderCount = 8;
inline constexpr uint8_t kDefaultFilesPerFolder = 99;

// Recorder settings written by a format and never interpreted here.
struct DefaultBytes {
  uint32_t offset;
  std::string_view bytes;
};
inline constexpr DefaultBytes kDefaultSettings[] = {
    {0x71, std::string_view("\x0A\x10\xAA\xFF\x00\x01\xFF\x04\x03\x03", 10)},
    {0x80, std::string_view("\xFF\xFF\xFF\xAA\xAA\xFF\xFF\xFF\x01\x01\x01\x00", 12)},
    {0x8C, std::string_view("\x00\x0A", 2)},
    {0xA0, std::string_view("\xFF\x01\x01", 3)},
    {0xA8, std::string_view("\x01\x00", 2)},
    {0xC0, std::string_view("\x57\x32\x08\x00\x01", 5)},
    {0xC5, std::string_view("\x57\x32\x08\x00\x01", 5)},
    {0xCA, std::string_view("\x57\x32\x08\x00\x01", 5)},
    {0xD0, std::string_view("\x57\x32\x08\x00\x01", 5)},
    {0xD8, std::string_view("\x00\x10", 2)},
    {0xE0, std::string_view("\x57\x32\x62\x00\x08\x00\x57\x32\x62\x00\x08\x00\x57\x32\x62\x00", 16)},
    {0xF0, std::string_view("\x1E\xB0\x21\xF8\x25\x18\x1E\xB0\x21\xF8\x25\x18\x1E\xB0\x21\xF8", 16)},
};
}  // namespace header

// Folder page (pages 1 to 8).
namespace folderpage {
inline constexpr uint32_t kFileCount = 0;   // 16-bit
inline constexpr uint32_t kBlocksUsed = 2;  // 24-bit
inline constexpr uint32_t kEntries = 5;
inline constexpr uint32_t kEntrySize = 5;
inline constexpr uint32_t kEntryFirstBlock = 0;  // 16-bit
inline constexpr uint32_t kEntryPages = 2;       // 24-bit, pages of 2048 bytes
constexpr uint32_t entryOffset(uint32_t index) { return kEntries + kEntrySize * index; }
// Entries that fit the page at all, whatever the header's limit says.
inline constexpr uint32_t kMaxEntries = (kPageSize - kEntries) / kEntrySize;
}  // namespace folderpage

// Block map entries (16-bit, one per physical block, from page 9 on).
namespace blockmap {
inline constexpr uint16_t kFree = 0xFFFF;
inline constexpr uint16_t kBad = 0xEEEE;
inline constexpr uint16_t kReserved = 0xFAFA;
inline constexpr uint16_t kLast = 0xFAFE;
}  // namespace blockmap

// Pending-job record: page 0 spare of the system block, bytes 7 to 15.
namespace jobrecord {
inline constexpr uint32_t kFirst = 7;
inline constexpr uint32_t kLength = 9;
inline constexpr uint32_t kOldValue = 7;  // 24-bit, meaningful only with the rewrite flag
inline constexpr uint32_t kFlag = 10;     // 0xAA: the write rewrites an existing entry
inline constexpr uint32_t kCode = 11;
inline constexpr uint32_t kNumber = 12;   // file number, counted from 1
inline constexpr uint32_t kMode = 13;     // recording mode byte of the file being written
inline constexpr uint32_t kFirstBlock = 14;  // 16-bit

inline constexpr uint8_t kRewrite = 0xAA;
inline constexpr uint8_t kNone = 0xFF;
inline constexpr uint8_t kWriteBase = 0x30;      // + folder
inline constexpr uint8_t kDeleteBase = 0x40;     // + folder
inline constexpr uint8_t kDeleteAllBase = 0x50;  // + folder, written by the recorder only
inline constexpr uint8_t kFormat = 0x66;
}  // namespace jobrecord

// Data block spare: page 0 bytes 0-1 name the next block (0xFAFE in the last
// block); page 63 bytes 0-2 of the last block hold the byte count of the
// file's last used page. Every other spare byte is 0xFF.
namespace dataspare {
inline constexpr uint32_t kNextPage = 0;
inline constexpr uint32_t kNext = 0;
inline constexpr uint32_t kCountPage = kLastPage;
inline constexpr uint32_t kCount = 0;  // r (16-bit, 1..512), then q: n = r + 512 q
}  // namespace dataspare

// Page 0 spare bytes that must read 0xFF, per reader (first and last byte).
struct SpareRange {
  uint32_t first, last;
};
namespace damage {
inline constexpr SpareRange kUntested{1, 0};   // nothing tested
inline constexpr SpareRange kSystemBlock{1, 1};  // block 0 in the checked read
inline constexpr SpareRange kDataBlock{2, 6};    // any other block in the checked read
inline constexpr SpareRange kIndexRead{2, 7};    // a file's first block while indexing
inline constexpr SpareRange kCopySearch{1, 10};  // a system block copy
inline constexpr SpareRange kChainWalk{2, 11};   // following a chain on the flash
inline constexpr SpareRange kJobRecord{1, 6};    // block 0 before reading its job record
inline constexpr SpareRange kSurfaceTest{2, 15}; // the format's read-back
}  // namespace damage

// The header page of a file (first page of its first block), as the
// directory reads it: the voice file header's layout, the rest of the page 0xFF.
namespace fileheader {
namespace vh = voice::header;
inline constexpr uint32_t kDate = vh::kYear;   // year of the century, month, day
inline constexpr uint32_t kTime = vh::kHour;   // hour, minute, second
inline constexpr uint32_t kFlagP = vh::kFlagP;
inline constexpr uint32_t kFlagT = vh::kFlagT;
inline constexpr uint32_t kMode = vh::kKind;
inline constexpr uint32_t kName = vh::kName;
inline constexpr uint32_t kNameLength = vh::kNameSize;
inline constexpr uint32_t kExt = vh::kExtension;
inline constexpr uint32_t kExtLength = vh::kExtensionSize;
inline constexpr uint32_t kBytes = vh::kSize;

inline constexpr uint8_t kFlagSet = vh::kFlagSet;
inline constexpr uint8_t kModeLP = vh::kKindLP;
inline constexpr uint8_t kModeSP = vh::kKindSP;
inline constexpr uint8_t kModeHQ = vh::kKindHQ;
inline constexpr uint8_t kModeNone = vh::kKindNone;
constexpr bool isVoiceMode(uint8_t mode) { return mode == kModeLP || mode == kModeSP || mode == kModeHQ; }
// The date and time fields run on byte by byte.
static_assert(vh::kMonth == kDate + 1 && vh::kDay == kDate + 2);
static_assert(vh::kMinute == kTime + 1 && vh::kSecond == kTime + 2);
static_assert(kBytes <= kPageSize);
}  // namespace fileheader

// Voice data is cut to whole G.729 frames when an interrupted write is completed.
inline constexpr uint32_t kVoiceFrameBytes = 10;

// Blocks never used for files: the four reserved system blocks and the last two.
inline constexpr uint32_t kUnavailableBlocks = 6;
inline constexpr uint32_t kTopSpareBlocks = 2;

// Writing stops when a block has to be retired while this many are listed.
inline constexpr uint32_t kBadBlockWriteLimit = 127;

}  // namespace recorder
