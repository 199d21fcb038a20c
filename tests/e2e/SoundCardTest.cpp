// The whole road without a sound card: recordings on the in-process
// recorder play through the player, a real PortAudio stream and ALSA's
// file device, and what reaches the file is the decoder's output for the
// recording sample for sample; speech fed to ALSA's file input is
// recorded through the player and saved, and the saved voice file decodes
// to speech that follows the input.
#include <gtest/gtest.h>

#include "HostRig.h"
#include "Rig.h"
#include "components/wave/PortAudio.h"
#include "player/PollHost.h"
#include "player/SoundCard.h"
#include "recorder/Layout.h"
#include "testsupport/AlsaFileDevice.h"
#include "voice/Codec.h"
#include "voice/VoiceHeader.h"

namespace e2etest {
namespace {

namespace fs = std::filesystem;
namespace wave = components::wave;
using player::PollHost;
using testsupport::AlsaFileDevice;

// Before anything in the program starts PortAudio.
const AlsaFileDevice &alsa = AlsaFileDevice::install();

class SoundCardRoad : public ::testing::Test {
 protected:
  std::unique_ptr<PollHost> host(player::Selection selection, recorder::FlashVolume *recorder = nullptr) {
    selection.pcFolder = pc.path();
    player::HostSetup setup{ui,      queue,       player::soundCardOutput(), player::soundCardInput(),
                            wave::systemHasOutputDevice(), mpeg, wav, recorder, pc.path(), std::move(selection),
                            false,   pipe.writeEnd(), false};
    return std::make_unique<PollHost>(setup);
  }

  testsupport::TempDir pc;
  components::ScriptedJobUi ui;
  wave::DoneQueue queue;
  NoMpeg mpeg;
  NoWav wav;
  CapturePipe pipe;
};

TEST_F(SoundCardRoad, RecordingsPlayFromTheFlashToTheSoundCardSampleForSample) {
  jobtest::Rig rig;
  rig.formatted();
  struct Case {
    const char *what;
    Bytes coded;
  } cases[] = {
      {"speech in one block", encode(speech(pc.path(), 4.2))},
      // Its chunks cross from the first block into the second.
      {"two blocks", testsupport::pattern(recorder::kBlockDataSize - recorder::kPageSize + 20000, 7, false)},
  };
  int index = 0;
  for (const Case &c : cases) {
    SCOPED_TRACE(c.what);
    ASSERT_TRUE(jobtest::put(rig, 1, {writeVoiceFile(pc / ("r" + std::to_string(index) + ".dvg"), c.coded)}));
    alsa.clearPlayed();
    player::Selection selection;
    selection.activeList = 1;
    selection.recorderIndex = index++;
    auto h = host(selection, &rig.v());
    PollHost::Result r = h->play();
    EXPECT_TRUE(r.started);
    EXPECT_EQ(r.errors, 0);
    ASSERT_TRUE(h->player().state().recorderSource);
    // The file device takes samples faster than the player decodes them
    // and plays silence meanwhile: apart from that silence, the file holds
    // exactly the decoder's samples, in order, from the first to the last.
    const std::vector<int16_t> want = sounding(pcmSamples(decodeReference(c.coded)));
    const std::vector<int16_t> got = sounding(pcmSamples(alsa.played()));
    ASSERT_GT(want.size(), c.coded.size());
    EXPECT_EQ(got.size(), want.size());
    EXPECT_TRUE(got == want) << "first difference at sample "
                             << std::mismatch(got.begin(), got.end(), want.begin(), want.end()).first - got.begin();
  }
  // The last playback's time, played to its end.
  const std::string total = player::clockText(player::clockFromSeconds(cases[1].coded.size() / 1000));
  EXPECT_EQ(pipe.read(), "0:00:04 / 0:00:04\n" + total + " / " + total + "\n");
}

TEST_F(SoundCardRoad, SpeechHeardBySoundCardIsSavedAsAVoiceFileThatSaysIt) {
  const std::vector<int16_t> said = speech(pc.path(), 8);
  alsa.setCaptureSamples(pcmBytes(said));
  player::Selection selection;
  selection.saveAs = pc / "memo.dvg";
  auto h = host(selection);
  PollHost::Result r = h->record(3);
  ASSERT_TRUE(r.started);
  EXPECT_TRUE(r.saved);
  EXPECT_EQ(r.errors, 0);

  Bytes file = testsupport::readFile(pc / "memo.dvg");
  ASSERT_GT(file.size(), voice::header::kSize);
  const uint8_t *field = file.data() + voice::header::kName;
  EXPECT_EQ(std::string(field, field + 4), "memo");
  EXPECT_EQ(field[4], voice::header::kFill);
  EXPECT_EQ(std::string(file.data() + voice::header::kExtension, file.data() + voice::header::kExtension + 3), "DVG");
  const Bytes coded = voiceData(pc / "memo.dvg");
  EXPECT_EQ(coded.size() % voice::kCodedBlockBytes, 0u);
  EXPECT_GE(coded.size(), 6 * voice::kCodedBlockBytes);
  EXPECT_LE(coded.size(), 10 * voice::kCodedBlockBytes);

  // The decoded speech follows the input by the codec's delay and no more:
  // the input reached the encoder from its first sample. The file device
  // runs faster than the player queues buffers again and what it hears
  // meanwhile is lost, as on a sound card: only the input's first four
  // buffers (two seconds) are one stretch for certain.
  std::vector<int16_t> heard = pcmSamples(decodeReference(coded));
  heard.resize(player::VoiceRecording::kBuffers * voice::kPcmBlockBytes / 2);
  Match m = bestCorrelation(said, heard, 400);
  EXPECT_EQ(m.lag, size_t(voice::kCodecDelaySamples));
  EXPECT_GT(m.correlation, 0.7);
  // The same words a second later do not.
  std::vector<int16_t> later(said.begin() + voice::kSampleRate, said.end());
  EXPECT_LT(bestCorrelation(later, heard, 400).correlation, 0.3);
}

}  // namespace
}  // namespace e2etest
