#pragma once
// The print document as a PDF: the items of the print document (text, tables, pictures) laid
// out on A4 or Letter pages with Qt's own PDF writer. Text stays text (it can be selected and
// searched); a table's header rows come again on every page the table reaches; a title never
// stays alone at the foot of a page; an item marked so starts a new page. Pictures are drawn by
// the caller onto the page, so they stay lines and text where they are drawn so. Every page
// ends with a footer line and "Page n of m".

#include <QByteArray>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "reports/RTF_Generate.h"

class QPainter;
class QRectF;

namespace kova {

enum class PaperSize { kA4, kLetter };

// The paper of the user's locale: Letter where it measures in US units and in Canada, else A4.
PaperSize MN_LocalePaper();

// Draws picture `index` (counted over the whole document from 0) into `area` of the page.
using PdfPictureDrawer = std::function<void(int32_t index, QPainter& painter, const QRectF& area)>;

// The PDF file of the items. `footer` stands at the left of every page's foot, `title` in the
// file's properties. Needs a GUI application (for fonts).
QByteArray PDF_DocumentBytes(const std::vector<RtfItem>& items, PaperSize paper, const std::string& title,
                             const std::string& footer, const PdfPictureDrawer& draw);

// Writes it to `path`, replacing the file only once the document is complete. Throws on failure.
void PDF_WriteDocument(const std::string& path, const std::vector<RtfItem>& items, PaperSize paper,
                       const std::string& title, const std::string& footer, const PdfPictureDrawer& draw);

}  // namespace kova
