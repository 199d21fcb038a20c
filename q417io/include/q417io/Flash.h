// A NAND flash chip as the recorder's I/O library sees it: whole erase
// blocks, erase to 0xFF, programming that only clears bits, and the faults
// that tests inject (refused operations, damaged reads, a lost link, torn
// writes and erases). Backed by memory or by a chip image file.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace q417io {

inline constexpr uint32_t kPagesPerBlock = 64;
inline constexpr uint32_t kPageDataSize = 2048;
inline constexpr uint32_t kSpareSize = 64;
inline constexpr uint32_t kRawPageSize = kPageDataSize + kSpareSize;
inline constexpr uint32_t kRawBlockSize = kRawPageSize * kPagesPerBlock;
inline constexpr uint16_t kMakerCode = 0xEC;
inline constexpr uint8_t kDeviceCode1024 = 0xF1;
inline constexpr uint8_t kDeviceCode2048 = 0xDA;

// Identifier for a chip of this many blocks; 0 for any other count.
uint16_t flashIdForBlocks(uint64_t blocks);
// Block count for an image file of this size; 0 when it is no chip.
uint32_t blocksForImageSize(uint64_t bytes);

// What goes wrong, and when. Counts start at 1.
struct FaultPlan {
  std::set<uint32_t> bad;                     // erase and write always fail
  std::map<uint32_t, uint64_t> failErase;     // block -> fails from the n-th erase of it on
  std::map<uint32_t, uint64_t> failWrite;     // block -> fails from the n-th write of it on
  std::map<uint32_t, uint64_t> damagedReads;  // block -> the next k reads come back damaged
  uint64_t cutAfter = 0;        // link lost after the n-th erase or write (0: never)
  uint64_t tornWrite = 0;       // the n-th write keeps only tornWritePages pages, then link loss
  uint32_t tornWritePages = 0;
  uint64_t tornErase = 0;       // the n-th erase is cut half-way, then link loss
  uint64_t tearOp = 0;          // the n-th erase or write: a write keeps tearOpPages pages,
  uint32_t tearOpPages = 0;     // an erase is cut half-way; then link loss

  bool empty() const;
};

// Parses the Q417IO_FAULTS syntax: cut-after=N, torn-write=N:P, torn-erase=N,
// bad=B, fail-write=B:N, fail-erase=B:N, damaged-read=B:K, comma-separated.
// On error returns nothing and names the offending entry in *error.
std::optional<FaultPlan> parseFaults(std::string_view text, std::string *error);

struct Counters {
  uint64_t reads = 0, erases = 0, writes = 0;
  std::map<uint32_t, uint64_t> blockReads, blockErases, blockWrites;
};

// Where the bytes live. Each call is true only when the whole block was
// read or stored; a false one may have stored part of it.
class Storage {
 public:
  virtual ~Storage() = default;
  virtual uint32_t blockCount() const = 0;
  virtual bool read(uint32_t block, uint8_t *raw) = 0;
  virtual bool write(uint32_t block, const uint8_t *raw) = 0;
  // Sets every byte of the block to 0xFF.
  virtual bool erase(uint32_t block);
  // Programs the first `pages` pages of raw: each stored byte becomes the AND
  // of old and new, as NAND cells only go from 1 to 0.
  virtual bool program(uint32_t block, const uint8_t *raw, uint32_t pages);
};

// Memory storage with copy-on-write blocks, so that a snapshot of a whole
// chip costs one pointer per block.
class MemoryStorage final : public Storage {
 public:
  using Snapshot = std::vector<std::shared_ptr<const std::vector<uint8_t>>>;
  explicit MemoryStorage(uint32_t blocks);
  uint32_t blockCount() const override { return static_cast<uint32_t>(blocks_.size()); }
  bool read(uint32_t block, uint8_t *raw) override;
  bool write(uint32_t block, const uint8_t *raw) override;
  bool erase(uint32_t block) override;
  bool program(uint32_t block, const uint8_t *raw, uint32_t pages) override;
  Snapshot snapshot() const { return blocks_; }
  void restore(const Snapshot &s) { blocks_ = s; }

 private:
  Snapshot blocks_;  // null: erased
};

// A chip image file: blocks x 64 x 2112 bytes, page data then its spare.
class ImageStorage final : public Storage {
 public:
  // Opens an existing image; nothing when it cannot be opened or its size is no chip.
  static std::unique_ptr<ImageStorage> open(const std::string &path, std::string *error);
  // Creates an erased image of 1024 or 2048 blocks; zeroed blocks read 0x00.
  static bool create(const std::string &path, uint32_t blocks, std::string *error,
                     const std::set<uint32_t> &zeroed = {});
  ~ImageStorage() override;
  uint32_t blockCount() const override { return blocks_; }
  bool read(uint32_t block, uint8_t *raw) override;
  bool write(uint32_t block, const uint8_t *raw) override;
  int fd() const { return fd_; }

 private:
  ImageStorage(int fd, uint32_t blocks) : fd_(fd), blocks_(blocks) {}
  int fd_;
  uint32_t blocks_;
};

// Factory bad blocks of an image live beside it in PATH.bad, one block
// number a line: the chip remembers them, the image format has no room.
std::string factoryBadPath(const std::string &imagePath);
std::set<uint32_t> readFactoryBadBlocks(const std::string &imagePath);
// An erased chip whose listed blocks are factory bad (read as 0x00, erase and
// write always fail).
bool createFactoryImage(const std::string &path, uint32_t blocks, const std::set<uint32_t> &bad,
                        std::string *error);
// "3,17" -> "bad=3,bad=17", for parseFaults.
std::string badListAsFaults(const std::string &list);

class Flash {
 public:
  explicit Flash(std::unique_ptr<Storage> storage);
  static std::unique_ptr<Flash> inMemory(uint32_t blocks);
  // The memory storage, or null for an image file.
  MemoryStorage *memory() { return dynamic_cast<MemoryStorage *>(storage_.get()); }

  uint32_t blockCount() const { return storage_->blockCount(); }
  uint16_t id() const;  // 0 once the link is lost or for a chip of no known size
  bool linked() const { return !linkLost_; }

  // The three block operations; 1 only when the whole block was read,
  // erased or programmed, 0 on any failure of the link or the storage.
  int read(uint8_t *raw, uint32_t block);
  int erase(uint32_t block);
  int write(const uint8_t *raw, uint32_t block);

  FaultPlan &faults() { return faults_; }
  const Counters &counters() const { return counters_; }
  void resetCounters() { counters_ = Counters{}; }
  // A new connection: the link is back, every fault and counter cleared.
  void reconnect();
  void loseLink() { linkLost_ = true; }

  // Direct access that bypasses faults and counters, for building fixtures
  // and inspecting results. peek is empty when the block cannot be read;
  // poke is false when the block was not stored.
  Storage &storage() { return *storage_; }
  std::vector<uint8_t> peek(uint32_t block);
  bool poke(uint32_t block, const uint8_t *raw);

 private:
  bool refused(uint32_t block, const std::map<uint32_t, uint64_t> &failFrom, uint64_t nth) const;
  void cutIfDue(uint64_t op);
  std::unique_ptr<Storage> storage_;
  FaultPlan faults_;
  Counters counters_;
  uint64_t ops_ = 0;
  bool linkLost_ = false;
};

}  // namespace q417io
