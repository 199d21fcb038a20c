#include "components/texts/Charset.h"

#include <iconv.h>

#include <cerrno>

namespace components {

std::string_view charsetEncoding(int charset) {
  switch (charset) {
    case 0: return "WINDOWS-1252";
    case 128: return "CP932";
    case 129: return "CP949";
    case 134: return "GBK";
    case 136: return "CP950";
    case 161: return "WINDOWS-1253";
    case 162: return "WINDOWS-1254";
    case 163: return "WINDOWS-1258";
    case 177: return "WINDOWS-1255";
    case 178: return "WINDOWS-1256";
    case 186: return "WINDOWS-1257";
    case 204: return "WINDOWS-1251";
    case 222: return "CP874";
    case 238: return "WINDOWS-1250";
    default: return "UTF-8";
  }
}

namespace {

constexpr std::string_view kReplacement = "\xEF\xBF\xBD";

class Converter {
 public:
  explicit Converter(std::string_view encoding) : cd_(iconv_open("UTF-8", std::string(encoding).c_str())) {}
  ~Converter() {
    if (ok()) iconv_close(cd_);
  }
  Converter(const Converter &) = delete;
  Converter &operator=(const Converter &) = delete;
  bool ok() const { return cd_ != reinterpret_cast<iconv_t>(-1); }

  std::string convert(std::string_view bytes) {
    std::string out;
    char buffer[1024];
    char *in = const_cast<char *>(bytes.data());
    size_t inLeft = bytes.size();
    while (inLeft > 0) {
      char *dst = buffer;
      size_t dstLeft = sizeof buffer;
      size_t r = iconv(cd_, &in, &inLeft, &dst, &dstLeft);
      out.append(buffer, static_cast<size_t>(dst - buffer));
      if (r != static_cast<size_t>(-1)) break;
      if (errno == E2BIG) continue;
      // EILSEQ or a sequence cut off at the end: replace one byte, go on.
      out += kReplacement;
      ++in;
      --inLeft;
      iconv(cd_, nullptr, nullptr, nullptr, nullptr);
    }
    char *dst = buffer;
    size_t dstLeft = sizeof buffer;
    iconv(cd_, nullptr, nullptr, &dst, &dstLeft);
    out.append(buffer, static_cast<size_t>(dst - buffer));
    return out;
  }

 private:
  iconv_t cd_;
};

}  // namespace

std::string decodeToUtf8(std::string_view bytes, std::string_view encoding) {
  Converter converter(encoding);
  if (converter.ok()) return converter.convert(bytes);
  Converter utf8("UTF-8");
  return utf8.ok() ? utf8.convert(bytes) : std::string(bytes);
}

}  // namespace components
