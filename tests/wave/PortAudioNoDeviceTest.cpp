// A machine without sound: ALSA knows no device (its configuration is a
// file of this program's own, without the system's, whose default device
// is a card that is not there), so neither flag is set and neither device
// opens.
#include <gtest/gtest.h>
#include <stdlib.h>

#include "components/wave/PortAudio.h"
#include "components/wave/PortAudioInput.h"
#include "components/wave/PortAudioOutput.h"
#include "support/WaveSignals.h"
#include "testsupport/TempDir.h"

using namespace wavetest;
namespace cw = components::wave;

namespace {

// Before anything in the program starts PortAudio.
struct NoSound {
  testsupport::TempDir dir;
  NoSound() {
    // An empty configuration trips an assertion in PortAudio's device listing.
    auto config = dir.write("asound.conf", "pcm.!default { type hw card 99 }\n");
    ::setenv("ALSA_CONFIG_PATH", config.c_str(), 1);
  }
};
const NoSound &noSound() {
  static NoSound once;
  return once;
}
const bool configured = (noSound(), true);

}  // namespace

TEST(PortAudioNoDevice, NeitherFlagIsSetAndNeitherDeviceOpens) {
  ASSERT_TRUE(configured);
  EXPECT_FALSE(cw::systemHasOutputDevice());
  EXPECT_FALSE(cw::systemHasInputDevice());
  cw::DoneQueue queue;
  Owner owner;
  cw::PortAudioOutput out(queue, owner);
  cw::PortAudioInput in(queue, owner);
  EXPECT_FALSE(out.available());
  EXPECT_FALSE(in.available());
  EXPECT_FALSE(out.open({1, 8000, 16}));
  EXPECT_FALSE(in.open({1, 8000, 16}));
  Bytes data(100);
  cw::Buffer b{data.data(), 100, 0};
  EXPECT_FALSE(out.write(b));
  EXPECT_FALSE(in.add(b));
  EXPECT_EQ(queue.dispatch(), 0u);
}
