#include "ui/DesktopShell.h"

#include <QCloseEvent>
#include <QDir>
#include <QGuiApplication>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPlainTextEdit>
#include <QPointer>
#include <QSessionManager>
#include <QSettings>
#include <QTableWidget>
#include <QUndoStack>
#include <QStandardPaths>
#include <QTimer>
#include <algorithm>
#include <exception>
#include <functional>
#include <memory>

#include "app/ProgramSettings.h"
#include "app/Check.h"
#include "app/SpectrumPictures.h"
#include "tools/BinaryFile.h"
#include "app/AppState.h"
#include "app/CommandLine.h"
#include "app/Commands.h"
#include "app/PdfPrint.h"
#include "app/PrintDocument.h"
#include "app/ScanCommands.h"
#include "app/TextExport.h"
#include "reports/TextReports.h"
#include "tools/PlatformPort.h"
#include "tools/Tools.h"
#include "ui/ChannelClipboard.h"
#include "ui/CheckResults_Form.h"
#include "ui/Container_Form.h"
#include "ui/Main_Form.h"
#include "ui/ProjectHistory.h"
#include "ui/Display_Form.h"
#include "ui/ExportPdf_Form.h"
#include "ui/FlexGrid.h"
#include "ui/QtPort.h"
#include "ui/Report_Form.h"
#include "ui/SaveQuestion.h"
#include "ui/SelectSystem_Form.h"
#include "ui/TextView_Form.h"
#include "ui/Wizard_Form.h"
#include "ui/Zones_Form.h"

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

// The program's own settings, below the application directory (which ends with "/").
QString ConfigFile(const std::string& appDir) { return MN_SettingsFile(appDir); }

const QString kUserLevelKey = QStringLiteral("Program/userLevel");

// The frame's title follows the project's file and its modified flag. Most changes reach it at
// once: every view refresh (New, Open, the wizard's Start, edits that redraw) and every menu
// command (Save, Save As, ...) update it. Some edits set the flag without a refresh (sorting a
// table, the check boxes of the check panel), and later ones may too; a look four times a second
// catches those. It compares a string and a flag, so it costs nothing noticeable, and it spares
// every place that marks a change from knowing about the title.
void FollowProjectInTitle(Container_Form& frame, const AppState& app) {
  auto update = [form = &frame, state = &app] {
    form->ShowProjectFile(QString::fromStdString(state->projectPath), state->flags.projectModified);
  };
  update();
  frame.AddRefreshTarget([update](int) { update(); });
  QObject::connect(&frame, &Container_Form::commandTriggered, &frame, update);
  auto* poll = new QTimer(&frame);
  poll->setObjectName(QStringLiteral("Title_Tmr"));
  QObject::connect(poll, &QTimer::timeout, &frame, update);
  poll->start(250);
}

// Turns the close of a child window into hiding it, so that the window and its state stay.
class HideOnClose : public QObject {
 public:
  explicit HideOnClose(QObject* parent) : QObject(parent) {}

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::Close) {
      if (auto* w = qobject_cast<QWidget*>(watched)) w->hide();
      event->ignore();
      return true;
    }
    return QObject::eventFilter(watched, event);
  }
};

// A new child window as large as it asks, as far as the frame's area allows. The area puts it
// where it covers least, which may reach past its edge: it moves back into view whole.
void ShowWhole(Container_Form& frame, QMdiSubWindow* child) {
  const QSize area = frame.MdiArea()->viewport()->size();
  if (area.isEmpty()) return;
  child->resize(child->size().boundedTo(area));
  const int x = std::clamp(child->x(), 0, std::max(0, area.width() - child->width()));
  const int y = std::clamp(child->y(), 0, std::max(0, area.height() - child->height()));
  child->move(x, y);
}

}  // namespace

SpectrumPictureProvider MN_DisplayPictures(Container_Form& frame, AppState& app) {
  SpectrumPictureProvider pictures = MN_SpectrumPictureProvider(app);
  QPointer<Display_Form> display(frame.findChild<Display_Form*>());
  if (!display) return pictures;
  // With the display open, the document shows what it shows: its range, after its question.
  AppState* state = &app;
  pictures.askForLimits = [display] { return !display || display->AskForLimits(); };
  // The pictures of one document share one product generation.
  auto view = std::make_shared<SpectrumView>();
  pictures.draw = [display, state, view](int32_t iSystem, const std::string& pngPath) {
    std::vector<char> png;
    const DisplayMapping limits = display ? display->Mapping() : DisplayMapping();
    if (!MN_RenderSpectrumPng(*state->project, iSystem, kPrintPictureWidth, kPrintPictureHeight, png,
                              display ? &limits : nullptr, view.get(),
                              MN_PictureZoneOf(*state->project, iSystem)))
      return false;
    TL_WriteFileAtomic(pngPath, png);
    return true;
  };
  pictures.restore = [display] {
    if (display) display->PrepareTVStationPbx(false);
  };
  pictures.range = [display](DisplayMapping& range) {
    if (display) range = display->Mapping();
    return !display.isNull();
  };
  return pictures;
}

