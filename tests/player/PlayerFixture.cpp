#include "PlayerFixture.h"

#include <algorithm>
#include <cstring>

#include "testsupport/Files.h"
#include "voice/Codec.h"
#include "voice/VoiceHeader.h"

namespace playertest {

namespace fs = std::filesystem;
using components::wave::BufferListener;
using components::wave::DoneQueue;

PlayerRig::PlayerRig(RigOptions options) : ui_(options.ui ? options.ui : &ownUi) {
  lists.folder = temp.path();
  player::PlayerSetup setup{*ui_,
                            display,
                            buttons,
                            events,
                            lists,
                            queue,
                            [this](DoneQueue &q, BufferListener &l) {
                              auto d = std::make_unique<CountingOutput>(q, l);
                              d->inner.setSink([this](const uint8_t *data, size_t size) {
                                played.emplace_back(data, data + size);
                              });
                              out = d.get();
                              return d;
                            },
                            [this](DoneQueue &q, BufferListener &l) {
                              auto d = std::make_unique<components::wave::VirtualInput>(
                                  q, l, components::wave::VirtualInput::Clock::Driven);
                              in = d.get();
                              return d;
                            },
                            options.outputDevice,
                            mpeg,
                            wave,
                            options.recorder,
                            temp.path()};
  player = std::make_unique<player::Player>(setup);
}

PlayerRig::~PlayerRig() { player.reset(); }

bool PlayerRig::playOne() {
  if (!out->inner.playNext()) return false;
  queue.dispatch();
  events.runPosted();
  return true;
}

int PlayerRig::playAll() {
  int n = 0;
  while (playOne()) ++n;
  return n;
}

bool PlayerRig::recordOne() {
  if (!in->recordNext()) return false;
  queue.dispatch();
  return true;
}

fs::path PlayerRig::pcVoiceFile(const std::string &name, const std::vector<uint8_t> &data) {
  fs::path file = temp.path() / name;
  std::vector<uint8_t> bytes(voice::header::kSize);
  voice::MakeG729FileHeader(bytes.data(), 16, 8000, 1, file.string(), true);
  bytes.insert(bytes.end(), data.begin(), data.end());
  testsupport::writeFile(file, bytes);
  return file;
}

void PlayerRig::playPc(const std::string &name) {
  lists.active = 0;
  lists.pcName = name;
  player->OnBtnPlayClick();
}

std::vector<std::string> PlayerRig::messageKeys() const {
  std::vector<std::string> keys;
  for (const auto &m : ui_->messages) keys.push_back(m.textKey);
  return keys;
}

std::vector<uint8_t> decodeReference(const uint8_t *coded, size_t size) {
  voice::DecoderStream decoder;
  std::vector<uint8_t> pcm;
  for (size_t at = 0; at < size; at += voice::kCodedBlockBytes) {
    uint8_t chunk[voice::kCodedBlockBytes] = {};
    size_t n = std::min(voice::kCodedBlockBytes, size - at);
    std::memcpy(chunk, coded + at, n);
    const uint8_t *out = decoder.decode(chunk);
    pcm.insert(pcm.end(), out, out + voice::pcmBytesForCoded(n));
  }
  return pcm;
}

std::vector<uint8_t> joined(const std::vector<std::vector<uint8_t>> &buffers, size_t from) {
  std::vector<uint8_t> all;
  for (size_t i = from; i < buffers.size(); ++i) all.insert(all.end(), buffers[i].begin(), buffers[i].end());
  return all;
}

::testing::AssertionResult sameBytes(const std::vector<uint8_t> &got, const std::vector<uint8_t> &want) {
  size_t n = std::min(got.size(), want.size());
  size_t at = size_t(std::mismatch(got.begin(), got.begin() + long(n), want.begin()).first - got.begin());
  if (at == n && got.size() == want.size()) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << got.size() << " bytes against " << want.size() << ", first difference at "
                                       << at;
}

}  // namespace playertest
