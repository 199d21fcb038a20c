// The 256-byte header in front of every voice file and every file on the
// recorder. Pure functions over the 256 bytes; numbers are big-endian and
// every byte that no field sets holds 0xFF.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace voice {

// Builds and checks headers.

struct HeaderTime {
  int year = 2000;  // full year; the header keeps its last two digits
  int month = 1, day = 1, hour = 0, minute = 0, second = 0;
  static HeaderTime now();  // local time
};

// True for a voice header: magic "VEXO", version 1 and kind 0xAA. Then it
// returns bits, channels, rate and kind 0xAA; otherwise kind 0 and the other
// outputs keep their values.
bool CheckG729File(const uint8_t header[256], int &bits, int &channels, int &rate, int &kind);

// A voice header for a file about to be written at filePath: the name field
// gets the base name without its extension, the extension field the
// extension without the dot, both as they stand (UTF-8 bytes, cut at a
// character boundary when too long). Version 0 when bits is 0xFF. With voice
// false the kind, format, codec and model fields stay 0xFF.
void MakeG729FileHeader(uint8_t header[256], int bits, int rate, int channels, std::string_view filePath, bool voice,
                        const HeaderTime &time);
void MakeG729FileHeader(uint8_t header[256], int bits, int rate, int channels, std::string_view filePath, bool voice);

// The generic header of a non-voice file. Writes the magic, version 0 and
// the cleared fields into source, then copies bytes 0..12, 32..36, 48..51 and
// 80..255 of it into an all-0xFF header.
void BuildFileHeader(uint8_t source[256], uint8_t header[256]);

// The source image BuildFileHeader expects for a file at filePath: all 0xFF,
// the time, kind 0xFF, the audio-info bytes when given (MP3 files), the name
// and the extension upper-cased.
void PrepareGenericSource(uint8_t source[256], std::string_view filePath, const HeaderTime &time,
                          const uint8_t *audioInfo = nullptr);

// Reading text fields.

// Copying a file from the recorder: the whole field with trailing 0x00,
// 0x20 and 0xFF bytes dropped.
std::string ArrayToString(const uint8_t *field, size_t width);

// The recorder directory: the bytes up to the first 0xFF, at most width.
std::string DirectoryFieldText(const uint8_t *field, size_t width);

// Writes text into a field of width bytes: its bytes, cut at a UTF-8
// character boundary when too long; the rest of the field is left as it is.
// Returns the number of bytes written.
size_t WriteFieldText(uint8_t *field, size_t width, std::string_view text);

// The name and extension fields take these parts of a path.
std::string_view PathBaseName(std::string_view filePath);   // after the last '/'
std::string_view PathStem(std::string_view filePath);       // base name without its extension
std::string_view PathExtension(std::string_view filePath);  // without the dot; empty when none

// The layout.
namespace header {

inline constexpr size_t kSize = 256;
inline constexpr uint8_t kFill = 0xFF;
inline constexpr uint8_t kFlagSet = 0xAA;

inline constexpr size_t kMagic = 0, kMagicSize = 4;
inline constexpr char kMagicText[] = "VEXO";
inline constexpr size_t kVersion = 4;
inline constexpr uint8_t kVersionVoice = 1, kVersionGeneric = 0;
inline constexpr size_t kYear = 5, kMonth = 6, kDay = 7, kHour = 8, kMinute = 9, kSecond = 10;
inline constexpr size_t kFlagP = 11;
inline constexpr size_t kReserved12 = 12;
inline constexpr size_t kFlagT = 13;
inline constexpr size_t kKind = 32;
inline constexpr uint8_t kKindLP = 0x55, kKindSP = 0xAA, kKindHQ = 0xBB, kKindNone = 0xFF;
inline constexpr uint8_t kKindG729 = kKindSP;  // the only kind this application decodes
inline constexpr size_t kBits = 33;
inline constexpr size_t kRate = 34;  // 2 bytes
inline constexpr size_t kChannels = 36;
inline constexpr size_t kAudioInfo = 48, kAudioInfoSize = 4;  // MP3: rate/200 B/s, hours, minutes, seconds
inline constexpr size_t kCodec = 80, kCodecSize = 16;
inline constexpr char kCodecText[] = "G729";
inline constexpr size_t kModel = 96, kModelSize = 16;
inline constexpr char kModelText[] = "Q417";
inline constexpr size_t kName = 112, kNameSize = 128;
inline constexpr size_t kExtension = 240, kExtensionSize = 16;

// The byte ranges BuildFileHeader keeps: [first, last].
struct Range {
  size_t first, last;
};
inline constexpr Range kGenericRanges[] = {{0, 12}, {32, 36}, {48, 51}, {80, 255}};

// Voice files: the header, then the G.729 stream. A file of this size or
// less holds no voice data and is never checked.
inline constexpr uint64_t kMinVoiceFileSize = kSize + 1;

}  // namespace header

}  // namespace voice
