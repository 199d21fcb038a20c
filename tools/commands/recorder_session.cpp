#include "recorder_session.h"

#include <cstdio>
#include <cstdlib>

#include "../ToolUi.h"

namespace tool {

bool RecorderSession::open(const Context &ctx, const char *command) {
  // The library finds its image through the environment on its first call.
  if (!ctx.image.empty()) ::setenv("Q417_IMAGE", ctx.image.c_str(), 1);
  if (ctx.image.empty()) {
    std::fprintf(stderr, "q417 %s: no image: give --image PATH or set Q417_IMAGE\n", command);
    return false;
  }
  io = recorder::makeLibraryFlashIo();
  ui = makeJobUi(ctx);
  if (!io->initialize()) {
    std::fprintf(stderr, "q417 %s: no recorder: %s cannot be opened as a chip image\n", command, ctx.image.c_str());
    return false;
  }
  uint16_t id = io->flashId();
  if (!link.geometry.setFromFlashId(id)) {
    std::fprintf(stderr, "q417 %s: unknown flash identifier 0x%04X\n", command, id);
    return false;
  }
  link.io = io.get();
  link.deviceOpen = true;
  link.connected = true;
  link.onDisconnect = [this] {
    link.deviceOpen = false;
    link.connected = false;
    link.indexed = false;
  };
  volume = std::make_unique<recorder::FlashVolume>(link, *ui);
  return true;
}

namespace {

// Length of the UTF-8 sequence at p, 0 when it is not one.
size_t utf8Length(std::string_view s, size_t i) {
  auto c = static_cast<unsigned char>(s[i]);
  size_t n = c < 0x80 ? 1 : (c >> 5) == 0x6 ? 2 : (c >> 4) == 0xE ? 3 : (c >> 3) == 0x1E ? 4 : 0;
  if (n == 0 || i + n > s.size()) return 0;
  for (size_t k = 1; k < n; ++k)
    if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80) return 0;
  return n;
}

}  // namespace

std::string jsonString(std::string_view s) {
  std::string out = "\"";
  for (size_t i = 0; i < s.size();) {
    auto c = static_cast<unsigned char>(s[i]);
    size_t n = utf8Length(s, i);
    if (c == '"' || c == '\\') {
      out += '\\';
      out += static_cast<char>(c);
      ++i;
    } else if (c < 0x20 || n == 0) {
      char buf[8];
      std::snprintf(buf, sizeof buf, "\\u%04x", c);
      out += buf;
      ++i;
    } else {
      out.append(s.substr(i, n));
      i += n;
    }
  }
  return out + "\"";
}

}  // namespace tool
