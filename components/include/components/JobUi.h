// What a long job sees of the user: the progress window, the notice window,
// message boxes, the model dialog, event pumping and the application-wide
// cancel flag. The windows, the command-line tool and the tests each
// implement it, so one job runs in all three.
#pragma once

#include <string>
#include <string_view>

namespace components {

// Message box kinds and button sets, as Ext_MessageBox takes them.
enum class MsgKind { Warning = 0, Error = 1, Information = 2, Confirmation = 3 };
enum MsgButtons : int { kButtonsYesNo = 3, kButtonsOk = 4, kButtonsYesNoCancel = 11 };
// Modal results.
enum MsgResult : int { kResultNone = 0, kResultOk = 1, kResultCancel = 2, kResultYes = 6, kResultNo = 7 };

class JobUi {
 public:
  virtual ~JobUi() = default;

  // The message text of a key; empty when the key is missing.
  virtual std::string text(std::string_view key) const = 0;
  // Ext_MessageBox: caption and text are keys; returns the pressed button.
  virtual int messageBox(std::string_view captionKey, std::string_view textKey, MsgKind kind, int buttons) = 0;

  // The progress window (texts are final, not keys). Opening it shows the
  // title with empty text lines and counters and both gauges at 0.
  virtual void progressOpen(const std::string &title) = 0;
  virtual void progressTitle(const std::string &title, bool alert) = 0;  // alert: red title bar
  virtual void progressLines(const std::string &directory, const std::string &fileName) = 0;
  virtual void progressCurrent(int percent, const std::string &label) = 0;
  virtual void progressTotal(int percent, const std::string &fileCount, const std::string &totalLabel) = 0;
  virtual void progressCancelVisible(bool visible) = 0;
  virtual void progressClose() = 0;

  // The notice window.
  virtual void noticeOpen(const std::string &message) = 0;
  virtual void noticeText(const std::string &message) = 0;
  virtual void noticeClose() = 0;

  // Lets pending events run: painting, the Cancel button, device messages.
  virtual void pump() = 0;

  // The model dialog: on "Start" writes the chosen name over the first
  // characters of the 8-byte model-name field and returns true.
  virtual bool chooseModel(char modelName[8]) = 0;

  // The application-wide cancel flag: the Cancel button sets it, each job
  // clears it at its start and reads it after every step.
  bool cancelRequested() const { return cancel_; }
  void clearCancel() { cancel_ = false; }
  void requestCancel() { cancel_ = true; }

 private:
  bool cancel_ = false;
};

// Label formats of the progress window.
// "%n": thousands separators and two decimals; the value is bytes / 1024.
std::string formatKbytes(double bytes);
// "%n / %n Kbyte(s)"
std::string kbytesLabel(double done, double all);
// "Total  %n / %n Kbyte(s)"
std::string totalKbytesLabel(double done, double all);
// "%d of %d file(s)"
std::string fileCountLabel(int current, int count);
// Percent for a gauge, truncated towards zero; 0 when all is 0.
int percentOf(double done, double all);

// The model dialog's one entry and its choice, shared by every implementation.
inline constexpr std::string_view kModelEntry = "Q417  ";
// Trims the entry and copies it over the first characters of the field;
// false (nothing written) when the trimmed text is longer than 8 characters.
bool applyModelChoice(std::string_view entry, char modelName[8]);

}  // namespace components
