#include "voice/VoiceHeader.h"

#include <cctype>
#include <cstring>
#include <ctime>

#include "components/base/ByteOrder.h"

namespace voice {

using namespace header;

HeaderTime HeaderTime::now() {
  std::time_t t = std::time(nullptr);
  std::tm local{};
  localtime_r(&t, &local);
  return {local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec};
}

namespace {

void writeTime(uint8_t *h, const HeaderTime &time) {
  h[kYear] = static_cast<uint8_t>(((time.year % 100) + 100) % 100);
  h[kMonth] = static_cast<uint8_t>(time.month);
  h[kDay] = static_cast<uint8_t>(time.day);
  h[kHour] = static_cast<uint8_t>(time.hour);
  h[kMinute] = static_cast<uint8_t>(time.minute);
  h[kSecond] = static_cast<uint8_t>(time.second);
}

void writeMagic(uint8_t *h) { std::memcpy(h + kMagic, kMagicText, kMagicSize); }

bool isUtf8Continuation(uint8_t byte) { return (byte & 0xC0) == 0x80; }

}  // namespace

bool CheckG729File(const uint8_t h[256], int &bits, int &channels, int &rate, int &kind) {
  if (std::memcmp(h + kMagic, kMagicText, kMagicSize) != 0 || h[kVersion] != kVersionVoice || h[kKind] != kKindG729) {
    kind = 0;
    return false;
  }
  bits = h[kBits];
  channels = h[kChannels];
  rate = components::readU16(h + kRate);
  kind = kKindG729;
  return true;
}

void MakeG729FileHeader(uint8_t h[256], int bits, int rate, int channels, std::string_view filePath, bool voice,
                        const HeaderTime &time) {
  std::memset(h, kFill, kSize);
  writeMagic(h);
  h[kVersion] = bits == 0xFF ? kVersionGeneric : kVersionVoice;
  writeTime(h, time);
  h[kFlagP] = kFill;
  h[kReserved12] = kFill;
  if (voice) {
    h[kKind] = kKindG729;
    h[kBits] = static_cast<uint8_t>(bits);
    components::writeU16(h + kRate, static_cast<uint32_t>(rate));
    h[kChannels] = static_cast<uint8_t>(channels);
    WriteFieldText(h + kCodec, kCodecSize, kCodecText);
    WriteFieldText(h + kModel, kModelSize, kModelText);
  }
  WriteFieldText(h + kName, kNameSize, PathStem(filePath));
  WriteFieldText(h + kExtension, kExtensionSize, PathExtension(filePath));
}

void MakeG729FileHeader(uint8_t header[256], int bits, int rate, int channels, std::string_view filePath, bool voice) {
  MakeG729FileHeader(header, bits, rate, channels, filePath, voice, HeaderTime::now());
}

void BuildFileHeader(uint8_t source[256], uint8_t h[256]) {
  writeMagic(source);
  std::memset(source + kCodec, kFill, kCodecSize);
  std::memset(source + kModel, kFill, kModelSize);
  source[kVersion] = kVersionGeneric;
  source[kFlagP] = kFill;
  source[kReserved12] = kFill;
  for (size_t i = kBits; i <= kChannels; ++i) source[i] = kFill;
  std::memset(h, kFill, kSize);
  for (const Range &r : kGenericRanges) std::memcpy(h + r.first, source + r.first, r.last - r.first + 1);
}

void PrepareGenericSource(uint8_t source[256], std::string_view filePath, const HeaderTime &time,
                          const uint8_t *audioInfo) {
  std::memset(source, kFill, kSize);
  writeTime(source, time);
  source[kKind] = kKindNone;
  if (audioInfo) std::memcpy(source + kAudioInfo, audioInfo, kAudioInfoSize);
  WriteFieldText(source + kName, kNameSize, PathStem(filePath));
  std::string extension(PathExtension(filePath));
  for (char &c : extension) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  WriteFieldText(source + kExtension, kExtensionSize, extension);
}

std::string ArrayToString(const uint8_t *field, size_t width) {
  size_t end = width;
  while (end > 0 && (field[end - 1] == 0x00 || field[end - 1] == 0x20 || field[end - 1] == 0xFF)) --end;
  return std::string(reinterpret_cast<const char *>(field), end);
}

std::string DirectoryFieldText(const uint8_t *field, size_t width) {
  size_t end = 0;
  while (end < width && field[end] != kFill) ++end;
  return std::string(reinterpret_cast<const char *>(field), end);
}

size_t WriteFieldText(uint8_t *field, size_t width, std::string_view text) {
  size_t length = text.size();
  if (length > width) {
    // Back up over continuation bytes so that no character is split; a run
    // longer than a UTF-8 sequence is not UTF-8 and is cut where it stands.
    length = width;
    size_t backed = 0;
    while (length > 0 && backed < 4 && isUtf8Continuation(static_cast<uint8_t>(text[length]))) {
      --length;
      ++backed;
    }
    if (backed == 4) length = width;
  }
  if (length) std::memcpy(field, text.data(), length);
  return length;
}

std::string_view PathBaseName(std::string_view filePath) {
  size_t slash = filePath.rfind('/');
  return slash == std::string_view::npos ? filePath : filePath.substr(slash + 1);
}

namespace {

// The dot that starts the extension, or npos. A leading dot (".profile")
// names the file rather than starting an extension.
size_t extensionDot(std::string_view base) {
  size_t dot = base.rfind('.');
  return dot == 0 ? std::string_view::npos : dot;
}

}  // namespace

std::string_view PathStem(std::string_view filePath) {
  std::string_view base = PathBaseName(filePath);
  size_t dot = extensionDot(base);
  return dot == std::string_view::npos ? base : base.substr(0, dot);
}

std::string_view PathExtension(std::string_view filePath) {
  std::string_view base = PathBaseName(filePath);
  size_t dot = extensionDot(base);
  return dot == std::string_view::npos ? std::string_view() : base.substr(dot + 1);
}

}  // namespace voice
