#include "ui/QtPort.h"

#include <QApplication>
#include <QClipboard>
#include <QColorDialog>
#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QInputDialog>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QStandardPaths>
#include <QUrl>

#include "tools/Tools.h"
#include "ui/BusyForm.h"

namespace kova {

namespace {

QString Q(const std::string& s) { return QString::fromStdString(s); }

QString Caption(const std::string& title) { return title.empty() ? QString::fromLatin1(kAppTitle) : Q(title); }

}  // namespace

QStringList TL_QtNameFilters(const std::string& filter) {
  const QStringList parts = Q(filter).split(QLatin1Char('|'));
  QStringList result;
  for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
    QString description = parts[i].trimmed();
    QStringList patterns;
    for (const QString& p : parts[i + 1].split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
      const QString pattern = p.trimmed();
      if (pattern.isEmpty()) continue;
      patterns << (pattern == QLatin1String("*.*") ? QStringLiteral("*") : pattern);
    }
    if (patterns.isEmpty()) continue;
    // "Project (*.kova)": the dialog reads the patterns from the last parentheses, so the
    // description's own list is replaced by the real one.
    if (description.endsWith(QLatin1Char(')'))) {
      const qsizetype open = description.lastIndexOf(QLatin1Char('('));
      if (open >= 0) description = description.left(open).trimmed();
    }
    const QString list = patterns.join(QLatin1Char(' '));
    result << (description.isEmpty() ? list : description + QStringLiteral(" (") + list + QLatin1Char(')'));
  }
  if (result.isEmpty()) result << QStringLiteral("All files (*)");
  return result;
}

int32_t TL_ColorToLong(int red, int green, int blue) { return red + 256 * green + 65536 * blue; }

void TL_LongToColor(int32_t color, int& red, int& green, int& blue) {
  red = color & 0xFF;
  green = (color >> 8) & 0xFF;
  blue = (color >> 16) & 0xFF;
}

void TL_DesktopOpen(const QString& file, std::function<void()> onFailure) {
  const QString opener = QStandardPaths::findExecutable(QStringLiteral("xdg-open"));
  if (opener.isEmpty()) {
    if (!QDesktopServices::openUrl(QUrl::fromLocalFile(file)) && onFailure) onFailure();
    return;
  }
  // The process lives on its own until it ends: xdg-open may wait for the program it started.
  auto* process = new QProcess;
  process->setStandardOutputFile(QProcess::nullDevice());
  process->setStandardErrorFile(QProcess::nullDevice());
  QObject::connect(process, &QProcess::errorOccurred, process, [process, onFailure](QProcess::ProcessError error) {
    // A process that started reports its end through finished.
    if (error != QProcess::FailedToStart) return;
    process->deleteLater();
    if (onFailure) onFailure();
  });
  QObject::connect(process, &QProcess::finished, process,
                   [process, onFailure](int exitCode, QProcess::ExitStatus status) {
                     process->deleteLater();
                     if ((status != QProcess::NormalExit || exitCode != 0) && onFailure) onFailure();
                   });
  process->start(opener, {file});
}

QtPort::QtPort() : desktopOpen(TL_DesktopOpen) {}
QtPort::~QtPort() = default;

int QtPort::messageBox(const std::string& text, const std::string& title, MsgKind kind) {
  QMessageBox box(QApplication::activeWindow());
  box.setWindowTitle(Caption(title));
  // Texts break their lines with CR as the desktop boxes did; the label wants LF.
  QString shown = Q(text);
  shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n")).replace(QLatin1Char('\r'), QLatin1Char('\n'));
  box.setText(shown);
  int escapeAnswer = kCancel;
  switch (kind) {
    case MsgKind::Info:
      box.setIcon(QMessageBox::Information);
      box.setStandardButtons(QMessageBox::Ok);
      escapeAnswer = kOk;
      break;
    case MsgKind::OkCancel:
      box.setIcon(QMessageBox::Question);
      box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
      break;
    case MsgKind::YesNo:
      box.setIcon(QMessageBox::Question);
      box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
      escapeAnswer = kNo;
      break;
    case MsgKind::YesNoCancel:
      box.setIcon(QMessageBox::Question);
      box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
      break;
  }
  box.exec();
  switch (box.standardButton(box.clickedButton())) {
    case QMessageBox::Ok: return kOk;
    case QMessageBox::Cancel: return kCancel;
    case QMessageBox::Yes: return kYes;
    case QMessageBox::No: return kNo;
    default: return escapeAnswer;
  }
}

bool QtPort::inputBox(const std::string& prompt, const std::string& title, std::string& value) {
  bool ok = false;
  const QString text = QInputDialog::getText(QApplication::activeWindow(), Caption(title), Q(prompt),
                                             QLineEdit::Normal, Q(value), &ok);
  if (!ok) return false;
  value = text.toStdString();
  return true;
}