int MN_StoredUserLevel(const std::string& appDir) {
  return MN_ReadProgramSettings(ConfigFile(appDir)).userLevel;
}

void MN_StoreUserLevel(const std::string& appDir, int level) {
  // QSettings writes the whole file anew through a temporary file, keeping the other keys.
  if (MN_SettingsFileUsable(ConfigFile(appDir)))
    QSettings(ConfigFile(appDir), QSettings::IniFormat).setValue(kUserLevelKey, level);
}

void MN_ApplyUserLevel(const std::string& appDir, bool editorOption) {
  TL_SetUserLevel(editorOption ? 2 : MN_StoredUserLevel(appDir));
}

void MN_SetEditorMode(Container_Form& frame, const std::string& appDir, bool on) {
  MN_StoreUserLevel(appDir, on ? 2 : 0);
  if (on) TL_SetUserLevel(2);
  if (QAction* item = frame.Action(QStringLiteral("View_EditorMode"))) item->setChecked(on);
}

void MN_StartDesktop(Container_Form& frame, AppState& app, QtPort& port, const DesktopArgs& args) {
  MN_ApplyUserLevel(app.appDir, args.editor);
  MN_StartUp(app);
  MN_ConnectFrame(frame, app);
  MN_InstallFrameHooks(port, frame, app);
  frame.show();
  MN_CreateMainWindow(frame, app, port);
  MN_CreateDisplay(frame, app);
  MN_KeepWindowPlaces(frame, app.appDir);

  // A project named on the command line replaces the new project of the start-up; the start
  // wizard is for starting without one, outside editor mode.
  const bool opened = !args.project.empty() && MN_OpenFromCommandLine(app, args.project);
  if (opened)
    if (auto* history = frame.findChild<ProjectHistory*>()) history->Reset();
  if (!opened && !TL_IsExpert()) {
    QPointer<Container_Form> target(&frame);
    AppState* state = &app;
    QTimer::singleShot(0, &frame, [target, state] {
      if (target) MN_ShowStartWizard(*target, *state, 1);
    });
  }
}

namespace {

// Edit > Undo and Redo follow the history: their texts name the step, and they are enabled
// while there is one. Their keys work in the whole frame, except in a focused text box, which
// keeps its own undo (a table's cell editor hands it on, see FlexGrid).
void ConnectHistory(Container_Form& frame, ProjectHistory& history) {
  QUndoStack* stack = history.Stack();
  frame.SetCommand(QStringLiteral("Edit_Undo"), [stack] { stack->undo(); });
  frame.SetCommand(QStringLiteral("Edit_Redo"), [stack] { stack->redo(); });
  QAction* undo = frame.Action(QStringLiteral("Edit_Undo"));
  QAction* redo = frame.Action(QStringLiteral("Edit_Redo"));
  auto follow = [undo, redo, stack] {
    undo->setEnabled(stack->canUndo());
    redo->setEnabled(stack->canRedo());
    undo->setText(stack->canUndo() ? QStringLiteral("&Undo ") + stack->undoText() : QStringLiteral("&Undo"));
    redo->setText(stack->canRedo() ? QStringLiteral("&Redo ") + stack->redoText() : QStringLiteral("&Redo"));
  };
  follow();
  QObject::connect(stack, &QUndoStack::indexChanged, &frame, follow);
  QObject::connect(stack, &QUndoStack::cleanChanged, &frame, follow);
  // Every full refresh of the views follows a change (or an undo, which records nothing): the
  // changes made outside the main window (a drag in the display, a proposal used, an import)
  // become steps here.
  ProjectHistory* h = &history;
  frame.AddRefreshTarget([h](int mode) {
    if (mode == 1 || mode == 2) h->Record();
  });
  // A label set for a command that changed nothing must not name a later change.
  QObject::connect(&frame, &Container_Form::commandTriggered, h, [h] { h->ClearLabel(); });
}

}  // namespace

