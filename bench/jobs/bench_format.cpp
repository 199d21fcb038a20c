// A full format of a 2048-block chip: the flash operations it performs
// against the minimum its surface test implies (one erase, one write, one
// read and one erase per tested block, plus the writes of the system block:
// block 0 and its copy, with the format record and with the empty file
// system), and its time per tested block.
#include <chrono>
#include <cstdio>

#include "components/ScriptedJobUi.h"
#include "q417io/Flash.h"
#include "recorder/jobs/Formatter.h"
#include "recorder/jobs/Session.h"
#include "testsupport/MemoryFlashIo.h"

int main() {
  auto flash = q417io::Flash::inMemory(2048);
  recorder::MemoryFlashIo io(*flash);
  components::ScriptedJobUi ui;
  recorder::jobs::Session session(io, ui);
  if (!session.identify()) {
    std::fprintf(stderr, "no chip\n");
    return 1;
  }
  flash->resetCounters();
  auto t0 = std::chrono::steady_clock::now();
  bool ok = recorder::jobs::Formatter(session.volume()).formatNow().ok();
  double took = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
  if (!ok) {
    std::fprintf(stderr, "the format failed\n");
    return 1;
  }
  const auto &c = flash->counters();
  const uint64_t tested = session.volume().blockCount() - (session.volume().image.reservedBlock() + 1u);
  const uint64_t systemWrites = 4;  // block 0 and the copy, twice
  const uint64_t minErases = 2 * tested + systemWrites, minWrites = tested + systemWrites, minReads = tested;
  std::printf("bench_format: 2048 blocks, %llu tested, %.3f s (%.1f us per tested block)\n",
              static_cast<unsigned long long>(tested), took, took * 1e6 / static_cast<double>(tested));
  std::printf("  erases %6llu  minimum %6llu  ratio %.3f\n", static_cast<unsigned long long>(c.erases),
              static_cast<unsigned long long>(minErases), static_cast<double>(c.erases) / static_cast<double>(minErases));
  std::printf("  writes %6llu  minimum %6llu  ratio %.3f\n", static_cast<unsigned long long>(c.writes),
              static_cast<unsigned long long>(minWrites), static_cast<double>(c.writes) / static_cast<double>(minWrites));
  std::printf("  reads  %6llu  minimum %6llu  ratio %.3f (the reads above the minimum load the new index)\n",
              static_cast<unsigned long long>(c.reads), static_cast<unsigned long long>(minReads),
              static_cast<double>(c.reads) / static_cast<double>(minReads));
  return 0;
}
