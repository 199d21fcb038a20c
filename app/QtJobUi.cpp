#include "app/QtJobUi.h"

#include <QCoreApplication>

#include "app/MessageBox.h"
#include "app/ModelDialog.h"
#include "app/NoticeWindow.h"
#include "app/ProgressWindow.h"

namespace app {

namespace {

QString q(const std::string &s) { return QString::fromStdString(s); }

}  // namespace

void QtJobUi::setProgressWindow(TFrmProgress *progress) { progress_ = progress; }
void QtJobUi::setNoticeWindow(TFrmShow *notice) { notice_ = notice; }
void QtJobUi::setModelDialog(TFrmModel *model) { model_ = model; }

QWidget *QtJobUi::dialogParent() const {
  if (progress_ && progress_->isVisible()) return progress_;
  if (notice_ && notice_->isVisible()) return notice_;
  if (main_ && main_->isEnabled()) return main_;
  return nullptr;
}

int QtJobUi::messageBox(std::string_view captionKey, std::string_view textKey, components::MsgKind kind,
                        int buttons) {
  return Ext_MessageBox(dialogParent(), texts_, captionKey, textKey, kind, buttons);
}

int QtJobUi::namedMessageBox(std::string_view captionKey, const std::string &prefix, std::string_view textKey,
                             components::MsgKind kind, int buttons) {
  return Ext_MessageBox(dialogParent(), texts_, captionKey, textKey, kind, buttons, prefix);
}

void QtJobUi::progressOpen(const std::string &title) {
  if (!progress_) return;
  progress_->setTitleAlert(false);
  progress_->m_LblTitle->setText(q(title));
  progress_->m_LblDirectory->clear();
  progress_->m_LblFileName->clear();
  progress_->m_GagCurrent->setValue(0);
  progress_->m_GagTotal->setValue(0);
  progress_->m_LblWriteByte->clear();
  progress_->m_LblFileCount->clear();
  progress_->m_LblTotalWriteByte->clear();
  progress_->button_cancel->setVisible(true);
  progress_->centre();
  progress_->show();
  progress_->raise();
}

void QtJobUi::progressTitle(const std::string &title, bool alert) {
  if (!progress_) return;
  progress_->m_LblTitle->setText(q(title));
  progress_->setTitleAlert(alert);
}

void QtJobUi::progressLines(const std::string &directory, const std::string &fileName) {
  if (!progress_) return;
  progress_->m_LblDirectory->setText(q(directory));
  progress_->m_LblFileName->setText(q(fileName));
}

void QtJobUi::progressCurrent(int percent, const std::string &label) {
  if (!progress_) return;
  progress_->m_GagCurrent->setValue(percent);
  progress_->m_LblWriteByte->setText(q(label));
}

void QtJobUi::progressTotal(int percent, const std::string &fileCount, const std::string &totalLabel) {
  if (!progress_) return;
  progress_->m_GagTotal->setValue(percent);
  progress_->m_LblFileCount->setText(q(fileCount));
  progress_->m_LblTotalWriteByte->setText(q(totalLabel));
}

void QtJobUi::progressCancelVisible(bool visible) {
  if (progress_) progress_->button_cancel->setVisible(visible);
}

void QtJobUi::progressClose() {
  if (!progress_) return;
  progress_->centre();
  progress_->close();
}

void QtJobUi::noticeOpen(const std::string &message) {
  if (!notice_) return;
  notice_->m_LblMessage->setText(q(message));
  notice_->centre();
  notice_->show();
  notice_->raise();
}

void QtJobUi::noticeText(const std::string &message) {
  if (notice_) notice_->m_LblMessage->setText(q(message));
}

void QtJobUi::noticeClose() {
  if (!notice_ || !notice_->isVisible()) return;
  notice_->centre();
  notice_->close();
}

void QtJobUi::pump() { QCoreApplication::processEvents(QEventLoop::AllEvents); }

bool QtJobUi::chooseModel(char modelName[8]) { return model_ && model_->chooseModel(modelName); }

}  // namespace app