bool QtPort::fileDialog(FileDialogRequest& request) {
  const QStringList filters = TL_QtNameFilters(request.filter);
  QFileDialog dialog(QApplication::activeWindow(), Q(request.title));
  dialog.setAcceptMode(request.save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
  dialog.setFileMode(request.save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
  dialog.setOption(QFileDialog::DontConfirmOverwrite, true);
  dialog.setNameFilters(filters);
  if (request.filterIndex >= 1 && request.filterIndex <= filters.size())
    dialog.selectNameFilter(filters[request.filterIndex - 1]);

  const std::string directory = TL_GetDirectory(request.initialPath);
  const std::string name = TL_GetFileName(request.initialPath);
  if (!request.initialPath.empty() && directory != request.initialPath) dialog.setDirectory(Q(directory));
  if (!name.empty()) dialog.selectFile(Q(name));

  if (dialog.exec() != QDialog::Accepted) return false;
  const QStringList chosen = dialog.selectedFiles();
  if (chosen.isEmpty() || chosen.first().isEmpty()) return false;
  request.chosenPath = chosen.first().toStdString();
  const qsizetype index = filters.indexOf(dialog.selectedNameFilter());
  if (index >= 0) request.filterIndex = static_cast<int>(index) + 1;
  return true;
}

bool QtPort::chooseColor(int32_t& color) {
  int r = 255, g = 255, b = 255;
  if (color >= 0 && color <= 0xFFFFFF) TL_LongToColor(color, r, g, b);
  const QColor chosen = QColorDialog::getColor(QColor(r, g, b), QApplication::activeWindow());
  if (!chosen.isValid()) return false;
  color = TL_ColorToLong(chosen.red(), chosen.green(), chosen.blue());
  return true;
}

void QtPort::openFile(const std::string& path, const std::string& workingDirectory) {
  QString file = Q(path);
  if (QFileInfo(file).isRelative() && !workingDirectory.empty()) file = QDir(Q(workingDirectory)).filePath(file);
  file = QFileInfo(file).absoluteFilePath();
  if (!desktopOpen) {
    NotOpened(file.toStdString());
    return;
  }
  std::weak_ptr<int> alive = alive_;
  desktopOpen(file, [this, alive, path = file.toStdString()] {
    if (!alive.expired()) NotOpened(path);
  });
}

void QtPort::NotOpened(const std::string& path) {
  // Logs, text reports and frequency lists are text the program shows itself; a document (the
  // print document, a PDF) needs a program of its own, so the user is told where it is instead.
  const std::string ext = TL_ToLower(TL_GetExtension(TL_GetFileName(path)));
  const bool text = ext == "txt" || ext == "log" || ext == "csv";
  if (text && showTextFileHook) {
    showTextFileHook(path);
    return;
  }
  const std::string said = ext == "rtf"   ? "The print document was written to " + path + "."
                           : ext == "pdf" ? "The PDF document was written to " + path + "."
                                          : "The file " + path + " was written.";
  QMessageBox box(QApplication::activeWindow());
  box.setWindowTitle(Caption(""));
  box.setIcon(QMessageBox::Information);
  box.setText(Q(said + " No program to open it was found."));
  box.setStandardButtons(QMessageBox::Ok);
  QPushButton* folder = box.addButton(QStringLiteral("Open Folder"), QMessageBox::ActionRole);
  folder->setObjectName(QStringLiteral("OpenFolder_Cbt"));
  QPushButton* copy = box.addButton(QStringLiteral("Copy Path"), QMessageBox::ActionRole);
  copy->setObjectName(QStringLiteral("CopyPath_Cbt"));
  box.exec();
  const QString file = Q(path);
  if (box.clickedButton() == copy) {
    QGuiApplication::clipboard()->setText(file);
  } else if (box.clickedButton() == folder && desktopOpen) {
    std::weak_ptr<int> alive = alive_;
    desktopOpen(QFileInfo(file).absolutePath(), [this, alive, file] {
      if (alive.expired()) return;
      QGuiApplication::clipboard()->setText(file);
      messageBox("No program to show the folder was found. The path " + file.toStdString() +
                     " was copied to the clipboard.",
                 "", MsgKind::Info);
    });
  }
}

BusyForm& QtPort::busyForm() {
  if (!busyForm_) busyForm_ = std::make_unique<BusyForm>(this);
  return *busyForm_;
}

bool QtPort::busy(const std::string& text, double& fraction, int32_t flags) {
  return busyForm().BUSY(text, fraction, flags);
}

void QtPort::abortBusy() {
  if (busyForm_) busyForm_->abortbusy();
}

void QtPort::setStatusLight(int picture) {
  if (statusLightHook) statusLightHook(picture);
}

bool QtPort::isFormLoaded(const std::string& formName) {
  if (formLoadedHook) return formLoadedHook(formName);
  const QString name = Q(formName);
  const QWidgetList widgets = QApplication::allWidgets();
  for (const QWidget* w : widgets)
    if (w->objectName() == name) return true;
  return false;
}

void QtPort::refreshViews(int mode) {
  if (refreshViewsHook) refreshViewsHook(mode);
}

void QtPort::showProposals(int32_t reportNumber) {
  if (showProposalsHook) showProposalsHook(reportNumber);
}

}  // namespace kova
