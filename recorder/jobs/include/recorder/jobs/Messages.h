// The message keys the recorder jobs show, and message boxes whose text
// starts with a file name.
#pragma once

#include <string>
#include <string_view>

#include "components/JobUi.h"

namespace recorder::jobs {

namespace keys {
// Captions.
inline constexpr std::string_view kKindProgram = "FM_kind_errormsg0";
inline constexpr std::string_view kKindRecorder = "FM_kind_errormsg1";
inline constexpr std::string_view kKindNotice = "FM_kind_errormsg2";
// Texts.
inline constexpr std::string_view kNoMemory = "FM_text_system_errmsg0";
inline constexpr std::string_view kFileUnusable = "FM_text_system_errmsg3";
inline constexpr std::string_view kReplaceFile = "FM_text_system_errmsg5";
inline constexpr std::string_view kMp3Unusable = "FM_text_system_errmsg13";
inline constexpr std::string_view kRecorderFull = "FM_text_pen_errmsg0";
inline constexpr std::string_view kNoWritableBlock = "FM_text_pen_errmsg1";
inline constexpr std::string_view kCannotCreate = "FM_text_pen_errmsg2";
inline constexpr std::string_view kCannotEnter = "FM_text_pen_errmsg3";
inline constexpr std::string_view kTooManyBadBlocks = "FM_text_pen_errmsg4";
inline constexpr std::string_view kFormatFailed = "FM_text_pen_errmsg5";
inline constexpr std::string_view kLinkLost = "FM_text_pen_errmsg6";
inline constexpr std::string_view kFormatQuestion = "FM_text_pen_errmsg7";
inline constexpr std::string_view kNotFormatted = "FM_text_pen_errmsg8";
inline constexpr std::string_view kEraseQuestion = "FM_text_pen_errmsg10";
inline constexpr std::string_view kFolderFull = "FM_text_pen_errmsg12";
inline constexpr std::string_view kReadDamaged = "FM_text_pen_errmsg13";
inline constexpr std::string_view kMp3OnlyInMp3Folders = "FM_text_pen_errmsg15";
inline constexpr std::string_view kOnlyMp3InMp3Folders = "FM_text_pen_errmsg16";
inline constexpr std::string_view kIndexDamaged = "FM_text_pen_index_damaged";
// Progress titles and lines.
inline constexpr std::string_view kTitleFormat = "FM_Caption_title0";
inline constexpr std::string_view kTitleErase = "FM_Caption_title1";
inline constexpr std::string_view kTitleWrite = "FM_Caption_title2";
inline constexpr std::string_view kTitleUpload = "FM_Caption_title3";
inline constexpr std::string_view kTitleUndoWrite = "FM_Caption_title4";
inline constexpr std::string_view kTitleInitialize = "FM_Caption_title5";
inline constexpr std::string_view kTextTesting = "FM_Caption_text0";
inline constexpr std::string_view kTextErasing = "FM_Caption_text1";
inline constexpr std::string_view kTextFinishing = "FM_Caption_text3";
}  // namespace keys

// A job UI that can show a message whose text is a file name followed by
// a keyed text ("name : text"). The windows and the tool implement it;
// without it the keyed text is shown alone.
class NamedMessageUi {
 public:
  virtual ~NamedMessageUi() = default;
  virtual int namedMessageBox(std::string_view captionKey, const std::string &prefix, std::string_view textKey,
                              components::MsgKind kind, int buttons) = 0;
};

int namedMessageBox(components::JobUi &ui, std::string_view captionKey, const std::string &prefix,
                    std::string_view textKey, components::MsgKind kind, int buttons);

// An error with an OK button.
void showError(components::JobUi &ui, std::string_view captionKey, std::string_view textKey);

// Writing jobs refuse an index whose chains a write could destroy: the
// message names the fault and the way out. True when refused.
bool refuseDamagedIndex(components::JobUi &ui, const std::string &fault);

}  // namespace recorder::jobs
