// q417 encode and decode as a user runs them.
#include <gtest/gtest.h>
#include <unistd.h>

#include <csignal>
#include <fstream>
#include <string>
#include <vector>

#include "Fixtures.h"
#include "components/wavefile/WaveFile.h"
#include "voice/VoiceHeader.h"

namespace {

using namespace fixtures;

const std::string kTool = Q417_TOOL;

// The user's own Q417.ini stays out of the way: the tool finds the project's.
std::string q417(const std::string &args) {
  return "XDG_CONFIG_HOME=/nonexistent XDG_CONFIG_DIRS=/nonexistent '" + kTool + "' " + args;
}

// Starts q417 with args, interrupts it (Ctrl-C) as soon as anything new
// appears in folder, that is once its job has begun, and returns its exit
// status (-1 when it did not exit by itself).
int runInterrupted(const std::vector<std::string> &args, const std::string &folder) {
  const std::vector<std::string> before = entries(folder);
  std::vector<std::string> argv{kTool};
  argv.insert(argv.end(), args.begin(), args.end());
  testsupport::Process tool(argv, {"XDG_CONFIG_HOME=/nonexistent", "XDG_CONFIG_DIRS=/nonexistent"});
  if (!tool.started()) return -1;
  for (int waited = 0; waited < 20000 && entries(folder) == before; ++waited) ::usleep(500);
  tool.signal(SIGINT);
  return tool.wait();
}

// The tool prints a key's text from Q417.ini, or the key itself when it has none.
bool namesKey(const std::string &output, const std::string &key) {
  if (output.find(key) != std::string::npos) return true;
  std::ifstream ini(std::string(QUILLORN_SOURCE) + "/data/Q417.ini");
  for (std::string line; std::getline(ini, line);)
    if (line.rfind(key + "=", 0) == 0) {
      std::string text = line.substr(key.size() + 1);
      if (!text.empty() && text.back() == '\r') text.pop_back();
      return !text.empty() && output.find(text) != std::string::npos;
    }
  return false;
}

TEST(Q417Tool, EncodeAndDecodeRoundTripSpeech) {
  TempDir dir;
  makeSpeechWav((dir / "speech.wav").string());
  voice::HeaderTime before = voice::HeaderTime::now();
  const std::string speech = (dir / "speech.wav").string(), memo = (dir / "Memo.dvg").string();
  ASSERT_EQ(runCommand(q417("encode '" + speech + "' '" + memo + "' >/dev/null")).status, 0);
  ASSERT_EQ(runCommand(q417("decode '" + memo + "' '" + (dir / "back.wav").string() + "' >/dev/null")).status, 0);

  components::WaveFile source, back;
  ASSERT_TRUE(source.open((dir / "speech.wav").string()));
  ASSERT_TRUE(back.open((dir / "back.wav").string()));
  EXPECT_TRUE(back.format().isPcm(16, 1, 8000));
  Bytes dvg = readFile(dir / "Memo.dvg");
  EXPECT_EQ(dvg.size(), 256 + source.dataSize() / 16);
  EXPECT_EQ(back.dataSize(), (dvg.size() - 256) * 16);

  // The header, byte by byte, apart from the moment it was made.
  voice::HeaderTime after = voice::HeaderTime::now();
  Bytes expected(256);
  voice::MakeG729FileHeader(expected.data(), 16, 8000, 1, "Memo.dvg", true, after);
  for (size_t i = 5; i <= 10; ++i) expected[i] = dvg[i];
  EXPECT_TRUE(std::equal(expected.begin(), expected.end(), dvg.begin()));
  auto minuteOf = [](int d, int h, int m) { return (d * 24 + h) * 60 + m; };
  int made = minuteOf(dvg[7], dvg[8], dvg[9]);
  EXPECT_TRUE(made == minuteOf(before.day, before.hour, before.minute) ||
              made == minuteOf(after.day, after.hour, after.minute));
  EXPECT_TRUE(dvg[6] == before.month || dvg[6] == after.month);
}

TEST(Q417Tool, BadInputGetsAMessageAndWritesNothing) {
  TempDir dir;
  Bytes good = pcmWav(groupedSamples(800));
  Bytes header(256);
  voice::MakeG729FileHeader(header.data(), 16, 8000, 1, "v.dvg", true, voice::HeaderTime{});
  Bytes wrongKind = header;
  wrongKind[32] = 0x55;
  wrongKind.resize(756, 0x12);
  struct Case {
    const char *name, *command;
    Bytes input;
    const char *key;
  } cases[] = {
      {"44100 Hz stereo WAV", "encode", pcmWav(groupedSamples(800), 2, 44100), "FM_text_system_errmsg6"},
      {"GSM WAV", "encode", riff({chunk("fmt ", pcmFormat(1, 8000, 0, 49)), chunk("data", Bytes(65))}),
       "FM_text_system_errmsg6"},
      {"truncated WAV header", "encode", Bytes(good.begin(), good.begin() + 30), "FM_text_system_errmsg6"},
      {"data chunk longer than the file", "encode", Bytes(good.begin(), good.end() - 100), "FM_text_system_errmsg6"},
      {"empty WAV file", "encode", {}, "FM_text_system_errmsg6"},
      {"empty voice file", "decode", {}, "FM_text_system_errmsg11"},
      {"256-byte voice file", "decode", header, "FM_text_system_errmsg11"},
      {"voice file of kind LP", "decode", wrongKind, "FM_text_system_errmsg11"},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.name);
    writeFile(dir / "in", c.input);
    auto [rc, output, errors] =
        runCommand(q417(std::string(c.command) + " '" + (dir / "in").string() + "' '" + (dir / "out").string() + "'"),
                   ErrorOutput::Apart);
    EXPECT_EQ(rc, 1) << errors;
    EXPECT_TRUE(namesKey(errors, c.key)) << errors;
    EXPECT_FALSE(exists((dir / "out").string()));
  }
  ProcessResult missing =
      runCommand(q417("decode '" + (dir / "missing.dvg").string() + "' '" + (dir / "out").string() + "'"),
                 ErrorOutput::Apart);
  std::string errors = missing.errors;
  EXPECT_EQ(missing.status, 1);
  EXPECT_TRUE(namesKey(errors, "FM_text_system_errmsg3")) << errors;
  EXPECT_EQ(runCommand(q417("encode only-one-argument.wav"), ErrorOutput::Apart).status, 2);
}

