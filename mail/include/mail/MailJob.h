// The files a mail carries: every selected PC file, a voice file turned
// into a WAV file first when the user wants it so (the receiver may not be
// able to play voice files). Headless: talks to the job UI only.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "components/JobUi.h"
#include "voice/Codec.h"

namespace mail {

class MailJob {
 public:
  // A message box whose text starts with a name: caption and text are keys.
  using NamedMessage = std::function<int(std::string_view captionKey, const std::string &prefix,
                                         std::string_view textKey, components::MsgKind kind, int buttons)>;

  explicit MailJob(components::JobUi &ui, voice::CodecFactory makeCodec = voice::makeG729Codec);

  // Without it, the text of a named question is asked alone.
  NamedMessage namedMessage;

  // The attachments for the selected files of folder (names, in list
  // order), as full paths in the same order. Shows the progress window
  // while it runs. A voice file is asked about: on Yes it is decoded into
  // NAME.WAV beside it and that is attached, unless a WAV of that name
  // (in any case) is there already (then a warning, and the voice file);
  // a decode that fails or is cancelled attaches the voice file and leaves
  // no WAV behind.
  std::vector<std::string> attachments(const std::string &folder, const std::vector<std::string> &names);

  // The WAV file already beside a voice file: NAME.WAV in any case of the
  // extension; empty when there is none.
  static std::string existingWave(const std::string &folder, const std::string &stem);

 private:
  std::string forVoiceFile(const std::string &folder, const std::string &name);

  components::JobUi &ui_;
  voice::CodecFactory makeCodec_;
};

namespace keys {
inline constexpr char kAskConvert[] = "FEM_mail_errmsg6";
inline constexpr char kKindNotice[] = "FM_kind_errormsg2";
inline constexpr char kKindProgram[] = "FM_kind_errormsg0";
inline constexpr char kOutputExists[] = "FM_text_system_errmsg10";
inline constexpr char kTitle[] = "FM_Caption_title8";
}  // namespace keys

}  // namespace mail
