#pragma once
// Text reports: the current project (File > Export Project) and a whole proposal list (the
// proposal window's Export and the search driver) as plain text, written to a file the user
// chooses and then opened with the desktop's default program.

#include "model/CProject.h"
#include "persistence/AppState.h"
#include "search/CReportInstance.h"
#include "tools/TextFile.h"

namespace kova {

// The description of every proposal of the list, each with its own number 1, 2, ...; nothing
// for an empty list.
void MN_WriteReport(TextSink& out, const CReportInstance& report);
// The description of the project with the heading of proposal 1.
void MN_WriteProjectReport(TextSink& out, const CProject& project);

// Ask for a file ("Save Projects As" / "Save Report As", starting in the project directory with
// the project file name or "Project1.txt" / "Report1.txt"), write the text, remember the chosen
// directory as the project directory and open the file. False when the user cancelled or the
// file could not be written (which is reported as an error of the routine).
bool MN_ExportProject(AppState& app, const CProject& project);
bool MN_ExportReport(AppState& app, const CReportInstance& report);

}  // namespace kova
