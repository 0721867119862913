#include "ui/DesktopShell.h"

#include <QDir>
#include <QGuiApplication>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPointer>
#include <QSessionManager>
#include <QStandardPaths>
#include <exception>
#include <functional>

#include "app/Check.h"
#include "app/AppState.h"
#include "app/Commands.h"
#include "app/ScanCommands.h"
#include "app/TextExport.h"
#include "reports/TextReports.h"
#include "tools/PlatformPort.h"
#include "tools/Tools.h"
#include "ui/Container_Form.h"
#include "ui/QtPort.h"
#include "ui/Report_Form.h"

namespace kova {

std::string MN_DesktopAppDirectory() {
  QString dir = qEnvironmentVariable("KOVA_HOME");
  if (dir.isEmpty()) {
    const QString base = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    if (base.isEmpty()) return TL_DefaultAppDirectory();
    dir = QDir(base).filePath(QStringLiteral("KOVA"));
  }
  QDir().mkpath(dir);
  return TL_AddBackslash(dir.toStdString());
}

namespace {

// Runs a menu command; an error that reaches the menu is reported like those of the commands
// themselves, and a progress box left open by it is closed.
std::function<void()> Command(const char* routine, std::function<void()> action) {
  return [routine, action = std::move(action)] {
    try {
      action();
    } catch (const std::exception& e) {
      TL_Port().abortBusy();
      TL_ReportError(routine, e);
    }
  };
}

}  // namespace

void MN_ConnectFrame(Container_Form& frame, AppState& app) {
  AppState* state = &app;
  Container_Form* form = &frame;
  frame.SetCommand(QStringLiteral("File_New"), Command("File_New", [state] { MN_FileNew(*state); }));
  frame.SetCommand(QStringLiteral("File_Open"), Command("File_Open", [state] { MN_FileOpen(*state); }));
  frame.SetCommand(QStringLiteral("File_Save"), Command("File_Save", [state] { MN_FileSave(*state); }));
  frame.SetCommand(QStringLiteral("File_SaveAs"), Command("File_SaveAs", [state] { MN_FileSaveAs(*state); }));
  frame.SetCommand(QStringLiteral("File_ExportProject"),
                   Command("MN_ExportProject", [state] { MN_ExportProject(*state, *state->project); }));
  frame.SetCommand(QStringLiteral("File_ImportScan"), Command("MN_ImportScan", [state] { MN_ImportScan(*state); }));
  frame.SetCommand(QStringLiteral("File_ImportFrequencyList"),
                   Command("MN_ImportFrequencyList", [state] { MN_ImportFrequencyList(*state); }));
  frame.SetCommand(QStringLiteral("File_ExportFrequencyList"),
                   Command("MN_ExportFrequencyList", [state] { MN_ExportFrequencyList(*state); }));
  frame.SetCommand(QStringLiteral("File_SavePreset"),
                   Command("File_SavePreset", [state] { MN_FileSavePreset(*state); }));
  frame.SetCommand(QStringLiteral("File_Exit"), Command("File_Exit", [state, form] {
                     if (MN_FileExit(*state)) form->Unload();
                   }));
  frame.SetCommand(QStringLiteral("Calc_Check"),
                   Command("MN_RunCheckToFile", [state] { MN_RunCheckToFile(*state, false); }));

  // Only the user's own close of the frame asks; Exit has asked already and Unload skips it.
  frame.queryClose = [state] { return MN_QueryClose(*state, true); };

  // The end of the desktop session closes the program without a question.
  if (auto* gui = qobject_cast<QGuiApplication*>(QCoreApplication::instance())) {
    QObject::connect(gui, &QGuiApplication::commitDataRequest, &frame, [form](QSessionManager&) { form->Unload(); });
  }
}

Report_Form* MN_ShowProposalWindow(Container_Form& frame, AppState& app, int32_t iReport) {
  auto* window = new Report_Form(app);
  QMdiSubWindow* child = frame.AddChild(window);
  child->setAttribute(Qt::WA_DeleteOnClose);
  child->setWindowIcon(frame.windowIcon());
  child->resize(window->size());
  window->GShowReport(iReport);
  child->show();
  frame.MdiArea()->setActiveSubWindow(child);
  return window;
}

void MN_InstallFrameHooks(QtPort& port, Container_Form& frame, AppState& app) {
  QPointer<Container_Form> target(&frame);
  AppState* state = &app;
  port.showProposalsHook = [target, state](int32_t iReport) {
    if (target) MN_ShowProposalWindow(*target, *state, iReport);
  };
  port.refreshViewsHook = [target](int mode) {
    if (target) target->RefreshViews(mode);
  };
}

}  // namespace kova
