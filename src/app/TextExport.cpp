#include "app/TextExport.h"

#include <functional>
#include <string>

#include "app/ExportTarget.h"
#include "reports/TextReports.h"
#include "tools/PlatformPort.h"
#include "tools/Tools.h"

namespace kova {

namespace {

const char* const kTextFilter = "Text File (*.txt)|*.txt";

bool ExportText(AppState& app, const std::string& routine, const std::string& title, const std::string& defaultName,
                const std::function<void(TextSink&)>& write) {
  std::string directory = app.projectDir.empty() ? app.appDir : app.projectDir;
  std::string fileName = MN_ExportOfferedName(app, "txt", defaultName);
  if (!MN_ChooseExportFile(app, title, kTextFilter, "txt", ExtensionRule::kAddWhenMissing, directory, fileName))
    return false;
  app.projectDir = directory;
  const std::string path = directory + fileName;
  try {
    StringSink text;
    write(text);
    MN_WriteTextFile(path, text.Text());
  } catch (const std::exception& e) {
    TL_ReportError(routine, e);
    return false;
  }
  TL_Port().openFile(path, directory);
  return true;
}

}  // namespace

bool MN_ExportProject(AppState& app, const CProject& project) {
  return ExportText(app, "MN_ExportProject", "Save Projects As", "Project1.txt",
                    [&](TextSink& out) { MN_WriteProjectReport(out, project); });
}

bool MN_ExportReport(AppState& app, const CReportInstance& report) {
  return ExportText(app, "MN_ExportReport", "Save Report As", "Report1.txt",
                    [&](TextSink& out) { MN_WriteReport(out, report, true); });
}

}  // namespace kova
