#include "ui/Container_Form.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QFileInfo>
#include <QIcon>
#include <QKeySequence>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QScreen>

#include "ui/FormStyle.h"
#include "ui/KOVA_Form.h"

namespace kova {

namespace {

// A menu item's key is the desktop's standard key for its command where there is one (New,
// Open, Save, Save As, Print, Undo, Redo, Cut, Copy, Paste, Select All), so that those keys mean
// what they mean in every program; other commands have keys of their own that none of those use.
struct ItemDef {
  const char* name;  // nullptr: separator
  const char* caption;
  const char* shortcut;  // portable key text, "" for none or a standard key
  bool checkable = false;
  const char* statusTip = nullptr;
  QKeySequence::StandardKey standard = QKeySequence::UnknownKey;
};

const char* const kEditorModeTip =
    "Start in the System Editor instead of the start wizard; switched off, the wizard comes back at the next start";

struct MenuDef {
  const char* name;
  const char* caption;
  std::initializer_list<ItemDef> items;
};

const MenuDef kMenus[] = {
    {"File_Menu",
     "&File",
     {{"File_New", "&New Project", "", false, nullptr, QKeySequence::New},
      {"File_Open", "&Open Project", "", false, nullptr, QKeySequence::Open},
      {nullptr, nullptr, ""},
      {"File_Save", "&Save Project", "", false, nullptr, QKeySequence::Save},
      {"File_SaveAs", "Save Project &As", "", false, nullptr, QKeySequence::SaveAs},
      {nullptr, nullptr, ""},
      {"File_ExportProject", "&Export Project", ""},
      {nullptr, nullptr, ""},
      {"File_ImportScan", "Import S&can...", ""},
      {"File_ImportFrequencyList", "&Import Frequency List (CSV)...", ""},
      {"File_ExportFrequencyList", "Export &Frequency List (CSV)...", ""},
      {nullptr, nullptr, ""},
      {"File_SavePreset", "Save As &Preset", ""},
      {nullptr, nullptr, ""},
      {"File_CreatePrintVersion", "Create Print Version", "", false, nullptr, QKeySequence::Print},
      {"File_ExportPdf", "Export P&DF...", ""},
      {nullptr, nullptr, ""},
      {"File_Exit", "E&xit", ""}}},
    {"Edit_Menu",
     "&Edit",
     {{"Edit_Undo", "&Undo", "", false, nullptr, QKeySequence::Undo},
      {"Edit_Redo", "&Redo", "", false, nullptr, QKeySequence::Redo},
      {nullptr, nullptr, ""},
      {"Edit_Cut", "Cu&t", "", false, nullptr, QKeySequence::Cut},
      {"Edit_Copy", "&Copy", "", false, nullptr, QKeySequence::Copy},
      {"Edit_Paste", "&Paste", "", false, nullptr, QKeySequence::Paste},
      {nullptr, nullptr, ""},
      {"Edit_SelectAll", "Select &All", "", false, nullptr, QKeySequence::SelectAll}}},
    {"View_Menu",
     "&View",
     {{"View_SystemDesigner", "System &Designer", "Ctrl+D"},
      {nullptr, nullptr, ""},
      {"View_Editor", "System &Editor", "Ctrl+E"},
      {"View_Graphics", "&Spectrum Display", "Ctrl+M"},
      {"View_Zones", "&Zones...", ""},
      {nullptr, nullptr, ""},
      {"View_EditorMode", "Editor &Mode", "", true, kEditorModeTip}}},
    {"Calc_Menu", "&Calculate", {{"Calc_Check", "&Check", "F5"}, {"Calc_Generate", "&Generate", "Ctrl+G"}}},
    {"Help_Menu", "&Help", {{"Help_About", "&About", ""}}},
};

// The desktop's keys for a standard command; where the desktop names none for Save As and Redo,
// the keys most programs use.
QList<QKeySequence> StandardKeys(QKeySequence::StandardKey key) {
  QList<QKeySequence> keys = QKeySequence::keyBindings(key);
  const auto add = [&keys](const QKeySequence& k) {
    if (!keys.contains(k)) keys << k;
  };
  if (key == QKeySequence::SaveAs) add(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S));
  if (key == QKeySequence::Redo) {
    add(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z));
    add(QKeySequence(Qt::CTRL | Qt::Key_Y));
  }
  return keys;
}

}  // namespace

