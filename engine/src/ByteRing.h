// A ring of bytes holding up to `capacity` bytes in capacity + 1 slots.
// Writes and reads are all or nothing.
#pragma once

#include <cstdint>
#include <vector>

namespace sonavel {

class ByteRing {
 public:
  void allocate(uint32_t capacity);  // any previous content is dropped
  void release();

  uint32_t capacity() const { return capacity_; }
  uint32_t filled() const;
  uint32_t free() const { return capacity_ - filled(); }
  bool empty() const { return read_ == write_; }

  // Refused as a whole (false, nothing moved) when there is not room or data for n bytes.
  bool write(const uint8_t *source, uint32_t n);
  bool read(uint8_t *destination, uint32_t n);
  void clear() { read_ = write_ = 0; }

 private:
  std::vector<uint8_t> data_;
  uint32_t capacity_ = 0;
  uint32_t read_ = 0;
  uint32_t write_ = 0;
};

}  // namespace sonavel
