#include "ByteRing.h"

#include <algorithm>
#include <cstring>

namespace sonavel {

void ByteRing::allocate(uint32_t capacity) {
  data_.assign(size_t(capacity) + 1, 0);
  capacity_ = capacity;
  clear();
}

void ByteRing::release() {
  data_.clear();
  data_.shrink_to_fit();
  capacity_ = 0;
  clear();
}

uint32_t ByteRing::filled() const {
  if (data_.empty()) return 0;
  uint32_t slots = capacity_ + 1;
  return (write_ + slots - read_) % slots;
}

bool ByteRing::write(const uint8_t *source, uint32_t n) {
  if (n == 0) return true;
  if (free() < n) return false;
  uint32_t slots = capacity_ + 1;
  uint32_t first = std::min(n, slots - write_);
  std::memcpy(&data_[write_], source, first);
  std::memcpy(&data_[0], source + first, n - first);
  write_ = (write_ + n) % slots;
  return true;
}

bool ByteRing::read(uint8_t *destination, uint32_t n) {
  if (n == 0) return true;
  if (filled() < n) return false;
  uint32_t slots = capacity_ + 1;
  uint32_t first = std::min(n, slots - read_);
  std::memcpy(destination, &data_[read_], first);
  std::memcpy(destination + first, &data_[0], n - first);
  read_ = (read_ + n) % slots;
  return true;
}

}  // namespace sonavel