Container_Form::Container_Form(QWidget* parent) : QMainWindow(parent) {
  setObjectName(QStringLiteral("Container_Form"));
  ShowProjectFile(QString(), false);
  setWindowIcon(QIcon(VersionResource_Logo(64)));

  mdiArea_ = new QMdiArea(this);
  mdiArea_->setObjectName(QStringLiteral("MdiArea"));
  setCentralWidget(mdiArea_);

  BuildMenus();
  SetCommand(QStringLiteral("Help_About"), [this] { ShowAbout(); });
  SetCommand(QStringLiteral("File_Exit"), [this] { Unload(); });

  MN_ApplyFormStyle(this);
  // No larger than the screen, so that a small screen shows the whole frame.
  QSize size(1200, 740);
  if (screen()) size = size.boundedTo(screen()->availableGeometry().size());
  resize(size);
}

void Container_Form::BuildMenus() {
  for (const MenuDef& m : kMenus) {
    QMenu* menu = menuBar()->addMenu(QString::fromLatin1(m.caption));
    menu->setObjectName(QString::fromLatin1(m.name));
    for (const ItemDef& item : m.items) {
      if (!item.name) {
        menu->addSeparator();
        continue;
      }
      auto* action = new QAction(QString::fromLatin1(item.caption), this);
      const QString name = QString::fromLatin1(item.name);
      action->setObjectName(name);
      if (*item.shortcut) action->setShortcut(QKeySequence::fromString(QString::fromLatin1(item.shortcut)));
      if (item.standard != QKeySequence::UnknownKey) action->setShortcuts(StandardKeys(item.standard));
      action->setCheckable(item.checkable);
      if (item.statusTip) {
        // The frame has no status bar, so the menu shows the note as the item's tool tip too.
        action->setStatusTip(QString::fromLatin1(item.statusTip));
        action->setToolTip(action->statusTip());
        menu->setToolTipsVisible(true);
      }
      action->setEnabled(false);
      connect(action, &QAction::triggered, this, [this, name] { Run(name); });
      menu->addAction(action);
    }
  }
}

QAction* Container_Form::Action(const QString& name) const {
  return findChild<QAction*>(name, Qt::FindDirectChildrenOnly);
}

QMenu* Container_Form::Menu(const QString& name) const { return findChild<QMenu*>(name); }

bool Container_Form::SetCommand(const QString& name, std::function<void()> handler) {
  QAction* action = Action(name);
  if (!action) return false;
  action->setEnabled(static_cast<bool>(handler));
  handlers_[name] = std::move(handler);
  return true;
}

void Container_Form::Run(const QString& name) {
  emit aboutToRunCommand(name);
  auto it = handlers_.find(name);
  if (it != handlers_.end() && it->second) {
    auto handler = it->second;  // the handler may replace itself
    handler();
  }
  emit commandTriggered(name);
}

void Container_Form::ShowProjectFile(const QString& path, bool modified) {
  // The file name comes before the program's name, and "[*]" becomes "*" while the project has
  // unsaved changes: "show.kova* — KOVA".
  const QString name = path.isEmpty() ? QStringLiteral("Untitled") : QFileInfo(path).fileName();
  setWindowFilePath(path);
  setWindowTitle(name + QStringLiteral("[*] \u2014 KOVA"));
  if (isWindowModified() != modified) setWindowModified(modified);
}

QMdiSubWindow* Container_Form::AddChild(QWidget* child) { return mdiArea_->addSubWindow(child); }

void Container_Form::AddRefreshTarget(std::function<void(int)> target) {
  if (target) refreshTargets_.push_back(std::move(target));
}

void Container_Form::RefreshViews(int mode) {
  // A target may add another while it runs (a window created on first refresh): index, not iterators.
  for (size_t i = 0; i < refreshTargets_.size(); ++i) {
    auto target = refreshTargets_[i];
    target(mode);
  }
}

KOVA_Form* Container_Form::AboutBox() {
  if (!aboutBox_) aboutBox_ = new KOVA_Form(this);
  return aboutBox_;
}

void Container_Form::ShowAbout() {
  KOVA_Form* box = AboutBox();
  box->show();
  box->raise();
  box->activateWindow();
}

void Container_Form::Unload() {
  unloading_ = true;
  close();
  unloading_ = false;
}

void Container_Form::closeEvent(QCloseEvent* event) {
  // Only the user's own close asks the question; the program's Exit has asked it already.
  if (!unloading_ && queryClose && !queryClose()) {
    event->ignore();
    return;
  }
  emit closing();
  const QWidgetList windows = QApplication::topLevelWidgets();
  for (QWidget* w : windows)
    if (w != this && w->isVisible() && w->isWindow()) w->close();
  event->accept();
}

}  // namespace kova
