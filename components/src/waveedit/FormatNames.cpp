#include "components/waveedit/FormatNames.h"

#include <cstdio>

namespace components {

namespace {

struct TagName {
  uint16_t tag;
  const char *name;
};

constexpr TagName kTagNames[] = {
    {0, "UNKNOWN"},
    {2, "ADPCM"},
    {3, "MEDIAVISION_ADPCM"},
    {5, "IBM_CVSD"},
    {6, "ALAW"},
    {7, "MULAW"},
    {16, "OKI_ADPCM"},
    {17, "DVI_ADPCM/IMA_ADPCM"},
    {18, "MEDIASPACE_ADPCM"},
    {19, "SIERRA_ADPCM"},
    {20, "G723_ADPCM"},
    {21, "DIGISTD"},
    {22, "DIGIFIX"},
    {23, "DIALOGIC_OKI_ADPCM"},
    {32, "YAMAHA_ADPCM"},
    {33, "SONARC"},
    {34, "DSPGROUP_TRUESPEECH"},
    {35, "ECHOSC1"},
    {36, "AUDIOFILE_AF36"},
    {37, "APTX"},
    {38, "AUDIOFILE_AF10"},
    {48, "DOLBY_AC2/DOLBYAC2"},
    {49, "GSM610"},
    {51, "ANTEX_ADPCME"},
    {52, "CONTROL_RES_VQLPC"},
    {53, "DIGIREAL"},
    {54, "DIGIADPCM"},
    {55, "CONTROL_RES_CR10"},
    {56, "NMS_VBXADPCM"},
    {57, "CS_IMAADPCM"},
    {64, "G721_ADPCM"},
    {80, "MPEG"},
    {85, "MPEG_LAYER3"},
    {512, "CREATIVE_ADPCM"},
    {514, "CREATIVE_FASTSPEECH8"},
    {515, "CREATIVE_FASTSPEECH10"},
    {516, "CDIC"},
    {517, "CDIB"},
    {518, "ADPCME"},
    {521, "DOLBY_AC2_REVA"},
    {522, "G728_CELP"},
    {523, "AAUDIT"},
    {524, "PCM32"},
    {768, "FM_TOWNS_SND"},
    {4096, "OLIGSM"},
    {4097, "OLIADPCM"},
    {4098, "OLICELP"},
    {4099, "OLISBC"},
    {4100, "OLIOPR"},
};

std::string rateAndBits(const char *prefix, const WaveFormat &format) {
  char text[64];
  std::snprintf(text, sizeof text, "[%s%uK/%uBit]", prefix, static_cast<unsigned>(format.sampleRate / 1000),
                static_cast<unsigned>(format.bitsPerSample));
  return text;
}

}  // namespace

std::string get_format(const WaveFormat &format) {
  if (format.channels == 2) return rateAndBits("STEREO/", format);
  uint16_t tag = format.formatTag == kWaveFormatExtensible ? format.subFormatTag : format.formatTag;
  if (tag == kWaveFormatPcm) return rateAndBits("", format);
  for (const TagName &entry : kTagNames)
    if (entry.tag == tag) return entry.name;
  return "<?> ";
}

}  // namespace components
