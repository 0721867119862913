#pragma once
// Text reports as commands: the current project (File > Export Project) and a whole proposal
// list (the proposal window's Export and the search driver), written to a file the user chooses
// and then opened with the desktop's default program.

#include "app/AppState.h"
#include "search/CReportInstance.h"

namespace kova {

// Ask for a file ("Save Projects As" / "Save Report As", starting in the project directory with
// the project's name as a ".txt" file or "Project1.txt" / "Report1.txt"; see MN_ChooseExportFile
// for the extension, the project's own file and existing files), write the text, remember the
// chosen directory as the project directory and open the file. False when the user cancelled,
// the target was refused or the file could not be written (which is reported as an error of the
// routine).
bool MN_ExportProject(AppState& app, const CProject& project);
bool MN_ExportReport(AppState& app, const CReportInstance& report);

}  // namespace kova
