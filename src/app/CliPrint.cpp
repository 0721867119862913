// kova-cli print: the print document of a project, as File > Create Print Version writes it
// (RTF) or as File > Export PDF does.

#include <exception>
#include <functional>
#include <ostream>

#include "app/CliSupport.h"
#include "app/PdfPrint.h"
#include "app/SpectrumPictures.h"
#include "app/PrintDocument.h"
#include "tools/TempFolder.h"
#include "tools/Tools.h"

namespace kova {

namespace {

// The document's options from the command line; false with one line on `err`.
struct PrintChoice {
  bool pdf = false;
  PdfOptions pdfOptions;
  int32_t rtfPaper = kRtfPaperA4;
};

bool ReadChoice(const CliArgs& a, const std::string& out, PrintChoice& choice, std::ostream& err) {
  const std::string extension = TL_ToLower(TL_GetExtension(out));
  const std::string format = a.Option("--format");
  if (!format.empty() && format != "pdf" && format != "rtf") {
    err << "kova-cli: print: --format takes pdf or rtf, not '" << TL_ShowName(format) << "'\n";
    return false;
  }
  if ((extension == "pdf" || extension == "rtf") && !format.empty() && format != extension) {
    err << "kova-cli: print: --format " << TL_ShowName(format) << " does not match the name " << TL_ShowName(out) << "\n";
    return false;
  }
  choice.pdf = extension == "pdf" || (extension != "rtf" && format == "pdf");

  const std::string page = a.Option("--page");
  if (!page.empty() && page != "a4" && page != "letter") {
    err << "kova-cli: print: --page takes a4 or letter, not '" << TL_ShowName(page) << "'\n";
    return false;
  }
  // The PDF follows the locale's paper; the RTF stays on A4 unless told.
  choice.pdfOptions.paper = page.empty() ? MN_LocalePaper() : (page == "letter" ? PaperSize::kLetter : PaperSize::kA4);
  choice.rtfPaper = page == "letter" ? kRtfPaperLetter : kRtfPaperA4;

  const std::string theme = a.Option("--theme");
  if (!theme.empty() && theme != "light" && theme != "dark") {
    err << "kova-cli: print: --theme takes light or dark, not '" << TL_ShowName(theme) << "'\n";
    return false;
  }
  if (theme == "light" && !choice.pdf) {
    err << "kova-cli: print: --theme light is for PDF documents; the RTF shows the display's pictures\n";
    return false;
  }
  choice.pdfOptions.paperPictures = theme != "dark";

  const std::string sort = a.Option("--sort");
  if (!sort.empty() && sort != "frequency" && sort != "system") {
    err << "kova-cli: print: --sort takes frequency or system, not '" << TL_ShowName(sort) << "'\n";
    return false;
  }
  if (!sort.empty() && !a.Has("--sheet")) {
    err << "kova-cli: print: --sort orders the frequency sheet; give --sheet too\n";
    return false;
  }
  PrintContents& contents = choice.pdfOptions.contents;
  contents.sheet = a.Has("--sheet");
  contents.order = sort == "system" ? SheetOrder::kBySystem : SheetOrder::kByFrequency;
  return true;
}

}  // namespace

int CLI_Print(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
              const std::function<SpectrumPictureProvider(AppState&)>& pictures) {
  (void)out;
  CliArgs a;
  AppState app;
  if (!CLI_ParseArgs(args, {"--out", "--format", "--page", "--theme", "--sort"}, {"--sheet"}, a, err) ||
      !CLI_CheckTargets(a, {"--out"}, err))
    return 2;
  const std::string requested = a.Option("--out");
  if (requested.empty()) {
    err << "kova-cli: print: --out FILE.rtf or FILE.pdf is required\n";
    return 2;
  }
  PrintChoice choice;
  if (!ReadChoice(a, requested, choice, err)) return 2;
  if (!CLI_LoadProject(a, app, err)) return 2;

  choice.pdfOptions.contents.plan = MN_PlanFacts(app);
  // The document goes exactly where --out names it.
  const std::string& path = requested;
  if (choice.pdf) {
    try {
      MN_WritePdfDocument(*app.project, path, choice.pdfOptions, app.projectFile);
    } catch (const std::exception& e) {
      CLI_WriteFailure(path, e, err);
      return 2;
    }
    return 0;
  }

  // The pictures of the RTF go to a private temporary folder that is removed on every way out.
  try {
    TempFolder folder("print");
    MN_WriteRtfDocument(*app.project, path, folder, pictures(app), choice.pdfOptions.contents, choice.rtfPaper);
    if (!folder.Remove()) {
      err << "kova-cli: " << TL_ShowName(path) << ": written, but a temporary picture could not be removed\n";
      return 2;
    }
  } catch (const std::exception& e) {
    CLI_WriteFailure(path, e, err);
    return 2;
  }
  return 0;
}

int CLI_Print(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  // One offscreen GUI application for all pictures of the document.
  OffscreenDrawing drawing;
  return CLI_Print(args, out, err, [](AppState& app) { return MN_SpectrumPictureProvider(app); });
}

}  // namespace kova
