#include "app/PrintDocument.h"

#include <exception>
#include <memory>

#include "app/ExportTarget.h"
#include "app/SpectrumPictures.h"
#include "tools/BinaryFile.h"
#include "reports/RTF_Generate.h"
#include "tools/PlatformPort.h"
#include "tools/Tools.h"

namespace kova {

namespace {

const char kRtfFilter[] = "Rich Text Format (*.rtf)|*.rtf";

}  // namespace

SpectrumPictureProvider MN_SpectrumPictureProvider(AppState& app) {
  // Each system drawn offscreen with the display's drawing, fitted to the data; the display
  // window (when there is one) adds its own limits question and redraw in the desktop.
  SpectrumPictureProvider pictures;
  // The pictures of one document share one product generation.
  auto view = std::make_shared<SpectrumView>();
  pictures.draw = [&app, view](int32_t iSystem, const std::string& pngPath) {
    OffscreenDrawing drawing;
    std::vector<char> png;
    if (!drawing.Ok() ||
        !MN_RenderSpectrumPng(*app.project, iSystem, kPrintPictureWidth, kPrintPictureHeight, png, nullptr, view.get(),
                              MN_PictureZoneOf(*app.project, iSystem)))
      return false;
    TL_WriteFileAtomic(pngPath, png);
    return true;
  };
  pictures.restore = [] { MN_RefreshViews(0); };
  return pictures;
}

PlanFacts MN_PlanFacts(const AppState& app) {
  PlanFacts facts;
  facts.projectFile = app.projectFile;
  if (MN_PlanInUse(app)) facts.requests = app.planRequests;
  return facts;
}

std::string MN_RtfFileName(const std::string& fileName) { return TL_StripExtension(fileName) + ".rtf"; }

void MN_WriteRtfDocument(CProject& project, const std::string& path, const TempFolder& folder,
                         const SpectrumPictureProvider& pictures, const PrintContents& contents, int32_t paper) {
  const std::string title = RTF_TitleText(KOVA_VERSION, TL_Port().shortDate(), TL_Port().shortTime());

  // Each picture shows its system as the current one; the previous current system comes back
  // whatever happens.
  struct RestoreCurrent {
    CProject& project;
    int32_t previous;
    ~RestoreCurrent() { project.GlCurr(previous); }
  } restore{project, project.GlCurr()};
  std::vector<std::string> files;
  for (int32_t s = 0; s < project.GlSystems(); ++s) {
    const std::string file = folder.Path() + "system" + TL_Str(s + 1) + ".png";
    files.push_back(file);
    project.GlCurr(s);
    bool drawn = false;
    try {
      drawn = pictures.draw && pictures.draw(s, file);
    } catch (const KovaError& e) {
      // A picture that cannot be written names the temporary folder (a full $TMPDIR).
      if (e.reason().empty()) throw;
      throw KovaError(e.number(), e.what(), folder.Path(), e.reason());
    }
    if (!drawn) throw KovaError(481, "The spectrum picture of system #" + TL_Str(s + 1) + " could not be drawn");
  }
  project.GlCurr(restore.previous);
  PrintContents withDate = contents;
  withDate.plan.created = TL_Port().shortDate() + " " + TL_Port().shortTime();
  RTF_WriteDocument(path, RTF_ProjectItems(project, title, files, withDate), paper);
}

bool MN_CreateRtfDocument(CProject& project, const std::string& directory, const std::string& name,
                          const SpectrumPictureProvider& pictures, const PrintContents& contents) {
  if (pictures.askForLimits && !pictures.askForLimits()) return false;
  const std::string path = directory + name;
  std::unique_ptr<TempFolder> folder;
  bool created = true;
  try {
    folder = std::make_unique<TempFolder>("print");
    MN_WriteRtfDocument(project, path, *folder, pictures, contents);
  } catch (const std::exception& e) {
    created = false;
    // The file that failed and the reason on a second line, where they are known.
    const auto* k = dynamic_cast<const KovaError*>(&e);
    TL_ShowInfo(k && !k->file().empty() && !k->reason().empty()
                    ? "Could not create RTF!\n" + TL_ShowName(k->file()) + ": " + k->reason()
                    : std::string("Could not create RTF!"));
  }
  if (created) TL_Port().openFile(path, directory);

  // Clean-up, also after a failure: the display shows the current system again and no
  // temporary picture stays behind.
  bool cleaned = true;
  try {
    if (pictures.restore) pictures.restore();
    cleaned = !folder || folder->Remove();
  } catch (const std::exception&) {
    cleaned = false;
  }
  if (!cleaned) TL_ShowInfo("Could not clean up after RTF creation!");
  return created;
}

bool MN_CreatePrintVersion(AppState& app, const SpectrumPictureProvider& pictures) {
  std::string directory = app.projectDir.empty() ? app.appDir : app.projectDir;
  std::string name = MN_OpenProjectName(app).empty() ? "*.rtf" : TL_StripExtension(MN_OpenProjectName(app));
  if (!MN_ChooseExportFile(app, "Create RTF File", kRtfFilter, "rtf", ExtensionRule::kReplace, directory, name))
    return false;
  PrintContents contents;
  contents.scanCuts = &app.scanCuts;
  contents.plan = MN_PlanFacts(app);
  return MN_CreateRtfDocument(*app.project, directory, name, pictures, contents);
}

}  // namespace kova
