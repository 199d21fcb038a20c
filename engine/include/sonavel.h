/* Sonavel: plays one WAV or MP3 file at a time at 0.5 to 2 times its speed
 * with unchanged pitch, reports position and state, and converts MP3 files
 * to raw PCM or WAV files.
 *
 * Every function works on the one engine that exists while the library is
 * loaded, and (except the conversion's progress and stop) must be called on
 * the thread that loaded the library. Exported functions return 1 for
 * success and 0 for refusal; no C++ exception leaves the library.
 *
 * The output device hands finished buffers back through a queue that the
 * host drains on that thread: watch DllGetEventFd() in the event loop and
 * call DllDispatchEvents() whenever it is readable. Without dispatching,
 * playback stops advancing once the queued buffers (0.8 s) have played.
 *
 * Positions and ranges take a unit: 0 milliseconds, 1 sample frames.
 * States: 0 playing, 1 stopped, 2 paused.
 *
 * Environment: SONAVEL_OUTPUT=portaudio|virtual chooses the output (unset:
 * PortAudio when it has an output device, otherwise the virtual output in
 * real time); SONAVEL_VIRTUAL_SPEED sets the virtual output's speed against
 * real time (0: as fast as buffers arrive); SONAVEL_VIRTUAL_CAPTURE names a
 * file that receives every byte the virtual output plays. */
#ifndef SONAVEL_H
#define SONAVEL_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#define SONAVEL_API __attribute__((visibility("default")))

/* PCM wave format record, laid out as 18 packed bytes. */
#pragma pack(push, 1)
typedef struct SonavelWaveFormat {
  uint16_t formatTag;      /* 1 = PCM */
  uint16_t channels;
  uint32_t samplesPerSec;  /* Hz */
  uint32_t avgBytesPerSec;
  uint16_t blockAlign;     /* bytes per sample frame */
  uint16_t bitsPerSample;
  uint16_t extraSize;      /* 0 */
} SonavelWaveFormat;
#pragma pack(pop)

enum { SONAVEL_PLAYING = 0, SONAVEL_STOPPED = 1, SONAVEL_PAUSED = 2 };
enum { SONAVEL_UNIT_MS = 0, SONAVEL_UNIT_FRAMES = 1 };

/* Files and playback */
SONAVEL_API int32_t DllOpenFile(const char *path); /* by the last 3 characters: "wav" or "mp3" */
SONAVEL_API int32_t DllPlay(void);
SONAVEL_API int32_t DllStop(void);
SONAVEL_API int32_t DllPause(void);
SONAVEL_API int32_t DllRestart(void);
SONAVEL_API int32_t DllSetRange(uint32_t start, uint32_t end, int32_t unit);
SONAVEL_API int32_t DllEnableLoop(int32_t flag);
SONAVEL_API int32_t DllResetRange(void);
SONAVEL_API double DllSetRate(double rate); /* -2..2, 0 normal, 2 twice as fast, -2 half speed */
SONAVEL_API double DllGetRate(void);
SONAVEL_API uint16_t DllGetPlayState(void);
SONAVEL_API uint32_t DllGetSampleRate(void);
SONAVEL_API uint16_t DllGetChannels(void);
SONAVEL_API int32_t DllSetPosition(uint32_t value, int32_t unit); /* 1 moved, 0 ignored */
SONAVEL_API uint32_t DllGetPosition(int32_t unit);
SONAVEL_API int32_t DllIsLoaded(void);
SONAVEL_API void DllClose(void);
SONAVEL_API const char *DllGetFileName(void);
SONAVEL_API uint32_t DllGetTotalTime(void); /* milliseconds */
SONAVEL_API uint32_t DllGetState(void);

/* Conversions */
SONAVEL_API int32_t DllConvertToPCM(void); /* the open MP3 file to NAME.PCM beside it */
SONAVEL_API int32_t DllConvertToWave(const char *source, const char *destination); /* on a thread */
SONAVEL_API void DllStopConvert(void);
SONAVEL_API int32_t DllGetProgress(void); /* percent */

/* The time-scale modifier used directly */
SONAVEL_API void DllMS_Init(const SonavelWaveFormat *format);
SONAVEL_API int32_t DllMS_Calc(const uint8_t *input, int32_t inputLength, uint8_t *output, int32_t *outputLength);
SONAVEL_API void DllMS_SetRate(double factor); /* 1 normal, f > 0 f times as fast, -f 1/f times as fast */

/* The host's event loop */
SONAVEL_API int DllGetEventFd(void);           /* readable while buffer-done notifications wait */
SONAVEL_API int32_t DllDispatchEvents(void);   /* handles them; -1 when called on another thread */

#ifdef __cplusplus
}
#endif

#endif
