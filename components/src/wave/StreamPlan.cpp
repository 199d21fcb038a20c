#include "StreamPlan.h"

namespace components::wave {

namespace {
PaSampleFormat sampleFormat(uint16_t bits) {
  switch (bits) {
    case 8: return paUInt8;
    case 16: return paInt16;
    case 24: return paInt24;
    case 32: return paInt32;
    default: return 0;
  }
}
}  // namespace

std::optional<StreamPlan> planStream(const PortAudioSession &session, StreamDirection direction,
                                     const PcmFormat &format, uint32_t preferredRate) {
  if (!session.ok()) return std::nullopt;
  const PaSampleFormat sf = sampleFormat(format.bitsPerSample);
  if (sf == 0 || format.channels == 0 || format.sampleRate == 0) return std::nullopt;
  const bool input = direction == StreamDirection::Input;
  StreamPlan plan;
  plan.params.device = input ? session.inputDevice() : session.outputDevice();
  const PaDeviceInfo *info = plan.params.device >= 0 ? Pa_GetDeviceInfo(plan.params.device) : nullptr;
  if (!info) return std::nullopt;
  plan.params.channelCount = format.channels;
  plan.params.sampleFormat = sf;
  plan.params.suggestedLatency = input ? info->defaultHighInputLatency : info->defaultHighOutputLatency;

  QuietStderr quiet;
  auto takes = [&](uint32_t rate) {
    PaStreamParameters p = plan.params;
    if (rate != format.sampleRate) p.sampleFormat = paFloat32;
    return Pa_IsFormatSupported(input ? &p : nullptr, input ? nullptr : &p, rate) == paFormatIsSupported;
  };
  plan.deviceRate = chooseDeviceRate(format.sampleRate, preferredRate, info->defaultSampleRate, takes);
  if (plan.deviceRate == 0) return std::nullopt;
  plan.convert = plan.deviceRate != format.sampleRate;
  if (plan.convert) plan.params.sampleFormat = paFloat32;
  return plan;
}

}  // namespace components::wave
