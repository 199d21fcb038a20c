// Small helpers the voice tests share: WAV files built chunk by chunk, and
// speech made with espeak-ng and sox; temporary folders, whole files and
// programs run come from the test-support library.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "testsupport/Files.h"
#include "testsupport/Process.h"
#include "testsupport/TempDir.h"

namespace fixtures {

using testsupport::Bytes;
using testsupport::entries;
using testsupport::ErrorOutput;
using testsupport::ProcessResult;
using testsupport::readFile;
using testsupport::runCommand;
using testsupport::TempDir;
using testsupport::writeFile;

bool exists(const std::string &path);

// Little-endian pieces of a RIFF file.
void putLe16(Bytes &out, uint32_t v);
void putLe32(Bytes &out, uint32_t v);
// One chunk: id, size (the body's size unless given) and body, padded to even length.
Bytes chunk(const char id[4], const Bytes &body, int64_t declaredSize = -1);
// A PCM format block of 16 bytes.
Bytes pcmFormat(uint16_t channels, uint32_t rate, uint16_t bits, uint16_t tag = 1);
// "RIFF" size "WAVE" followed by the chunks.
Bytes riff(const std::vector<Bytes> &chunks);
// A plain 16-bit PCM WAV holding data.
Bytes pcmWav(const Bytes &data, uint16_t channels = 1, uint32_t rate = 8000, uint16_t bits = 16);

// data bytes where every 16-byte group holds one value (its index), so that
// a codec keeping one byte per group maps it back exactly.
Bytes groupedSamples(size_t bytes);

// 16-bit samples of a WAV's data.
std::vector<int16_t> samplesOf(const Bytes &data);

// Speech from espeak-ng, resampled with sox to 8000 Hz mono 16-bit, as a WAV
// at path. Repeated 'times' times when longer speech is needed. Throws
// testsupport::MissingTool when either is not installed.
void makeSpeechWav(const std::string &path, int times = 1);

}  // namespace fixtures
