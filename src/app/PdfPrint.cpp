#include "app/PdfPrint.h"

#include <QPainter>
#include <QRectF>
#include <exception>

#include "app/ExportTarget.h"
#include "app/SpectrumPictures.h"
#include "tools/PlatformPort.h"
#include "tools/Tools.h"

namespace kova {

namespace {

const char kPdfFilter[] = "PDF Document (*.pdf)|*.pdf";

}  // namespace

void MN_WritePdfDocument(const CProject& project, const std::string& path, const PdfOptions& options,
                         const std::string& footer, const DisplayMapping* range) {
  OffscreenDrawing drawing;
  if (!drawing.Ok()) throw KovaError(5, "Invalid procedure call: a PDF cannot be drawn without a GUI application");
  const std::string title = RTF_TitleText(KOVA_VERSION, TL_Port().shortDate(), TL_Port().shortTime(), "PDF");
  // The picture items name no files: each is drawn onto its page, system by system.
  const std::vector<std::string> noFiles(static_cast<size_t>(project.GlSystems()));
  PrintContents contents = options.contents;
  contents.plan.created = TL_Port().shortDate() + " " + TL_Port().shortTime();
  const std::vector<RtfItem> items = RTF_ProjectItems(project, title, noFiles, contents);
  SpectrumView view;  // one product generation for every picture (of every zone)
  const std::vector<int32_t> order = RTF_SystemOrder(project);
  const PdfPictureDrawer draw = [&](int32_t index, QPainter& painter, const QRectF& area) {
    const int32_t slot = order.at(static_cast<size_t>(index));
    MN_DrawSpectrum(painter, area, project, slot, options.paperPictures, view, range, MN_PictureZoneOf(project, slot));
  };
  PDF_WriteDocument(path, items, options.paper, footer.empty() ? "KOVA" : footer, footer, draw);
}

bool MN_ExportPdf(AppState& app, PdfOptions options, const SpectrumPictureProvider& pictures) {
  std::string directory = app.projectDir.empty() ? app.appDir : app.projectDir;
  std::string name = MN_OpenProjectName(app).empty() ? "*.pdf" : TL_StripExtension(MN_OpenProjectName(app));
  if (!MN_ChooseExportFile(app, "Export PDF", kPdfFilter, "pdf", ExtensionRule::kReplace, directory, name))
    return false;
  if (pictures.askForLimits && !pictures.askForLimits()) return false;
  const std::string path = directory + name;
  options.contents.scanCuts = &app.scanCuts;
  options.contents.plan = MN_PlanFacts(app);
  bool created = true;
  try {
    DisplayMapping range;
    const bool fixed = pictures.range && pictures.range(range);
    MN_WritePdfDocument(*app.project, path, options, MN_OpenProjectName(app), fixed ? &range : nullptr);
  } catch (const std::exception&) {
    created = false;
    TL_ShowInfo("Could not create PDF!");
  }
  if (created) TL_Port().openFile(path, directory);
  if (pictures.restore) pictures.restore();
  return created;
}

}  // namespace kova