TEST(Q417Tool, AnInterruptedOrFailedCommandLeavesNoOutput) {
  TempDir dir;
  writeFile(dir / "in.wav", pcmWav(groupedSamples(8000 * 2 * 300)));  // five minutes
  Bytes voiceFile(256);
  voice::MakeG729FileHeader(voiceFile.data(), 16, 8000, 1, "in.dvg", true, voice::HeaderTime{});
  voiceFile.resize(256 + 1000 * 1200, 0x5A);  // twenty minutes
  writeFile(dir / "in.dvg", voiceFile);
  const std::vector<std::string> inputs = entries(dir.path());
  const Bytes old{'o', 'l', 'd'};

  for (const char *command : {"encode", "decode"}) {
    SCOPED_TRACE(command);
    const bool encode = std::string(command) == "encode";
    const std::string in = (dir / (encode ? "in.wav" : "in.dvg")).string();
    const std::string out = (dir / (encode ? "out.dvg" : "out.wav")).string();

    EXPECT_EQ(runInterrupted({command, in, out}, dir.path().string()), 1);
    EXPECT_EQ(entries(dir.path()), inputs);

    // A file-size limit stands in for a full disk: the write fails mid-job.
    for (bool existing : {false, true}) {
      SCOPED_TRACE(existing ? "over an existing file" : "no file before");
      if (existing) writeFile(out, old);
      auto [rc, output, errors] = runCommand(
          "trap '' XFSZ; ulimit -f 16; " + q417(std::string(command) + " '" + in + "' '" + out + "'"),
          ErrorOutput::Apart);
      EXPECT_EQ(rc, 1) << errors;
      EXPECT_NE(errors.find("q417 " + std::string(command) + ":"), std::string::npos) << errors;
      if (existing) {
        EXPECT_EQ(readFile(out), old);
      } else {
        EXPECT_FALSE(exists(out));
      }
      std::filesystem::remove(out);
      EXPECT_EQ(entries(dir.path()), inputs);
    }
  }
}

}  // namespace
