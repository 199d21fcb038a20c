// What the player's source files share: message keys and voice figures.
#pragma once

#include <cctype>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

#include "components/JobUi.h"
#include "voice/Codec.h"

namespace player {

namespace fs = std::filesystem;
using components::MsgKind;

namespace keys {
constexpr std::string_view kKindProgram = "FM_kind_errormsg0";
constexpr std::string_view kKindRecorder = "FM_kind_errormsg1";
constexpr std::string_view kKindNotice = "FM_kind_errormsg2";
constexpr std::string_view kNoMemory = "FM_text_system_errmsg0";
constexpr std::string_view kCannotRecord = "FM_text_system_errmsg2";
constexpr std::string_view kCannotSave = "FM_text_system_errmsg3";
constexpr std::string_view kCannotPlay = "FM_text_system_errmsg6";
constexpr std::string_view kNotVoice = "FM_text_system_errmsg11";
constexpr std::string_view kNoOutput = "FM_text_system_errmsg12";
constexpr std::string_view kNotMpeg = "FM_text_system_errmsg13";
constexpr std::string_view kLinkLost = "FM_text_pen_errmsg6";
}  // namespace keys

constexpr uint64_t kVoiceBytesPerSecond = uint64_t(voice::kBitsPerSample / 8) * voice::kSampleRate;  // 16000
constexpr uint16_t kVoiceFrameBytes = 24;

// The extension with its dot, in capitals; empty without one.
inline std::string upperExtension(const std::string &name) {
  auto dot = name.rfind('.');
  std::string ext = dot == std::string::npos ? std::string() : name.substr(dot);
  for (char &c : ext) c = char(std::toupper(static_cast<unsigned char>(c)));
  return ext;
}

}  // namespace player
