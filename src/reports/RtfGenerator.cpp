#include "reports/RtfGenerator.h"

#include <fstream>
#include <iterator>
#include <map>
#include <memory>
#include <utility>
#include <vector>

#include "model/ShownColors.h"
#include "tools/BinaryFile.h"
#include "tools/Encoding.h"

namespace kova {

namespace {

constexpr int32_t kMaxHandle = 32767;

struct CellDef {
  int32_t width = 0;
  int32_t verticalAlign = 0;
  int32_t flags = 0;
  int32_t color = 0;
  int32_t pad[4] = {0, 0, 0, 0};  // top, left, bottom, right
  int32_t border = 0;
};

struct Document {
  // Page.
  bool a4 = true;
  int32_t zoom = 100;
  bool landscape = false;
  int32_t columns = 1;
  bool sectionStarted = false;
  bool textStarted = false;

  // Fonts and colours in order of first use; the colour table's entry 0 is "automatic".
  std::vector<std::string> fonts;
  std::vector<int32_t> colors;

  std::string body;

  // Current character properties, repeated for header cells after a reset.
  int32_t fontIndex = 0;
  int32_t fontSize = 12;
  int32_t fontStyle = 0;

  // Paragraph and table state.
  bool paragraphHasText = false;  // text since the last paragraph end, outside a table
  bool afterTable = false;        // the last thing written was a table row
  bool inRow = false;
  int32_t rowLeft = 0, rowAlign = 0, rowHeight = 0, rowKeep = 0, rowHeader = 0;
  std::vector<CellDef> cells;
  int32_t nextCell = 0;  // cells whose text has begun
  bool inCell = false;
  bool rowWritten = false;  // the row's definition is in the body