void MN_ConnectFrame(Container_Form& frame, AppState& app) {
  AppState* state = &app;
  Container_Form* form = &frame;
  auto* history = new ProjectHistory(app, &frame);
  ConnectHistory(frame, *history);
  // A new or opened project starts a new history; a saved one is its clean state.
  frame.SetCommand(QStringLiteral("File_New"), Command("File_New", [state, history] {
                     if (SaveQuestion::GoOn(*state) && MN_ReplaceByNewProject(*state)) history->Reset();
                   }));
  frame.SetCommand(QStringLiteral("File_Open"), Command("File_Open", [state, history] {
                     if (SaveQuestion::GoOn(*state) && MN_ChooseAndOpenProject(*state)) history->Reset();
                   }));
  frame.SetCommand(QStringLiteral("File_Save"), Command("File_Save", [state, history] {
                     if (MN_FileSave(*state)) history->MarkSaved();
                   }));
  frame.SetCommand(QStringLiteral("File_SaveAs"), Command("File_SaveAs", [state, history] {
                     if (MN_FileSaveAs(*state)) history->MarkSaved();
                   }));
  // Cut, Copy, Paste and Select All act on the widget that has the focus.
  const std::pair<const char*, EditAction> edits[] = {{"Edit_Cut", EditAction::kCut},
                                                      {"Edit_Copy", EditAction::kCopy},
                                                      {"Edit_Paste", EditAction::kPaste},
                                                      {"Edit_SelectAll", EditAction::kSelectAll}};
  for (const auto& [item, action] : edits)
    frame.SetCommand(QLatin1String(item), Command(item, [form, action = action] {
                       MN_RunEditAction(action, form->findChild<Main_Form*>());
                     }));
  frame.SetCommand(QStringLiteral("File_ExportProject"),
                   Command("MN_ExportProject", [state] { MN_ExportProject(*state, *state->project); }));
  frame.SetCommand(QStringLiteral("File_ImportScan"), Command("MN_ImportScan", [state] {
                     ProjectHistory::SetLabel(QStringLiteral("Import scan"));
                     MN_ImportScan(*state);
                   }));
  frame.SetCommand(QStringLiteral("File_ImportFrequencyList"), Command("MN_ImportFrequencyList", [state] {
                     ProjectHistory::SetLabel(QStringLiteral("Import frequency list"));
                     MN_ImportFrequencyList(*state);
                   }));
  frame.SetCommand(QStringLiteral("File_ExportFrequencyList"),
                   Command("MN_ExportFrequencyList", [state] { MN_ExportFrequencyList(*state); }));
  frame.SetCommand(QStringLiteral("File_SavePreset"),
                   Command("File_SavePreset", [state] { MN_FileSavePreset(*state); }));
  frame.SetCommand(QStringLiteral("File_CreatePrintVersion"), Command("MN_CreateRtfDocument", [state, form] {
                     MN_CreatePrintVersion(*state, MN_DisplayPictures(*form, *state));
                   }));
  // The choices of the PDF's dialog stay for the next export of this run.
  auto pdfOptions = std::make_shared<PdfOptions>();
  pdfOptions->paper = MN_LocalePaper();
  frame.SetCommand(QStringLiteral("File_ExportPdf"), Command("MN_ExportPdf", [state, form, pdfOptions] {
                     ExportPdf_Form dialog(form);
                     if (dialog.GShowDialog(*pdfOptions))
                       MN_ExportPdf(*state, *pdfOptions, MN_DisplayPictures(*form, *state));
                   }));
  frame.SetCommand(QStringLiteral("File_Exit"), Command("File_Exit", [state, form] {
                     if (SaveQuestion::GoOn(*state)) form->Unload();
                   }));
  frame.SetCommand(QStringLiteral("View_Graphics"), Command("View_Graphics", [state, form] {
                     Display_Form* display = MN_CreateDisplay(*form, *state);
                     if (auto* child = qobject_cast<QMdiSubWindow*>(display->parentWidget())) {
                       child->show();
                       // Shown whole: a display reaching below the frame's area moves up into it.
                       const QSize area = form->MdiArea()->viewport()->size();
                       const int bottom = child->y() + child->height();
                       if (bottom > area.height()) child->move(child->x(), std::max(0, area.height() - child->height()));
                       form->MdiArea()->setActiveSubWindow(child);
                     }
                     display->show();
                     MN_RefreshViews(2);
                   }));
  frame.SetCommand(QStringLiteral("View_Zones"), Command("View_Zones", [state, form] {
                     ProjectHistory::SetLabel(QStringLiteral("Change zones"));
                     Zones_Form dialog(*state->project, form);
                     if (dialog.GShowDialog()) {
                       TL_SetChanged(state->flags, true, false, false, false);
                       MN_RefreshViews(2);
                     }
                   }));
  frame.SetCommand(QStringLiteral("View_SystemDesigner"), Command("View_SystemDesigner", [state, form] {
                     MN_ShowStartWizard(*form, *state, MN_FindCurrentSystemType(*state));
                   }));
  frame.SetCommand(QStringLiteral("View_EditorMode"), Command("View_EditorMode", [state, form] {
                     QAction* item = form->Action(QStringLiteral("View_EditorMode"));
                     MN_SetEditorMode(*form, state->appDir, item && item->isChecked());
                   }));
  frame.Action(QStringLiteral("View_EditorMode"))->setChecked(TL_IsExpert());
  frame.SetCommand(QStringLiteral("Calc_Check"),
                   Command("MN_RunCheckToFile", [state] { MN_RunCheckToFile(*state, false); }));
  FollowProjectInTitle(frame, app);
  // New and Open refill every view.
  for (const char* item : {"File_New", "File_Open"}) {
    QObject::connect(&frame, &Container_Form::commandTriggered, &frame, [item](const QString& name) {
      if (name == QLatin1String(item)) MN_RefreshViews(2);
    });
  }

  // Only the user's own close of the frame asks; Exit has asked already and Unload skips it.
  frame.queryClose = [state] { return SaveQuestion::GoOn(*state); };

  // The end of the desktop session closes the program without a question.
  if (auto* gui = qobject_cast<QGuiApplication*>(QCoreApplication::instance())) {
    QObject::connect(gui, &QGuiApplication::commitDataRequest, &frame, [form](QSessionManager&) { form->Unload(); });
  }
}

