// Whole files as bytes, the names in a folder, and bytes made from a seed.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace testsupport {

using Bytes = std::vector<uint8_t>;

// The file's bytes; empty when it cannot be read.
Bytes readFile(const std::filesystem::path &file);
// Replaces the file's contents with bytes.
void writeFile(const std::filesystem::path &file, const Bytes &bytes);
// The names in a folder, sorted: what a job left behind, temporary files included.
std::vector<std::string> entries(const std::filesystem::path &folder);

// Deterministic bytes, different for each seed; with noFF no byte is 0xFF.
Bytes pattern(size_t n, uint32_t seed, bool noFF = true);

}  // namespace testsupport