  int32_t FontIndex(const std::string& name) {
    for (size_t i = 0; i < fonts.size(); ++i)
      if (fonts[i] == name) return static_cast<int32_t>(i);
    fonts.push_back(name);
    return static_cast<int32_t>(fonts.size()) - 1;
  }
  // 1-based index in the colour table.
  int32_t ColorIndex(int32_t color) {
    for (size_t i = 0; i < colors.size(); ++i)
      if (colors[i] == color) return static_cast<int32_t>(i) + 1;
    colors.push_back(color);
    return static_cast<int32_t>(colors.size());
  }
  bool HeaderBold() const { return inCell && (cells[nextCell - 1].flags & kRcgCellBold) != 0; }
};

std::map<int32_t, std::unique_ptr<Document>>& Documents() {
  static std::map<int32_t, std::unique_ptr<Document>> docs;
  return docs;
}

Document* Find(int32_t doc) {
  auto it = Documents().find(doc);
  return it == Documents().end() ? nullptr : it->second.get();
}

std::string Num(int64_t v) { return std::to_string(v); }

// Text of a font name or a paragraph in RTF: the special characters escaped, bytes above 127 as
// hexadecimal escapes.
std::string Escape(const std::string& ansi, bool paragraphControls) {
  static const char* const kHex = "0123456789abcdef";
  std::string out;
  for (char ch : ansi) {
    auto c = static_cast<unsigned char>(ch);
    if (c == '\\' || c == '{' || c == '}') {
      out += '\\';
      out += ch;
    } else if (c == '\r') {
      if (paragraphControls) out += "\\par\n";
    } else if (c == '\t') {
      if (paragraphControls) out += "\\tab ";
    } else if (c < 32) {
      // LF and other control characters write nothing.
    } else if (c >= 128) {
      out += "\\'";
      out += kHex[c >> 4];
      out += kHex[c & 15];
    } else {
      out += ch;
    }
  }
  return out;
}

void Red(std::string& out, int32_t color) {
  const auto c = static_cast<uint32_t>(color);
  out += "\\red" + Num(c & 255) + "\\green" + Num((c >> 8) & 255) + "\\blue" + Num((c >> 16) & 255) + ";";
}

std::string CharProps(const Document& d) {
  int32_t style = d.fontStyle | (d.HeaderBold() ? kRcgBold : 0);
  std::string s = "\\f" + Num(d.fontIndex) + "\\fs" + Num(2 * static_cast<int64_t>(d.fontSize));
  s += (style & kRcgBold) ? "\\b" : "\\b0";
  s += (style & kRcgItalic) ? "\\i" : "\\i0";
  s += (style & kRcgUnderline) ? "\\ul" : "\\ulnone";
  return s + " ";
}

// The row definition: row properties, then every declared cell with its borders, margins,
// background and right edge.
std::string RowDefinition(Document& d) {
  std::string s = "\\trowd\\trgaph40\\trleft" + Num(d.rowLeft);
  if (d.rowAlign == 1) s += "\\trqc";
  else if (d.rowAlign == 2) s += "\\trqr";
  else s += "\\trql";
  if (d.rowHeight > 0) s += "\\trrh" + Num(d.rowHeight);
  if (d.rowKeep) s += "\\trkeep";
  if (d.rowHeader) s += "\\trhdr";
  int64_t right = d.rowLeft;
  for (const CellDef& c : d.cells) {
    s += "\n";
    if (c.border == 0 && (c.flags & kRcgCellSwatch) && TL_PaperColorValue(c.color) != (c.color & 0xFFFFFF)) {
      // A light colour (white above all) would vanish into the paper without a dark frame; a
      // dark one keeps the plain lines.
      const std::string line = "\\brdrs\\brdrw30\\brdrcf" + Num(d.ColorIndex(TL_PaperColorValue(c.color)));
      s += "\\clbrdrt" + line + "\\clbrdrl" + line + "\\clbrdrb" + line + "\\clbrdrr" + line;
    } else if (c.border == 0) {
      const char* width = (c.flags & kRcgCellRule) ? "20" : "10";
      s += "\\clbrdrt\\brdrs\\brdrw10\\clbrdrl\\brdrs\\brdrw10";
      s += std::string("\\clbrdrb\\brdrs\\brdrw") + width + "\\clbrdrr\\brdrs\\brdrw10";
    }
    if (c.verticalAlign == 1) s += "\\clvertalc";
    else if (c.verticalAlign == 2) s += "\\clvertalb";
    else s += "\\clvertalt";
    s += "\\clpadt" + Num(c.pad[0]) + "\\clpadft3\\clpadl" + Num(c.pad[1]) + "\\clpadfl3";
    s += "\\clpadb" + Num(c.pad[2]) + "\\clpadfb3\\clpadr" + Num(c.pad[3]) + "\\clpadfr3";
    s += "\\clcbpat" + Num(d.ColorIndex(c.color));
    right += c.width;
    s += "\\cellx" + Num(right);
  }
  return s + "\n";
}

// Body text may follow a table only in a paragraph that leaves the table.
void LeaveTable(Document& d) {
  if (d.afterTable) {
    d.body += "\\pard ";
    d.afterTable = false;
  }
}

std::string Hex(const std::string& bytes) {
  static const char* const kHex = "0123456789abcdef";
  std::string out;
  out.reserve(bytes.size() * 2 + bytes.size() / 32 + 1);
  for (size_t i = 0; i < bytes.size(); ++i) {
    auto c = static_cast<unsigned char>(bytes[i]);
    out += kHex[c >> 4];
    out += kHex[c & 15];
    if (i % 64 == 63) out += '\n';
  }
  return out;
}

uint32_t BigEndian32(const std::string& b, size_t at) {
  return (static_cast<uint32_t>(static_cast<unsigned char>(b[at])) << 24) |
         (static_cast<uint32_t>(static_cast<unsigned char>(b[at + 1])) << 16) |
         (static_cast<uint32_t>(static_cast<unsigned char>(b[at + 2])) << 8) |
         static_cast<uint32_t>(static_cast<unsigned char>(b[at + 3]));
}

}  // namespace

bool TL_PngSize(const std::string& bytes, int32_t& width, int32_t& height) {
  // Signature, then the first chunk must be IHDR (length 13) with width and height.
  static const char kSignature[] = "\x89PNG\r\n\x1a\n";
  if (bytes.size() < 24 || bytes.compare(0, 8, kSignature, 8) != 0 || bytes.compare(12, 4, "IHDR") != 0) return false;
  const uint32_t w = BigEndian32(bytes, 16), h = BigEndian32(bytes, 20);
  if (w == 0 || h == 0 || w > 0x7fffffffu || h > 0x7fffffffu) return false;
  width = static_cast<int32_t>(w);
  height = static_cast<int32_t>(h);
  return true;
}

int32_t RcgNewDoc() {
  auto& docs = Documents();
  for (int32_t h = 1; h <= kMaxHandle; ++h) {
    if (docs.count(h) == 0) {
      docs[h] = std::make_unique<Document>();
      return h;
    }
  }
  return kRcgTooManyDocs;
}

int32_t RcgInitSect(int32_t doc) {
  Document* d = Find(doc);
  if (!d) return kRcgBadHandle;
  d->sectionStarted = true;
  return kRcgOk;
}

int32_t RcgSectInfo(int32_t doc, int32_t paper, int32_t zoomPercent, int32_t landscape, int32_t columns) {
  Document* d = Find(doc);
  if (!d) return kRcgBadHandle;
  if (!d->sectionStarted || d->textStarted) return kRcgBadSequence;
  d->a4 = paper == 1;
  d->zoom = zoomPercent > 0 ? zoomPercent : 100;
  d->landscape = landscape != 0;
  d->columns = columns > 1 ? columns : 1;
  return kRcgOk;
}

int32_t RcgBeginSectText(int32_t doc) {
  Document* d = Find(doc);
  if (!d) return kRcgBadHandle;
  if (!d->sectionStarted) return kRcgBadSequence;
  d->textStarted = true;
  return kRcgOk;
}

int32_t RcgTextFont(int32_t doc, const std::string& name, int32_t size, int32_t style, int32_t /*scope*/) {
  Document* d = Find(doc);
  if (!d) return kRcgBadHandle;
  if (!d->textStarted) return kRcgBadSequence;
  d->fontIndex = d->FontIndex(name.empty() ? "Times New Roman" : name);
  d->fontSize = size > 0 ? size : 12;
  d->fontStyle = style;
  d->body += CharProps(*d);
  return kRcgOk;
}

int32_t RcgTextColor(int32_t doc, int32_t color, int32_t /*scope*/) {
  Document* d = Find(doc);
  if (!d) return kRcgBadHandle;
  if (!d->textStarted) return kRcgBadSequence;
  d->body += "\\cf" + Num(d->ColorIndex(color)) + " ";
  return kRcgOk;
}

int32_t RcgInsertText(int32_t doc, const std::string& text) {
  Document* d = Find(doc);
  if (!d) return kRcgBadHandle;
  if (!d->textStarted || (d->inRow && !d->inCell)) return kRcgBadSequence;
  const std::string ansi = TL_Utf8ToAnsi(text);
  if (d->inCell) {
    // A paragraph end inside a cell is a new paragraph of the same cell.
    std::string text = Escape(ansi, true);
    size_t pos = 0;
    while ((pos = text.find("\\par\n", pos)) != std::string::npos) {
      text.replace(pos, 5, "\\par\\intbl ");
      pos += 11;
    }
    d->body += text;
    return kRcgOk;
  }
  if (ansi.empty()) return kRcgOk;
  LeaveTable(*d);
  d->body += Escape(ansi, true);
  // The paragraph holds text unless the text ended it.
  for (char c : ansi) {
    if (c == '\r') d->paragraphHasText = false;
    else if (static_cast<unsigned char>(c) >= 32 || c == '\t') d->paragraphHasText = true;
  }
  return kRcgOk;
}

int32_t RcgInsertPageBreak(int32_t doc) {
  Document* d = Find(doc);
  if (!d) return kRcgBadHandle;
  if (!d->textStarted || d->inRow) return kRcgBadSequence;
  LeaveTable(*d);
  if (d->paragraphHasText) d->body += "\\par\n";
  d->paragraphHasText = false;
  d->body += "\\page\n";
  return kRcgOk;
}

int32_t RcgBeginTableRow(int32_t doc, int32_t leftIndent, int32_t alignment, int32_t minHeight, int32_t keep,
                         int32_t repeatHeader) {
  Document* d = Find(doc);
  if (!d) return kRcgBadHandle;
  if (!d->textStarted || d->inRow) return kRcgBadSequence;
  // Text written before the row (a table's title) becomes a paragraph of its own.
  if (d->paragraphHasText) {
    d->body += "\\par\n";
    d->paragraphHasText = false;
  }
  d->inRow = true;
  d->rowLeft = leftIndent;
  d->rowAlign = alignment;
  d->rowHeight = minHeight;
  d->rowKeep = keep;
  d->rowHeader = repeatHeader;
  d->cells.clear();
  d->nextCell = 0;
  d->rowWritten = false;
  return kRcgOk;
}

int32_t RcgNextCellInfo(int32_t doc, int32_t width, int32_t verticalAlign, int32_t headerFlags, int32_t color,
                        int32_t padTop, int32_t padLeft, int32_t padBottom, int32_t padRight, int32_t border) {
  Document* d = Find(doc);
  if (!d) return kRcgBadHandle;
  if (!d->inRow || d->rowWritten) return kRcgBadSequence;
  CellDef c;
  c.width = width > 0 ? width : 0;
  c.verticalAlign = verticalAlign;
  c.flags = headerFlags;
  c.color = color;
  c.pad[0] = padTop;
  c.pad[1] = padLeft;
  c.pad[2] = padBottom;
  c.pad[3] = padRight;
  c.border = border;
  d->cells.push_back(c);
  return kRcgOk;
}

int32_t RcgBeginCellText(int32_t doc) {
  Document* d = Find(doc);
  if (!d) return kRcgBadHandle;
  if (!d->inRow || d->inCell || d->nextCell >= static_cast<int32_t>(d->cells.size())) return kRcgBadSequence;
  if (!d->rowWritten) {
    d->body += RowDefinition(*d);
    d->rowWritten = true;
  }
  const CellDef& c = d->cells[d->nextCell++];
  d->inCell = true;
  d->body += (c.flags & kRcgCellCentered) ? "\\pard\\intbl\\qc " : "\\pard\\intbl\\ql ";
  if (c.flags & kRcgCellBold) d->body += "\\b ";
  return kRcgOk;
}

int32_t RcgResetTextProp(int32_t doc) {
  Document* d = Find(doc);
  if (!d) return kRcgBadHandle;
  if (!d->textStarted) return kRcgBadSequence;
  d->fontStyle = 0;
  d->body += "\\plain ";
  if (d->HeaderBold()) d->body += "\\b ";
  return kRcgOk;
}

int32_t RcgEndCellText(int32_t doc) {
  Document* d = Find(doc);
  if (!d) return kRcgBadHandle;
  if (!d->inCell) return kRcgBadSequence;
  d->inCell = false;
  d->body += "\\cell\n";
  return kRcgOk;
}

int32_t RcgEndTableRow(int32_t doc) {
  Document* d = Find(doc);
  if (!d) return kRcgBadHandle;
  if (!d->inRow || d->inCell || d->nextCell != static_cast<int32_t>(d->cells.size())) return kRcgBadSequence;
  d->inRow = false;
  if (d->cells.empty()) return kRcgOk;  // a row without cells writes nothing
  d->body += "\\row\n";
  d->afterTable = true;
  return kRcgOk;
}

int32_t RcgInsertPictFile(int32_t doc, const std::string& file, int32_t width, int32_t height, int32_t /*flags*/) {
  Document* d = Find(doc);
  if (!d) return kRcgBadHandle;
  if (!d->textStarted || (d->inRow && !d->inCell)) return kRcgBadSequence;
  std::ifstream in(file, std::ios::binary);
  if (!in) return kRcgFileError;
  std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (in.bad()) return kRcgFileError;
  int32_t px = 0, py = 0;
  if (!TL_PngSize(bytes, px, py)) return kRcgBadPicture;
  if (!d->inCell) {
    LeaveTable(*d);
    d->paragraphHasText = true;
  }
  d->body += "{\\pict\\pngblip\\picw" + Num(px) + "\\pich" + Num(py) + "\\picwgoal" + Num(width > 0 ? width : 15 * px) +
             "\\pichgoal" + Num(height > 0 ? height : 15 * py) + "\n" + Hex(bytes) + "}";
  return kRcgOk;
}

std::string RcgDocumentText(int32_t doc) {
  Document* d = Find(doc);
  if (!d) return "";
  std::string s = "{\\rtf1\\ansi\\ansicpg1252\\deff0\\uc1\n{\\fonttbl";
  if (d->fonts.empty()) d->fonts.push_back("Times New Roman");
  for (size_t i = 0; i < d->fonts.size(); ++i)
    s += "{\\f" + Num(static_cast<int64_t>(i)) + "\\fnil\\fcharset0 " + Escape(TL_Utf8ToAnsi(d->fonts[i]), false) + ";}";
  s += "}\n{\\colortbl;";
  for (int32_t c : d->colors) Red(s, c);
  s += "}\n";
  int32_t w = d->a4 ? 11906 : 12240, h = d->a4 ? 16838 : 15840;
  if (d->landscape) std::swap(w, h);
  s += "\\paperw" + Num(w) + "\\paperh" + Num(h) + "\\margl1417\\margr1417\\margt1417\\margb1134\\viewscale" +
       Num(d->zoom) + (d->landscape ? "\\landscape" : "") + "\n";
  s += "\\sectd\\sbknone";
  if (d->landscape) s += "\\lndscpsxn";
  if (d->columns > 1) s += "\\cols" + Num(d->columns);
  s += "\n\\pard\\plain ";
  s += d->body;
  s += "}\n";
  return s;
}

namespace {

std::exception_ptr& SaveError() {
  static std::exception_ptr error;
  return error;
}

}  // namespace

int32_t RcgSaveFile(int32_t doc, const std::string& path) {
  if (!Find(doc)) return kRcgBadHandle;
  SaveError() = nullptr;
  const std::string text = RcgDocumentText(doc);
  try {
    TL_WriteFileAtomic(path, std::vector<char>(text.begin(), text.end()));
  } catch (const std::exception&) {
    SaveError() = std::current_exception();
    return kRcgFileError;
  }
  return kRcgOk;
}

std::exception_ptr RcgTakeSaveError() { return std::exchange(SaveError(), nullptr); }

int32_t RcgEndDoc(int32_t doc) { return Documents().erase(doc) ? kRcgOk : kRcgBadHandle; }

}  // namespace kova
