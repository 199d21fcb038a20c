// q417 convert as a user runs it: a selection of WAV files of several
// formats into voice files and back, and the exit status and reasons of
// files it refuses or fails.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "Fixtures.h"
#include "testsupport/Tools.h"

namespace {

using namespace fixtures;
namespace fs = std::filesystem;

std::string q417(const std::string &args) {
  return "XDG_CONFIG_HOME=/nonexistent XDG_CONFIG_DIRS=/nonexistent '" + std::string(Q417_TOOL) + "' " + args;
}

std::string quoted(const fs::path &p) { return "'" + p.string() + "'"; }

TEST(Q417Convert, WavFilesOfSeveralFormatsIntoVoiceFilesAndBack) {
  testsupport::requireTool("sox");
  TempDir dir;
  fs::create_directories(dir / "out");
  ASSERT_TRUE(runCommand("sox -n -r 44100 -c 2 -b 16 " + quoted(dir / "stereo.wav") + " synth 1 sine 300").ok());
  ASSERT_TRUE(runCommand("sox -n -r 22050 -c 1 -e ima-adpcm " + quoted(dir / "adpcm.wav") + " synth 1 sine 300").ok());
  ASSERT_TRUE(runCommand("sox -n -r 8000 -c 1 -b 16 " + quoted(dir / "plain.wav") + " synth 1 sine 300").ok());

  const ProcessResult made = runCommand(q417("convert " + quoted(dir / "stereo.wav") + " " + quoted(dir / "adpcm.wav") +
                                             " " + quoted(dir / "plain.wav") + " -o " + quoted(dir / "out")));
  ASSERT_EQ(made.status, 0) << made.output;
  EXPECT_EQ(entries(dir / "out"), (std::vector<std::string>{"adpcm.DVG", "plain.DVG", "stereo.DVG"}));
  // One second at 8000 Hz: 8000 samples, 16 coded bytes each... 1000 coded bytes.
  for (const char *name : {"adpcm.DVG", "plain.DVG", "stereo.DVG"}) EXPECT_EQ(fs::file_size(dir / "out" / name), 1256u);
  EXPECT_EQ(entries(dir.path()).size(), 4u);  // no temporary file left beside the sources

  const ProcessResult back = runCommand(q417("convert " + quoted(dir / "out" / "plain.DVG") + " -o " + quoted(dir / "out")));
  ASSERT_EQ(back.status, 0) << back.output;
  EXPECT_EQ(fs::file_size(dir / "out" / "plain.WAV"), 44u + 16000u);
}

TEST(Q417Convert, RefusedAndKeptFilesExitNonZeroWithTheirReasons) {
  TempDir dir;
  writeFile(dir / "a.wav", pcmWav(Bytes(1600, 0)));
  writeFile(dir / "song.mp3", Bytes(100, 0xFF));
  writeFile(dir / "a.DVG", {'o', 'l', 'd'});

  ProcessResult r = runCommand("cd " + quoted(dir.path()) + " && " + q417("convert a.wav song.mp3"));
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.output.find("song.mp3: only WAV and voice"), std::string::npos) << r.output;
  EXPECT_NE(r.output.find("a.wav: ./a.DVG exists"), std::string::npos) << r.output;
  EXPECT_EQ(readFile(dir / "a.DVG"), (Bytes{'o', 'l', 'd'}));

  r = runCommand("cd " + quoted(dir.path()) + " && " + q417("convert a.wav --overwrite"));
  EXPECT_EQ(r.status, 0) << r.output;
  EXPECT_EQ(fs::file_size(dir / "a.DVG"), 256u + 100u);

  r = runCommand(q417("convert " + quoted(dir / "a.wav") + " -o " + quoted(dir / "missing")));
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.output.find("cannot be written"), std::string::npos) << r.output;
  r = runCommand(q417("convert"));
  EXPECT_EQ(r.status, 2);
}

}  // namespace
