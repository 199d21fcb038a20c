#include "app/recorder/RecorderSide.h"

#include "app/MainWindow.h"
#include "app/QtJobUi.h"
#include "app/recorder/RecorderJobs.h"
#include "app/recorder/RecorderPanelWidget.h"

namespace app {

namespace {
constexpr const char *kObjectName = "RecorderSide";
}

RecorderSide::RecorderSide(TFrmMain &main, RecorderPanelWidget *widget)
    : QObject(&main), volume_(main.link(), main.jobUi()), widget_(widget), logic_(volume_, *widget) {
  setObjectName(kObjectName);
}

RecorderSide *RecorderSide::install(TFrmMain &main) {
  if (RecorderSide *existing = of(main)) return existing;
  auto *widget = new RecorderPanelWidget(main.statusPanel(3), main.memoryGauge());
  auto *side = new RecorderSide(main, widget);
  widget->setLogic(&side->logic_);
  main.setRecorderPanel(widget);
  main.setConnectionHooks(&side->logic_);
  connect(&main, &TFrmMain::recorderFolderFocusRequested, widget, &RecorderPanelWidget::focusFolder);
  connect(&main, &TFrmMain::recorderFoldersCollapseRequested, widget, &RecorderPanelWidget::collapseFolders);
  new RecorderJobs(main, *side);
  // Until the link first connects, the tree shows its folders from an empty image.
  side->logic_.BuildFlashFolder();
  return side;
}

RecorderSide *RecorderSide::of(TFrmMain &main) { return main.findChild<RecorderSide *>(kObjectName, Qt::FindDirectChildrenOnly); }

}  // namespace app
