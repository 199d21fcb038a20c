// A job UI for tests: answers message boxes from a script, cancels at a
// chosen pump, and records everything the job showed.
#pragma once

#include <deque>
#include <map>
#include <string>
#include <vector>

#include "components/JobUi.h"

namespace components {

class ScriptedJobUi : public JobUi {
 public:
  struct Message {
    std::string captionKey, textKey;
    MsgKind kind;
    int buttons;
    int answer;
  };

  // Texts that text() returns; a missing key gives its own name in brackets,
  // so that tests can see which key was used.
  std::map<std::string, std::string, std::less<>> texts;
  // Answers to message boxes, in order; when empty: Yes for questions, OK otherwise.
  std::deque<int> answers;
  // Sets the cancel flag during the n-th pump (1-based; 0: never).
  int cancelAtPump = 0;
  // Model dialog: the entry chosen, or empty for "Cancel".
  std::string modelEntry = std::string(kModelEntry);

  std::vector<Message> messages;
  std::vector<std::string> events;  // "open:title", "current:50:label", ...
  int pumps = 0;
  bool progressShown = false, noticeShown = false;
  int lastCurrent = 0, lastTotal = 0;

  std::string text(std::string_view key) const override;
  int messageBox(std::string_view captionKey, std::string_view textKey, MsgKind kind, int buttons) override;
  void progressOpen(const std::string &title) override;
  void progressTitle(const std::string &title, bool alert) override;
  void progressLines(const std::string &directory, const std::string &fileName) override;
  void progressCurrent(int percent, const std::string &label) override;
  void progressTotal(int percent, const std::string &fileCount, const std::string &totalLabel) override;
  void progressCancelVisible(bool visible) override;
  void progressClose() override;
  void noticeOpen(const std::string &message) override;
  void noticeText(const std::string &message) override;
  void noticeClose() override;
  void pump() override;
  bool chooseModel(char modelName[8]) override;

  // True when a message box with this text key was shown.
  bool showed(std::string_view textKey) const;
};

}  // namespace components
