#include "components/ScriptedJobUi.h"

#include <algorithm>

namespace components {

std::string ScriptedJobUi::text(std::string_view key) const {
  auto it = texts.find(key);
  return it != texts.end() ? it->second : "[" + std::string(key) + "]";
}

int ScriptedJobUi::messageBox(std::string_view captionKey, std::string_view textKey, MsgKind kind, int buttons) {
  int answer = buttons == kButtonsOk ? kResultOk : kResultYes;
  if (!answers.empty()) {
    answer = answers.front();
    answers.pop_front();
  }
  messages.push_back({std::string(captionKey), std::string(textKey), kind, buttons, answer});
  events.push_back("message:" + std::string(textKey));
  return answer;
}

void ScriptedJobUi::progressOpen(const std::string &title) {
  progressShown = true;
  lastCurrent = lastTotal = 0;
  events.push_back("open:" + title);
}
void ScriptedJobUi::progressTitle(const std::string &title, bool alert) {
  events.push_back(std::string(alert ? "title!:" : "title:") + title);
}
void ScriptedJobUi::progressLines(const std::string &directory, const std::string &fileName) {
  events.push_back("lines:" + directory + "|" + fileName);
}
void ScriptedJobUi::progressCurrent(int percent, const std::string &label) {
  lastCurrent = percent;
  events.push_back("current:" + std::to_string(percent) + ":" + label);
}
void ScriptedJobUi::progressTotal(int percent, const std::string &fileCount, const std::string &totalLabel) {
  lastTotal = percent;
  events.push_back("total:" + std::to_string(percent) + ":" + fileCount + ":" + totalLabel);
}
void ScriptedJobUi::progressCancelVisible(bool visible) { events.push_back(visible ? "cancel:shown" : "cancel:hidden"); }
void ScriptedJobUi::progressClose() {
  progressShown = false;
  events.push_back("close");
}
void ScriptedJobUi::noticeOpen(const std::string &message) {
  noticeShown = true;
  events.push_back("notice:" + message);
}
void ScriptedJobUi::noticeText(const std::string &message) { events.push_back("notice-text:" + message); }
void ScriptedJobUi::noticeClose() {
  noticeShown = false;
  events.push_back("notice-close");
}
void ScriptedJobUi::pump() {
  if (++pumps == cancelAtPump) requestCancel();
}
bool ScriptedJobUi::chooseModel(char modelName[8]) {
  if (modelEntry.empty()) return false;
  return applyModelChoice(modelEntry, modelName);
}

bool ScriptedJobUi::showed(std::string_view textKey) const {
  return std::any_of(messages.begin(), messages.end(), [&](const Message &m) { return m.textKey == textKey; });
}

}  // namespace components
