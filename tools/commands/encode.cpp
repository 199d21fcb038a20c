// q417 encode IN.wav OUT.dvg: a 16-bit mono 8000 Hz WAV file into a voice file.
#include <cstdio>
#include <exception>
#include <string>

#include "../ToolUi.h"
#include "components/wavefile/WaveFile.h"
#include "voice/Codec.h"
#include "voice/G729Conversion.h"

namespace {

int run(tool::Context &ctx) {
  if (ctx.args.size() != 2) {
    std::fprintf(stderr, "usage: q417 encode IN.wav OUT.dvg\n");
    return 2;
  }
  const std::string &in = ctx.args[0], &out = ctx.args[1];
  auto ui = tool::makeJobUi(ctx);
  components::WaveFile wave;
  std::string why;
  if (!wave.open(in, &why)) {
    ui->messageBox(voice::keys::kKindProgram, voice::keys::kWaveNotUsable, components::MsgKind::Error,
                   components::kButtonsOk);
    std::fprintf(stderr, "q417 encode: %s: %s\n", in.c_str(), why.c_str());
    return 1;
  }
  const components::WaveFormat &f = wave.format();
  if (!f.isPcm(voice::kBitsPerSample, voice::kChannels, voice::kSampleRate)) {
    ui->messageBox(voice::keys::kKindProgram, voice::keys::kWaveNotUsable, components::MsgKind::Error,
                   components::kButtonsOk);
    std::fprintf(stderr,
                 "q417 encode: %s: format %u, %u channel(s), %u Hz, %u bits; encode takes 16-bit mono 8000 Hz PCM\n",
                 in.c_str(), f.formatTag, f.channels, f.sampleRate, f.bitsPerSample);
    return 1;
  }

  ui->progressOpen(ui->text(voice::keys::kConvertTitle));
  ui->progressTotal(0, components::fileCountLabel(1, 1), "No message");
  voice::G729Conversion conversion(*ui, wave);
  bool finished = false;
  try {
    finished = conversion.EncodeWaveToG729(out, voice::kBitsPerSample, voice::kSampleRate, voice::kChannels);
  } catch (const std::exception &e) {
    ui->progressClose();
    std::fprintf(stderr, "q417 encode: %s\n", e.what());
    return 1;
  }
  ui->progressClose();
  if (!finished) return 1;
  std::printf("%s: %.2f s of speech\n", out.c_str(), static_cast<double>(wave.dataSize()) / (voice::kSampleRate * 2));
  return 0;
}

tool::Register reg({"encode", "IN.wav OUT.dvg", "encode a 16-bit mono 8000 Hz WAV file into a G.729 voice file", run,
                    {}});

}  // namespace
