// The job UI of the windows: the progress window, the notice window, the
// model dialog and Ext_MessageBox, so that the jobs of every subsystem run
// in the GUI as they run in the tool and the tests.
#pragma once

#include <QPointer>
#include <QWidget>

#include "components/JobUi.h"
#include "components/texts/MessageTexts.h"
#include "recorder/jobs/Messages.h"

namespace app {

class TFrmProgress;
class TFrmShow;
class TFrmModel;

class QtJobUi : public components::JobUi, public recorder::jobs::NamedMessageUi {
 public:
  explicit QtJobUi(const components::MessageTexts &texts) : texts_(texts) {}

  // The windows join as start-up creates them.
  void setMainWindow(QWidget *main) { main_ = main; }
  void setProgressWindow(TFrmProgress *progress);
  void setNoticeWindow(TFrmShow *notice);
  void setModelDialog(TFrmModel *model);

  std::string text(std::string_view key) const override { return texts_.text(key); }
  int messageBox(std::string_view captionKey, std::string_view textKey, components::MsgKind kind,
                 int buttons) override;
  int namedMessageBox(std::string_view captionKey, const std::string &prefix, std::string_view textKey,
                      components::MsgKind kind, int buttons) override;
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

  // The window a message box belongs to: a shown job window, else the main
  // window while it is enabled (a box owned by a disabled window could not
  // be answered).
  QWidget *dialogParent() const;

 private:
  const components::MessageTexts &texts_;
  QPointer<QWidget> main_;
  QPointer<TFrmProgress> progress_;
  QPointer<TFrmShow> notice_;
  QPointer<TFrmModel> model_;
};

}  // namespace app
