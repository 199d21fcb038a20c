// The date and time a recording was made, as the recorder's directory keeps
// it, for the modification time of its copies on the PC.
#pragma once

#include <ctime>
#include <filesystem>
#include <optional>

#include "recorder/Directory.h"

namespace recorder::jobs {

// The recording's local date and time as seconds since the epoch. The
// recorder keeps the year of the century (2000 to 2099) and its own clock's
// local time. Nothing for a date or time that names no moment (an erased
// header, month 0, 31 February, hour 24).
std::optional<std::time_t> recordingTime(const tFLASHFILEINFO &record);

// Sets a file's modification (and access) time; false when that fails.
bool setModificationTime(const std::filesystem::path &file, std::time_t when);

}  // namespace recorder::jobs