Main_Form* MN_CreateMainWindow(Container_Form& frame, AppState& app, QtPort& port) {
  auto* window = new Main_Form(app);
  AppState* state = &app;
  window->showSystemDesigner = [window, state](int32_t position) {
    return MN_ShowSystemDesigner(window, *state, position);
  };
  QMdiSubWindow* child = frame.AddChild(window);
  child->setWindowIcon(frame.windowIcon());
  child->resize(window->size());
  // The main window lives as long as the frame: closing it only hides it.
  child->setAttribute(Qt::WA_DeleteOnClose, false);
  child->installEventFilter(new HideOnClose(child));
  QPointer<Main_Form> target(window);
  frame.AddRefreshTarget([target](int mode) {
    if (target) target->RefreshViews(mode);
  });
  QObject::connect(&frame, &Container_Form::aboutToRunCommand, window, [window] { window->EndEdits(); });
  QPointer<Container_Form> frameTarget(&frame);
  window->showCheckResults = [frameTarget, state] {
    if (frameTarget) MN_ShowCheckResults(*frameTarget, *state);
  };
  port.statusLightHook = [target](int picture) {
    if (target) target->SetStatusLight(picture);
  };
  frame.SetCommand(QStringLiteral("View_Editor"), Command("View_Editor", [child, &frame] {
                     child->show();
                     child->widget()->show();
                     frame.MdiArea()->setActiveSubWindow(child);
                     MN_RefreshViews(2);
                   }));
  frame.SetCommand(QStringLiteral("Calc_Check"), [target] {
    if (target) target->Check();
  });
  frame.SetCommand(QStringLiteral("Calc_Generate"), [target] {
    if (target) target->Generate();
  });
  // Undo and Redo in the context menu of both tables, and the clipboard in the channel table's.
  for (QTableWidget* table : {window->SetupGrid().Table(), window->SpectrumGrid().Table()}) {
    table->setContextMenuPolicy(Qt::ActionsContextMenu);
    for (const char* item : {"Edit_Undo", "Edit_Redo"})
      if (QAction* action = frame.Action(QLatin1String(item))) table->addAction(action);
  }
  for (const char* item : {"Edit_Cut", "Edit_Copy", "Edit_Paste", "Edit_SelectAll"})
    if (QAction* action = frame.Action(QLatin1String(item))) window->SetupGrid().Table()->addAction(action);
  child->show();
  child->move(0, 0);
  window->GOrganize();
  window->FitContent();
  return window;
}

namespace {

QString PlaceKey(const QMdiSubWindow* child) {
  return QStringLiteral("Windows/") + (child->widget() ? child->widget()->objectName() : QString());
}

void SavePlaces(Container_Form& frame, const QString& file) {
  if (!MN_SettingsFileUsable(file)) return;
  QSettings settings(file, QSettings::IniFormat);
  settings.setValue(QStringLiteral("Frame/geometry"), frame.saveGeometry());
  for (QMdiSubWindow* child : frame.MdiArea()->subWindowList()) {
    if (!child->widget() || child->widget()->objectName().isEmpty()) continue;
    settings.setValue(PlaceKey(child), child->geometry());
  }
}

}  // namespace

