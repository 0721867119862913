#pragma once
// The compatibility check of the current project: the silent check that drives the status light
// and the full check that writes a check log and offers the best-compatible-subset search.

#include <string>

namespace kova {

struct AppState;
class TextSink;

// Runs the check on the application's project; true when it is compatible. bMessage shows each
// problem (and "Everything is fine!" when there is none), bFullCheck goes on after a problem,
// bUpdatePic drives the status light (only while the main window is loaded), `log` receives one
// line per problem (nullptr for none). What it finds becomes the conflicts of the last check
// (MN_Conflicts).
bool MN_RunCheck(AppState& app, bool bMessage, bool bFullCheck, bool bUpdatePic, TextSink* log);

struct CheckRunResult {
  bool completed = false;   // the log was written (false after an error, which was reported)
  bool compatible = false;  // the result of the check
  std::string logPath;      // the log file
};

// Full check with a log file in the check folder (or at logPathOverride when not empty), the
// follow-up questions (best compatible subset, view the log) and error reporting.
CheckRunResult MN_RunCheckToFile(AppState& app, bool bUpdatePic, const std::string& logPathOverride = "");

// The best compatible subset of the current system's channels, appended to the log.
void TL_BestCompatibleSystem(AppState& app, TextSink& log);

// "Check <date> <time>.log" from the short date and time texts, made safe as a file name.
std::string MN_CheckLogName(const std::string& date, const std::string& time);

}  // namespace kova
