// The short name of a WAV file's format, as the editor shows it beside the
// refusal of a file it cannot edit.
#pragma once

#include <string>

#include "components/wavefile/WaveFormat.h"

namespace components {

// "[STEREO/22K/16Bit]" for any two-channel file; otherwise by format tag:
// PCM "[8K/16Bit]", a named tag ("GSM610", "MULAW", ...), any other "<?> ".
// An extensible format block is named by the tag inside its sub-format.
std::string get_format(const WaveFormat &format);

}  // namespace components
