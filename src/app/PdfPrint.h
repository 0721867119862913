#pragma once
// The print document as a PDF: from kova-cli print and from File > Export PDF. The sections are
// those of the print document; the pictures are drawn straight onto the pages from one product
// generation shared by the whole document, for paper (dark on white) unless asked otherwise.

#include <string>

#include "app/AppState.h"
#include "app/PdfDocument.h"
#include "app/PrintDocument.h"
#include "reports/RTF_Generate.h"

namespace kova {

struct PdfOptions {
  PaperSize paper = PaperSize::kA4;
  bool paperPictures = true;  // false: the pictures as the display shows them
  PrintContents contents;     // the frequency sheet, the ranges scans cut
};

// Writes the PDF of `project` to `path`. With `range` every picture shows that range, else each
// is fitted to its system's data. `footer` names the project on every page. Throws on failure;
// `path` is then untouched.
void MN_WritePdfDocument(const CProject& project, const std::string& path, const PdfOptions& options,
                         const std::string& footer, const DisplayMapping* range = nullptr);

// File > Export PDF: asks for the file ("Export PDF", starting in the project directory with
// the project's name), gives it the extension ".pdf", asks the display about its limits, writes
// the document and opens it with the desktop's default program. "Could not create PDF!" when it
// fails. The project directory and file name stay as they are. False when cancelled or failed.
bool MN_ExportPdf(AppState& app, PdfOptions options, const SpectrumPictureProvider& pictures);

}  // namespace kova
