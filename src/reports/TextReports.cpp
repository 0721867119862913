#include "reports/TextReports.h"

#include <fstream>
#include <string>

#include "tools/Encoding.h"
#include "tools/Tools.h"

namespace kova {

void MN_WriteTextFile(const std::string& path, const std::string& text) {
  std::ofstream file(path, std::ios::binary | std::ios::trunc);
  if (!file) throw KovaError(75, "Path/File access error");
  const std::string ansi = TL_Utf8ToAnsi(text);
  file.write(ansi.data(), static_cast<std::streamsize>(ansi.size()));
  file.close();
  if (!file) throw KovaError(61, "Disk full");
}
void MN_WriteReport(TextSink& out, const CReportInstance& report) {
  for (int32_t i = 1; i <= report.GlCount(); ++i) report.GxGetProject(i)->GExport(out, i);
}

void MN_WriteProjectReport(TextSink& out, const CProject& project) { project.GExport(out, 1); }

}  // namespace kova
