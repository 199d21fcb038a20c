// The exported C interface over the one engine of the loaded library.
// No exception leaves: each call answers its refusal value instead.
#include <cmath>
#include <thread>

#include "OutputSelection.h"
#include "PlaybackEngine.h"
#include "sonavel.h"

namespace {

struct Library {
  sonavel::PlaybackEngine engine{sonavel::environmentOutputFactory()};
  std::thread::id owner = std::this_thread::get_id();  // the thread that loaded the library
};

Library library;

sonavel::PlaybackEngine &engine() { return library.engine; }

template <class R, class F>
R guarded(R refusal, F &&call) noexcept {
  try {
    return call();
  } catch (...) {
    return refusal;
  }
}

template <class F>
void guarded(F &&call) noexcept {
  try {
    call();
  } catch (...) {
  }
}

}  // namespace

extern "C" {

int32_t DllOpenFile(const char *path) { return guarded(0, [&] { return engine().openFile(path); }); }
int32_t DllPlay(void) { return guarded(0, [] { return engine().play(); }); }
int32_t DllStop(void) { return guarded(1, [] { return engine().stop(); }); }
int32_t DllPause(void) { return guarded(0, [] { return engine().pause(); }); }
int32_t DllRestart(void) { return guarded(0, [] { return engine().restart(); }); }
int32_t DllSetRange(uint32_t start, uint32_t end, int32_t unit) {
  return guarded(0, [&] { return engine().setRange(start, end, unit); });
}
int32_t DllEnableLoop(int32_t flag) { return guarded(flag, [&] { return engine().enableLoop(flag); }); }
int32_t DllResetRange(void) { return guarded(0, [] { return engine().resetRange(); }); }
double DllSetRate(double rate) { return guarded(0.0, [&] { return engine().setRate(rate); }); }
double DllGetRate(void) { return engine().rate(); }
uint16_t DllGetPlayState(void) { return uint16_t(engine().state()); }
uint32_t DllGetSampleRate(void) { return engine().sampleRate(); }
uint16_t DllGetChannels(void) { return engine().channels(); }
int32_t DllSetPosition(uint32_t value, int32_t unit) {
  return guarded(0, [&] { return engine().setPosition(value, unit); });
}
uint32_t DllGetPosition(int32_t unit) { return engine().position(unit); }
int32_t DllIsLoaded(void) { return engine().isLoaded() ? 1 : 0; }
void DllClose(void) { guarded([] { engine().close(); }); }
const char *DllGetFileName(void) { return engine().fileName(); }
uint32_t DllGetTotalTime(void) { return engine().totalTime(); }
uint32_t DllGetState(void) { return engine().state(); }

int32_t DllConvertToPCM(void) { return guarded(0, [] { return engine().convertToPcm(); }); }
int32_t DllConvertToWave(const char *source, const char *destination) {
  return guarded(1, [&] { return engine().convertToWave(source, destination); });
}
void DllStopConvert(void) { engine().stopConvert(); }
int32_t DllGetProgress(void) { return engine().progress(); }

// A format the modifier cannot process leaves it empty: DllMS_Calc then writes nothing.
void DllMS_Init(const SonavelWaveFormat *format) {
  if (format) guarded([&] { engine().modifier().init(*format); });
}
int32_t DllMS_Calc(const uint8_t *input, int32_t inputLength, uint8_t *output, int32_t *outputLength) {
  return engine().modifier().process(input, inputLength, output, outputLength);
}
void DllMS_SetRate(double factor) {
  if (std::isnan(factor) || factor > 2.0 || factor < -2.0) return;
  auto &m = engine().modifier();
  if (factor == 1.0)
    m.setMode(1.0, sonavel::TimeScaleModifier::kNormal);
  else if (factor < 0)
    m.setMode(-factor, sonavel::TimeScaleModifier::kSlower);
  else
    m.setMode(factor, sonavel::TimeScaleModifier::kFaster);  // an advance of 0 is ignored there
}

int DllGetEventFd(void) { return engine().eventDescriptor(); }
int32_t DllDispatchEvents(void) {
  if (std::this_thread::get_id() != library.owner) return -1;
  return guarded(0, [] { return int32_t(engine().dispatch()); });
}

}  // extern "C"
