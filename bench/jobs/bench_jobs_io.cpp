// q417 put and q417 get of a 100 MB file against cp of the same bytes: the
// job's own cost on top of moving the data. Goal: at most 2 times the copy.
// Usage: bench_jobs_io [MEGABYTES] [RUNS]
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

double seconds(const std::string &cmd) {
  auto t0 = std::chrono::steady_clock::now();
  if (std::system(cmd.c_str()) != 0) {
    std::fprintf(stderr, "failed: %s\n", cmd.c_str());
    std::exit(1);
  }
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
}

std::string q(const fs::path &p) { return "'" + p.string() + "'"; }

}  // namespace

int main(int argc, char **argv) {
  const size_t megabytes = argc > 1 ? std::strtoul(argv[1], nullptr, 10) : 100;
  const int runs = argc > 2 ? std::atoi(argv[2]) : 3;
  fs::path dir = fs::temp_directory_path() / ("q417-bench-io-" + std::to_string(::getpid()));
  fs::create_directories(dir);
  const std::string tool = "'" Q417_TOOL "'";
  fs::path file = dir / "data.bin", image = dir / "chip.img", pristine = dir / "pristine.img", out = dir / "out";
  fs::create_directories(out);

  std::vector<char> block(1 << 20);
  std::mt19937 rng(1);
  {
    std::ofstream f(file, std::ios::binary);
    for (size_t i = 0; i < megabytes; ++i) {
      for (auto &c : block) c = static_cast<char>(rng());
      f.write(block.data(), static_cast<std::streamsize>(block.size()));
    }
  }
  seconds(tool + " mkimage " + q(pristine) + " --blocks 1024");
  seconds(tool + " --image " + q(pristine) + " format --yes >/dev/null 2>&1");

  double put = 1e9, get = 1e9, copy = 1e9;
  for (int r = 0; r < runs; ++r) {
    fs::copy_file(pristine, image, fs::copy_options::overwrite_existing);
    fs::remove(dir / "copy.bin");
    copy = std::min(copy, seconds("cp " + q(file) + " " + q(dir / "copy.bin")));
    put = std::min(put, seconds(tool + " --image " + q(image) + " put 1 " + q(file) + " 2>/dev/null"));
    fs::remove(out / "data.BIN");
    get = std::min(get, seconds(tool + " --image " + q(image) + " get 1 1 -o " + q(out) + " 2>/dev/null"));
  }
  if (fs::file_size(out / "data.BIN") != fs::file_size(file)) {
    std::fprintf(stderr, "the copy back differs in size\n");
    return 1;
  }
  double mb = static_cast<double>(megabytes);
  std::printf("bench_jobs_io: %zu MB, best of %d runs\n", megabytes, runs);
  std::printf("  cp            %7.3f s  %8.1f MB/s\n", copy, mb / copy);
  std::printf("  q417 put      %7.3f s  %8.1f MB/s  ratio to cp %.2f (goal <= 2)\n", put, mb / put, put / copy);
  std::printf("  q417 get      %7.3f s  %8.1f MB/s  ratio to cp %.2f (goal <= 2)\n", get, mb / get, get / copy);
  fs::remove_all(dir);
  return 0;
}
