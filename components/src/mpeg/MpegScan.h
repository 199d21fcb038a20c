// The one place that decides what an MPEG audio file is: a libmpg123 handle
// set up for whole frames, and a walk over every frame header. The file
// information and the playing source both use it.
#pragma once

#include <mpg123.h>

#include <memory>
#include <optional>
#include <string>

#include "components/mpeg/MpegInfo.h"

namespace components::mpegscan {

struct HandleDeleter {
  void operator()(mpg123_handle *h) const;
};
using Handle = std::unique_ptr<mpg123_handle, HandleDeleter>;

// Opens the file for reading frames: quiet, gapless trimming off (every
// frame counts whole), decoded output 16-bit signed at the stream's own rate
// and channels. Null when the file cannot be opened.
Handle open(const std::string &path);

// Reads every frame header from the handle's current position to the end.
// Nothing when not one frame parses. The handle is left at the end.
std::optional<MpegInfo> scanFrames(mpg123_handle *h);

}  // namespace components::mpegscan