void MN_KeepWindowPlaces(Container_Form& frame, const std::string& appDir) {
  const QString file = ConfigFile(appDir);
  {
    const ProgramSettings settings = MN_ReadProgramSettings(file);
    if (!settings.frameGeometry.isEmpty()) frame.restoreGeometry(settings.frameGeometry);
    for (QMdiSubWindow* child : frame.MdiArea()->subWindowList()) {
      const auto place = settings.places.find(PlaceKey(child).mid(QStringLiteral("Windows/").size()));
      if (place != settings.places.end()) child->setGeometry(place->second);
    }
  }
  QPointer<Container_Form> target(&frame);
  QObject::connect(&frame, &Container_Form::closing, &frame, [target, file] {
    if (target) SavePlaces(*target, file);
  });
}

Display_Form* MN_CreateDisplay(Container_Form& frame, AppState& app) {
  if (auto* existing = frame.findChild<Display_Form*>()) return existing;
  auto* display = new Display_Form(app);
  QMdiSubWindow* child = frame.AddChild(display);
  // Closing the display hides it; View > Spectrum Display shows it again.
  child->setAttribute(Qt::WA_DeleteOnClose, false);
  child->setWindowIcon(frame.windowIcon());
  child->resize(child->sizeHint().expandedTo(child->minimumSizeHint()));
  QPoint place(0, 0);
  for (QMdiSubWindow* w : frame.MdiArea()->subWindowList()) {
    if (w->widget() && w->widget()->objectName() == QLatin1String("Main_Form"))
      place = QPoint(w->x(), w->y() + w->height());
  }
  child->move(place);
  child->hide();
  QPointer<Display_Form> target(display);
  // A hidden display draws nothing (nor generates products for nothing, which with hundreds of
  // channels would hold up every edit); View > Spectrum Display refreshes it when it shows.
  frame.AddRefreshTarget([target](int) {
    if (target && target->isVisible()) target->PrepareTVStationPbx(false);
  });
  return display;
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

CheckResults_Form* MN_ShowCheckResults(Container_Form& frame, AppState& app) {
  CheckResults_Form* window = nullptr;
  QMdiSubWindow* child = nullptr;
  for (QMdiSubWindow* w : frame.MdiArea()->subWindowList()) {
    if (auto* open = qobject_cast<CheckResults_Form*>(w->widget())) {
      window = open;
      child = w;
    }
  }
  const bool created = !window;
  if (created) {
    window = new CheckResults_Form(app);
    QPointer<Container_Form> target(&frame);
    window->checkAgain = [target] {
      if (target) target->Action(QStringLiteral("Calc_Check"))->trigger();
    };
    child = frame.AddChild(window);
    child->setAttribute(Qt::WA_DeleteOnClose);
    child->setWindowIcon(frame.windowIcon());
    child->resize(window->size());
  }
  window->PrepareResults();
  child->show();
  if (created) ShowWhole(frame, child);
  frame.MdiArea()->setActiveSubWindow(child);
  return window;
}

TextView_Form* MN_ShowTextFile(Container_Form& frame, const std::string& path) {
  auto* window = new TextView_Form;
  if (!window->LoadFile(path)) {
    delete window;
    TL_ShowInfo("The file " + path + " could not be read.");
    return nullptr;
  }
  QMdiSubWindow* child = frame.AddChild(window);
  child->setAttribute(Qt::WA_DeleteOnClose);
  child->setWindowIcon(frame.windowIcon());
  child->resize(window->size());
  child->show();
  ShowWhole(frame, child);
  frame.MdiArea()->setActiveSubWindow(child);
  window->Text()->setFocus();
  return window;
}

void MN_InstallFrameHooks(QtPort& port, Container_Form& frame, AppState& app) {
  QPointer<Container_Form> target(&frame);
  AppState* state = &app;
  port.showProposalsHook = [target, state](int32_t iReport) {
    if (target) MN_ShowProposalWindow(*target, *state, iReport);
  };
  port.showTextFileHook = [target](const std::string& path) {
    if (target) MN_ShowTextFile(*target, path);
  };
  port.refreshViewsHook = [target](int mode) {
    if (target) target->RefreshViews(mode);
  };
}

}  // namespace kova
