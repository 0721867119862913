#include "app/Check.h"

#include <filesystem>
#include <system_error>
#include <utility>
#include <vector>

#include "engine/BestCompatible.h"
#include "engine/TcCheckHandler.h"
#include "engine/TcIMFrequencyBuffer.h"
#include "app/AppState.h"
#include "app/CheckConflicts.h"
#include "tools/PlatformPort.h"
#include "tools/TextFile.h"
#include "tools/Tools.h"

namespace kova {

namespace {

const char kCR[] = "\r";

std::string ReplaceAll(std::string text, char from, char to) {
  for (char& c : text)
    if (c == from) c = to;
  return text;
}

}  // namespace

bool MN_RunCheck(AppState& app, bool bMessage, bool bFullCheck, bool bUpdatePic, TextSink* log) {
  if (bUpdatePic && !TL_IsFormLoaded("Main_Form")) bUpdatePic = false;
  if (bUpdatePic) TL_Port().setStatusLight(1);
  TcCheckHandler handler;
  handler.GInit(log, bUpdatePic, bMessage, bFullCheck);
  std::vector<CheckConflict> conflicts;
  handler.GCollect(&conflicts);
  // The check that stops at the first problem runs on every move of a drag: it shares the
  // products the display shows, which follow a moving channel cheaply.
  if (!bFullCheck && app.productTracker) {
    app.project->RunChecks(handler, *app.productTracker);
  } else {
    app.project->RunChecks(handler);
  }
  MN_KeepConflicts(app, std::move(conflicts), bFullCheck, app.flags.changes);
  if (bMessage && !handler.GbIncompatible()) TL_ShowInfo("Everything is fine!", kAppTitle);
  return !handler.GbIncompatible();
}

void TL_BestCompatibleSystem(AppState& app, TextSink& log) {
  TL_BestCompatibleSystem(*app.project, app.project->GlCurr(), log, TL_Port());
}

std::string MN_CheckLogName(const std::string& date, const std::string& time) {
  std::string name = "Check " + ReplaceAll(date, '.', '-') + " " + ReplaceAll(time, ':', '-') + ".log";
  return ReplaceAll(ReplaceAll(name, '\\', '-'), '/', '-');
}

CheckRunResult MN_RunCheckToFile(AppState& app, bool bUpdatePic, const std::string& logPathOverride) {
  CheckRunResult result;
  TextWriter writer;
  try {
    const std::string date = TL_Port().shortDate();
    const std::string time = TL_Port().shortTime();
    std::string folder;
    std::string name;
    if (logPathOverride.empty()) {
      folder = app.CheckDir();
      std::error_code ec;
      std::filesystem::create_directories(folder, ec);
      if (ec || !TL_DirExists(folder)) throw KovaError(76, "Path not found");
      name = MN_CheckLogName(date, time);
    } else {
      const size_t sep = logPathOverride.find_last_of("\\/");
      folder = sep == std::string::npos ? "" : logPathOverride.substr(0, sep + 1);
      name = logPathOverride.substr(folder.size());
    }
    std::string path = folder + name;
    result.logPath = path;

    writer.Open(path);
    FileSink log(writer);
    log.Line("Check channel configuration " + date + " " + time);
    log.Line();
    app.project->GExport(log, 1);
    log.Line("------------------ Check results ---------------------------------------");
    log.Line("Check results");
    log.Line();

    const bool compatible = MN_RunCheck(app, false, true, bUpdatePic, &log);
    result.compatible = compatible;
    MN_RefreshViews(0);  // the views mark what the check found while the questions below wait
    const std::string sentence =
        compatible ? "Channel configuration is compatible. " : "Channel configuration is not compatible. ";
    log.Line();
    log.Line(sentence);
    if (!compatible && !app.project->GbSecondSystem()) {
      const std::string question =
          std::string("The channel configuration is not compatible") + kCR + kCR + "Search for best compatible setup?";
      if (TL_AskYesNo(question, kAppTitle) == kYes) TL_BestCompatibleSystem(app, log);
    }
    if (logPathOverride.empty()) {
      // A new log never replaces another one of the same second: "-2", "-3", ... are added.
      const std::string stem = name.substr(0, name.size() - 4);
      path = writer.CloseNew([&](int k) { return folder + (k == 1 ? name : stem + "-" + TL_Str(k) + ".log"); });
      name = path.substr(folder.size());
      result.logPath = path;
    } else {
      writer.Close();
    }

    const std::string view = sentence + kCR + kCR + "A log file " + folder + name + " has been created. View it now?";
    if (TL_AskOkCancel(view, kAppTitle) == kOk) TL_Port().openFile(path, folder);
    result.completed = true;
  } catch (const std::exception& e) {
    writer.Discard();  // the old log, if any, stays as it was
    TL_ReportError("MN_RunCheckToFile", e);
    result.completed = false;
  } catch (...) {
    writer.Discard();
    TL_ReportError("MN_RunCheckToFile", std::runtime_error("Unknown error"));
    result.completed = false;
  }
  return result;
}

}  // namespace kova
