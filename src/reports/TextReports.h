#pragma once
// Text reports: a project and a whole proposal list as plain text.

#include <string>

#include "model/CProject.h"
#include "search/CReportInstance.h"
#include "tools/TextFile.h"

namespace kova {

// The description of every proposal of the list, each with its own number 1, 2, ...; nothing
// for an empty list. With `shortfalls`, each proposal's heading names every system it leaves
// short of the channels the search asked of it.
void MN_WriteReport(TextSink& out, const CReportInstance& report, bool shortfalls = false);
// The description of the project with the heading of proposal 1.
void MN_WriteProjectReport(TextSink& out, const CProject& project);

// Writes `text` (UTF-8 in memory) as Windows-1252 to `path`, whole or not at all (the old file
// stays as it was when anything fails). Throws KovaError on failure.
void MN_WriteTextFile(const std::string& path, const std::string& text);

}  // namespace kova
