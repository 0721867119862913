#include "reports/TextReports.h"

#include <string>
#include <vector>

#include "tools/AtomicFile.h"
#include "tools/Encoding.h"
#include "tools/Tools.h"

namespace kova {

void MN_WriteTextFile(const std::string& path, const std::string& text) {
  AtomicFile file(path, AtomicFile::MissingFolder::kAccessError);
  file.Write(TL_Utf8ToAnsi(text));
  file.Commit();
}

void MN_WriteReport(TextSink& out, const CReportInstance& report, bool shortfalls) {
  for (int32_t i = 1; i <= report.GlCount(); ++i) {
    const CProject& proposal = *report.GxGetProject(i);
    std::vector<std::string> notes;
    if (shortfalls)
      for (const Shortfall& s : ShortfallsOf(proposal, report.GRequests())) notes.push_back(ShortfallText(s, true));
    proposal.GExport(out, i, notes);
  }
}

void MN_WriteProjectReport(TextSink& out, const CProject& project) { project.GExport(out, 1); }

}  // namespace kova
