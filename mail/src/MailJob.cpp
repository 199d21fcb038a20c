#include "mail/MailJob.h"

#include <algorithm>
#include <cctype>
#include <exception>
#include <filesystem>
#include <system_error>

#include "components/wavefile/WaveFile.h"
#include "voice/BatchConversion.h"
#include "voice/G729Conversion.h"

namespace mail {

namespace fs = std::filesystem;

namespace {

std::string upper(std::string s) {
  std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return std::toupper(c); });
  return s;
}

}  // namespace

MailJob::MailJob(components::JobUi &ui, voice::CodecFactory makeCodec) : ui_(ui), makeCodec_(std::move(makeCodec)) {}

std::string MailJob::existingWave(const std::string &folder, const std::string &stem) {
  std::error_code ec;
  const std::string wanted = upper(stem + ".WAV");
  for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
    const std::string name = it->path().filename().string();
    if (upper(name) == wanted) return it->path().string();
  }
  return {};
}

std::vector<std::string> MailJob::attachments(const std::string &folder, const std::vector<std::string> &names) {
  ui_.progressOpen(ui_.text(keys::kTitle));
  ui_.progressTotal(0, "1 of 1", "No message");
  std::vector<std::string> files;
  for (const std::string &name : names) {
    if (upper(fs::path(name).extension().string()) == ".DVG")
      files.push_back(forVoiceFile(folder, name));
    else
      files.push_back((fs::path(folder) / name).string());
  }
  ui_.progressClose();
  return files;
}

std::string MailJob::forVoiceFile(const std::string &folder, const std::string &name) {
  const std::string voiceFile = (fs::path(folder) / name).string();
  const int answer =
      namedMessage ? namedMessage(keys::kKindNotice, name + " : ", keys::kAskConvert, components::MsgKind::Warning,
                                  components::kButtonsYesNo)
                   : ui_.messageBox(keys::kKindNotice, keys::kAskConvert, components::MsgKind::Warning,
                                    components::kButtonsYesNo);
  if (answer != components::kResultYes) return voiceFile;

  if (!existingWave(folder, fs::path(name).stem().string()).empty()) {
    ui_.messageBox(keys::kKindNotice, keys::kOutputExists, components::MsgKind::Warning, components::kButtonsOk);
    return voiceFile;
  }
  const std::string wave = (fs::path(folder) / voice::MakeAutoFileName(name)).string();
  components::WaveFile waveFile;
  voice::G729Conversion conversion(ui_, waveFile, makeCodec_);
  bool converted = false;
  try {
    // An unfinished WAV is removed by the conversion itself.
    converted = conversion.DecodeG729ToWave(voiceFile, wave);
  } catch (const std::exception &) {
    ui_.messageBox(keys::kKindProgram, "FM_text_system_errmsg3", components::MsgKind::Error, components::kButtonsOk);
  }
  return converted ? wave : voiceFile;
}

}  // namespace mail
