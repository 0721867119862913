#include "reports/TextReports.h"

#include <fstream>
#include <functional>
#include <string>

#include "tools/Encoding.h"
#include "tools/PlatformPort.h"
#include "tools/Tools.h"

namespace kova {

namespace {

const char* const kTextFilter = "Text File (*.txt)|*.txt";

// Creates or truncates `path` and writes `text` (UTF-8 in memory) as Windows-1252. The file is
// closed before the result is judged, so a failure to write the last buffered bytes is noticed.
void WriteTextFile(const std::string& path, const std::string& text) {
  std::ofstream file(path, std::ios::binary | std::ios::trunc);
  if (!file) throw KovaError(75, "Path/File access error");
  const std::string ansi = TL_Utf8ToAnsi(text);
  file.write(ansi.data(), static_cast<std::streamsize>(ansi.size()));
  file.close();
  if (!file) throw KovaError(61, "Disk full");
}

bool ExportText(AppState& app, const std::string& routine, const std::string& title, const std::string& defaultName,
                const std::function<void(TextSink&)>& write) {
  std::string directory = app.projectDir.empty() ? app.appDir : app.projectDir;
  std::string fileName = app.projectFile.empty() ? defaultName : app.projectFile;
  int filterIndex = 1;
  if (TL_SaveFileDialog(title, directory, fileName, kTextFilter, filterIndex) == 0) return false;
  app.projectDir = directory;
  const std::string path = directory + fileName;
  try {
    StringSink text;
    write(text);
    WriteTextFile(path, text.Text());
  } catch (const std::exception& e) {
    TL_ReportError(routine, e);
    return false;
  }
  TL_Port().openFile(path, directory);
  return true;
}

}  // namespace

void MN_WriteReport(TextSink& out, const CReportInstance& report) {
  for (int32_t i = 1; i <= report.GlCount(); ++i) report.GxGetProject(i)->GExport(out, i);
}

void MN_WriteProjectReport(TextSink& out, const CProject& project) { project.GExport(out, 1); }

bool MN_ExportProject(AppState& app, const CProject& project) {
  return ExportText(app, "MN_ExportProject", "Save Projects As", "Project1.txt",
                    [&](TextSink& out) { MN_WriteProjectReport(out, project); });
}

bool MN_ExportReport(AppState& app, const CReportInstance& report) {
  return ExportText(app, "MN_ExportReport", "Save Report As", "Report1.txt",
                    [&](TextSink& out) { MN_WriteReport(out, report); });
}

}  // namespace kova
