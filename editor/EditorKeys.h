// The message keys of the editor window.
#pragma once

namespace editor::keys {

inline constexpr char kKindError[] = "FE_kind_wavemsg0";
inline constexpr char kKindQuestion[] = "FE_kind_wavemsg1";
inline constexpr char kBadFormat[] = "FE_wav_msg0";
inline constexpr char kBuilding[] = "FE_wav_msg1";
inline constexpr char kCopying[] = "FE_wav_msg2";
inline constexpr char kPasting[] = "FE_wav_msg3";
inline constexpr char kSaving[] = "FE_wav_msg4";
inline constexpr char kCutting[] = "FE_wav_msg5";
inline constexpr char kModifiedQuestion[] = "FE_wav_msg7";
inline constexpr char kCannotSave[] = "FE_wav_msg8";
inline constexpr char kIsEditFile[] = "FE_wav_msg9";
inline constexpr char kIsReferenceFile[] = "FE_wav_msg10";
inline constexpr char kNoAudio[] = "FE_wav_msg11";
inline constexpr char kCannotOpen[] = "FE_wav_msg13";
inline constexpr char kNoDiskSpace[] = "FE_wav_msg14";
inline constexpr char kUndoFailed[] = "FE_wav_msg15";
inline constexpr char kEditFailed[] = "FE_wav_msg16";
inline constexpr char kSaveFailed[] = "FE_wav_msg17";
inline constexpr char kTooShort[] = "FE_wav_msg17";
inline constexpr char kConvertTitle[] = "FM_Caption_title8";

}  // namespace editor::keys
