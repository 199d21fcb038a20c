// The job UI of the command-line tool: progress on standard error,
// questions answered Yes only when the user said so beforehand (--yes).
#pragma once

#include <functional>
#include <string>

#include "components/JobUi.h"

namespace components {

class TerminalJobUi : public JobUi {
 public:
  using TextLookup = std::function<std::string(std::string_view)>;
  TerminalJobUi(TextLookup texts, bool assumeYes, bool showProgress = true);

  std::string text(std::string_view key) const override;
  int messageBox(std::string_view captionKey, std::string_view textKey, MsgKind kind, int buttons) override;
  void progressOpen(const std::string &title) override;
  void progressTitle(const std::string &title, bool alert) override;
  void progressLines(const std::string &directory, const std::string &fileName) override;
  void progressCurrent(int percent, const std::string &label) override;
  void progressTotal(int percent, const std::string &fileCount, const std::string &totalLabel) override;
  void progressCancelVisible(bool) override {}
  void progressClose() override;
  void noticeOpen(const std::string &message) override;
  void noticeText(const std::string &message) override;
  void noticeClose() override;
  // Ctrl-C during a job becomes the Cancel button.
  void pump() override;
  bool chooseModel(char modelName[8]) override;

  // The last error text shown, for the tool's exit message.
  const std::string &lastError() const { return lastError_; }

 private:
  void draw();
  TextLookup texts_;
  bool yes_;
  bool show_;
  bool open_ = false;
  std::string title_, file_;
  int percent_ = 0;
  bool hasTotal_ = false;
  std::string label_;
  std::string lastError_;
};

}  // namespace components
