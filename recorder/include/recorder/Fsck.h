// The file-system checker: reads the flash as it stands (never writes) and
// names every broken invariant of the system block, the folder pages, the
// block map, the data block spares and the bad-block table. What the image
// alone shows comes from the index check the connection uses too.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "recorder/FlashIo.h"
#include "recorder/Geometry.h"
#include "recorder/IndexCheck.h"

namespace recorder {

class Fsck {
 public:
  Fsck(FlashIo &io, const FlashGeometry &geometry) : io_(io), geometry_(geometry) {}
  // Every violation found, in the order checked; empty when consistent.
  std::vector<Violation> run();

 private:
  bool read(uint32_t block, std::vector<uint8_t> &raw);
  void add(const char *code, std::string message, Severity severity = Severity::Inconsistent);
  FlashIo &io_;
  const FlashGeometry &geometry_;
  std::vector<Violation> found_;
};

}  // namespace recorder
