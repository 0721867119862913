#pragma once
// File > Create Print Version and kova-cli print: the print document of a project with the
// spectrum picture of each used system, written as RTF.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "app/AppState.h"
#include "display/DisplayMapping.h"
#include "reports/RTF_Generate.h"
#include "tools/TempFolder.h"

namespace kova {

// What the document needs from the spectrum display. Empty members: no question is asked, no
// picture can be drawn (the document then cannot be created), nothing is redrawn.
struct SpectrumPictureProvider {
  // Asks whether the display's limits suit the data; false stops the command silently.
  std::function<bool()> askForLimits;
  // Draws the picture of system iSystem (made the current system) into a PNG file at pngPath.
  std::function<bool(int32_t iSystem, const std::string& pngPath)> draw;
  // Redraws the display for the current system once the document is written.
  std::function<void()> restore;
  // The range the display shows, for pictures drawn onto a document's pages; false (or empty):
  // each picture is fitted to the data.
  std::function<bool(DisplayMapping& range)> range;
};

// Pixel size of the spectrum pictures of the print document.
inline constexpr int kPrintPictureWidth = 1000;
inline constexpr int kPrintPictureHeight = 380;

// The spectrum pictures of the application's display.
SpectrumPictureProvider MN_SpectrumPictureProvider(AppState& app);

// File > Create Print Version: asks for the file ("Create RTF File", starting in the project
// directory with the project's name), gives it the extension ".rtf" and creates the document.
// The project directory and file name stay as they are. False when cancelled or failed.
bool MN_CreatePrintVersion(AppState& app, const SpectrumPictureProvider& pictures);

// Writes the document of `project` to directory + name and opens it with the desktop's default
// program; afterwards the display is redrawn and the temporary pictures are removed. Failures
// are reported in message boxes ("Could not create RTF!", "Could not clean up after RTF
// creation!"); false when no document was created.
bool MN_CreateRtfDocument(CProject& project, const std::string& directory, const std::string& name,
                          const SpectrumPictureProvider& pictures, const PrintContents& contents = {});

// The document without dialogs: draws the pictures into the private temporary folder `folder`
// (files "system1.png", ...), restores the project's current system and writes the RTF file.
// Throws on failure; `path` is then untouched. The folder and its pictures are the caller's to
// remove (TempFolder does so when it ends).
// `contents` adds the frequency sheet and the ranges scans cut; `paper` as RTF_WriteDocument.
void MN_WriteRtfDocument(CProject& project, const std::string& path, const TempFolder& folder,
                         const SpectrumPictureProvider& pictures, const PrintContents& contents = {},
                         int32_t paper = kRtfPaperA4);

// What the summary of the print document says of the application's project beyond the project
// itself: its file and, while it is a search result as it was taken into use, what that search
// asked of each system.
PlanFacts MN_PlanFacts(const AppState& app);

// "name.doc" -> "name.rtf", "name" -> "name.rtf".
std::string MN_RtfFileName(const std::string& fileName);

}  // namespace kova
