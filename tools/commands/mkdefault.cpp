// q417 --image PATH mkdefault: the virtual recorder that Quillorn starts
// with: a 256 MB chip, initialised, with a few short recordings of speech in
// folders A and B and an MP3 file in folder E. The speech is made with
// espeak-ng and sox and encoded by our own encoder; the MP3 with lame.
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "../ToolUi.h"
#include "components/wavefile/WaveFile.h"
#include "q417io/Flash.h"
#include "recorder/FlashIo.h"
#include "recorder/jobs/DefaultImage.h"
#include "voice/Codec.h"
#include "voice/G729Conversion.h"

namespace fs = std::filesystem;

namespace {

constexpr uint32_t kDefaultBlocks = 2048;

struct Speech {
  int folder;
  const char *name;
  const char *text;
};

constexpr Speech kRecordings[] = {
    {1, "Welcome", "Welcome to Quillorn. This recording lives on the recorder's flash memory."},
    {1, "Shopping", "Remember to buy bread, apples and a new notebook on the way home."},
    {2, "Meeting", "The project meeting moves to Thursday at ten in the small conference room."},
};
constexpr Speech kMp3 = {5, "Greeting", "This is an MP3 file in folder E of the voice recorder."};

// Runs a program quietly; true when it ran and exited with 0.
bool run(const std::vector<std::string> &argv) {
  pid_t pid = ::fork();
  if (pid < 0) return false;
  if (pid == 0) {
    int null = ::open("/dev/null", O_WRONLY);
    if (null >= 0) {
      ::dup2(null, STDOUT_FILENO);
      ::dup2(null, STDERR_FILENO);
    }
    std::vector<char *> args;
    for (const std::string &a : argv) args.push_back(const_cast<char *>(a.c_str()));
    args.push_back(nullptr);
    ::execvp(args[0], args.data());
    ::_exit(127);
  }
  int status = 0;
  while (::waitpid(pid, &status, 0) < 0)
    if (errno != EINTR) return false;
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// Spoken text as a 16-bit mono 8000 Hz WAV file.
bool speak(const std::string &text, const fs::path &wav, const fs::path &work) {
  fs::path raw = work / "raw.wav";
  return run({"espeak-ng", "-w", raw.string(), text}) &&
         run({"sox", raw.string(), "-r", "8000", "-c", "1", "-b", "16", wav.string()});
}

bool encode(const fs::path &wav, const fs::path &dvg, components::JobUi &ui) {
  components::WaveFile wave;
  if (!wave.open(wav.string(), nullptr)) return false;
  try {
    return voice::G729Conversion(ui, wave).EncodeWaveToG729(dvg.string(), voice::kBitsPerSample, voice::kSampleRate,
                                                           voice::kChannels);
  } catch (const std::exception &) {
    return false;
  }
}

// The recordings to place; an empty list when the speech tools are missing.
std::vector<recorder::jobs::PlacedFile> makeRecordings(const fs::path &work, components::JobUi &ui) {
  std::vector<recorder::jobs::PlacedFile> files;
  for (const Speech &s : kRecordings) {
    fs::path wav = work / (std::string(s.name) + ".wav");
    fs::path dvg = work / (std::string(s.name) + ".dvg");
    if (!speak(s.text, wav, work) || !encode(wav, dvg, ui)) {
      std::fprintf(stderr, "q417 mkdefault: espeak-ng and sox are needed for the sample recordings; none made\n");
      return {};
    }
    files.push_back({s.folder, dvg});
  }
  fs::path raw = work / "mp3.wav";
  fs::path mp3 = work / (std::string(kMp3.name) + ".mp3");
  if (run({"espeak-ng", "-w", raw.string(), kMp3.text}) && run({"lame", "--quiet", "-b", "128", raw.string(), mp3.string()}))
    files.push_back({kMp3.folder, mp3});
  else
    std::fprintf(stderr, "q417 mkdefault: lame is needed for the sample MP3 file; none made\n");
  return files;
}

int runMkdefault(tool::Context &ctx) {
  if (ctx.image.empty() || !ctx.args.empty()) {
    std::fprintf(stderr, "usage: q417 --image PATH mkdefault\n");
    return 2;
  }
  fs::path image(ctx.image);
  std::error_code ec;
  if (fs::exists(image, ec)) {
    // It may hold recordings: never overwritten.
    std::fprintf(stderr, "q417 mkdefault: %s already exists; delete it first to make a new one\n", ctx.image.c_str());
    return 1;
  }
  if (image.has_parent_path()) fs::create_directories(image.parent_path(), ec);
  // Made under a temporary name and renamed into place when finished, so
  // that a running Quillorn never sees a half-made recorder arrive.
  fs::path building = image;
  building += ".new";
  fs::path work = fs::temp_directory_path() / ("q417-mkdefault-" + std::to_string(::getpid()));
  fs::create_directories(work, ec);
  auto cleanUp = [&] {
    fs::remove_all(work, ec);
    fs::remove(building, ec);
  };
  std::string error;
  if (!q417io::createFactoryImage(building.string(), kDefaultBlocks, {}, &error)) {
    std::fprintf(stderr, "q417 mkdefault: %s\n", error.c_str());
    cleanUp();
    return 1;
  }
  ::setenv("Q417_IMAGE", building.c_str(), 1);
  auto ui = tool::makeJobUi(ctx);
  std::vector<recorder::jobs::PlacedFile> files = makeRecordings(work, *ui);
  auto io = recorder::makeLibraryFlashIo();
  if (!recorder::jobs::formatAndFill(*io, *ui, files, &error)) {
    std::fprintf(stderr, "q417 mkdefault: %s\n", error.c_str());
    cleanUp();
    return 1;
  }
  io->setDeviceHandle(-1);
  // The new chip has no factory bad blocks: a list left by an earlier image goes.
  fs::remove(q417io::factoryBadPath(image.string()), ec);
  fs::rename(building, image, ec);
  if (ec) {
    std::fprintf(stderr, "q417 mkdefault: %s: %s\n", image.c_str(), ec.message().c_str());
    cleanUp();
    return 1;
  }
  fs::remove_all(work, ec);
  std::printf("%s: a 256 MB recorder with %zu sample file(s)\n", image.c_str(), files.size());
  return 0;
}

tool::Register reg({"mkdefault", "(with --image PATH)",
                    "make the default virtual recorder: a formatted 256 MB chip with sample recordings; an existing "
                    "image is kept",
                    runMkdefault, {}});

}  // namespace
