#pragma once
// A small Rich Text Format writer. A document is built through a handle from RcgNewDoc and a
// sequence of calls (section, character formatting, text, table rows with declared cells,
// embedded pictures) and written with RcgSaveFile. Every call but RcgNewDoc returns 0 on success
// or one of the negative codes below; all results fit in 16 bits.
//
// Text arguments are UTF-8 in memory and are written as Windows-1252. In text, CR (13) ends a
// paragraph, TAB (9) is a tab stop, LF (10) is the other half of a line end and writes nothing,
// other control characters are dropped.

#include <cstdint>
#include <exception>
#include <string>

namespace kova {

enum RcgResult : int32_t {
  kRcgOk = 0,
  kRcgBadHandle = -1,    // no open document with that handle
  kRcgBadSequence = -2,  // a call out of order (cell text outside a row, more cells than declared)
  kRcgFileError = -3,    // a file could not be read or written
  kRcgBadPicture = -4,   // a picture file that is not a PNG image
  kRcgTooManyDocs = -5,  // every handle is in use
};

// Header flags of RcgNextCellInfo, combined by OR.
enum RcgCellFlags : int32_t {
  kRcgCellBold = 1,      // the cell's text is bold
  kRcgCellCentered = 2,  // the cell's text is centred
  kRcgCellRule = 4,      // a heavier line below the cell
  kRcgCellSwatch = 8,    // a colour swatch: a colour too light for paper gets a heavy frame in
                         // its colour as it reads on paper
};

// Character styles of RcgTextFont, combined by OR.
enum RcgFontStyle : int32_t { kRcgBold = 1, kRcgItalic = 2, kRcgUnderline = 4 };

// A new empty document; its handle (1 ... 32767), or kRcgTooManyDocs.
int32_t RcgNewDoc();
// Starts the document's section.
int32_t RcgInitSect(int32_t doc);
// Page of the section: paper 1 = A4 (any other value Letter), the viewer zoom in percent,
// landscape (non-zero) or portrait, the number of text columns (0 or 1 = one). The margins are
// 2.5 cm at the sides, so an A4 page has a text width of 9072 twips.
int32_t RcgSectInfo(int32_t doc, int32_t paper, int32_t zoomPercent, int32_t landscape, int32_t columns);
// Text of the section starts; text calls before it are refused.
int32_t RcgBeginSectText(int32_t doc);
// Font of the following text: name, size in points, style (RcgFontStyle); `scope` is kept for
// the call's shape (-1: from here on) and has no other effect.
int32_t RcgTextFont(int32_t doc, const std::string& name, int32_t size, int32_t style, int32_t scope);
// Colour of the following text (red + 256 * green + 65536 * blue); `scope` as for RcgTextFont.
int32_t RcgTextColor(int32_t doc, int32_t color, int32_t scope);
// Appends text, also single control characters.
int32_t RcgInsertText(int32_t doc, const std::string& text);
// Starts a new page before the text that follows.
int32_t RcgInsertPageBreak(int32_t doc);
// Starts a table row: left indent in twips, alignment (0 left, 1 centred, 2 right), minimum
// height in twips (0 = as the text needs), keep the row on one page (non-zero), repeat the row
// on every page (non-zero).
int32_t RcgBeginTableRow(int32_t doc, int32_t leftIndent, int32_t alignment, int32_t minHeight, int32_t keep,
                         int32_t repeatHeader);
// Declares the next cell of the row: width in twips, vertical alignment (0 top, 1 centre,
// 2 bottom), header flags (RcgCellFlags), background colour, inner margins top, left, bottom,
// right in twips, border (0 = single lines on all four sides, otherwise none).
int32_t RcgNextCellInfo(int32_t doc, int32_t width, int32_t verticalAlign, int32_t headerFlags, int32_t color,
                        int32_t padTop, int32_t padLeft, int32_t padBottom, int32_t padRight, int32_t border);
// The text of the next declared cell starts / ends.
int32_t RcgBeginCellText(int32_t doc);
int32_t RcgEndCellText(int32_t doc);
// Character properties back to plain (the bold of a bold header cell stays).
int32_t RcgResetTextProp(int32_t doc);
// Ends the row; every declared cell must have had its text.
int32_t RcgEndTableRow(int32_t doc);
// Embeds a PNG file shown `width` x `height` twips; `flags` is reserved (0).
int32_t RcgInsertPictFile(int32_t doc, const std::string& file, int32_t width, int32_t height, int32_t flags);
// Writes the document to `path` through a temporary file that replaces the target only once it
// is complete. After a file error, RcgSaveError tells the file that failed and why.
int32_t RcgSaveFile(int32_t doc, const std::string& path);
// The failure of the last RcgSaveFile that returned a file error (null when there was none);
// taking it clears it.
std::exception_ptr RcgTakeSaveError();
// Releases the document.
int32_t RcgEndDoc(int32_t doc);

// The RTF text the document would be saved as (empty for an unknown handle).
std::string RcgDocumentText(int32_t doc);

// Pixel size of a PNG image from its header; false when `bytes` is not a PNG image.
bool TL_PngSize(const std::string& bytes, int32_t& width, int32_t& height);

}  // namespace kova
