#include "app/PdfDocument.h"

#include <QBuffer>
#include <QFont>
#include <QFontMetricsF>
#include <QLocale>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QTextLayout>
#include <algorithm>
#include <memory>

#include "display/PaperSpectrum.h"
#include "display/SpectrumPicture.h"
#include "reports/RtfGenerator.h"
#include "tools/BinaryFile.h"
#include "tools/Tools.h"

namespace kova {

namespace {

constexpr int kResolution = 1200;  // device units per inch
constexpr double kPt = kResolution / 72.0;
constexpr double kTwip = kResolution / 1440.0;
const char kFontFamily[] = "DejaVu Sans";

constexpr double kPictureAspect = 2.4;  // width of a picture on the page to its height

QFont FontOf(const RtfFont& f, bool bold = false) {
  QFont font(QString::fromLatin1(kFontFamily));
  font.setStyleHint(QFont::SansSerif);
  font.setPointSizeF(f.size > 0 ? f.size : 10);
  font.setBold(bold || (f.style & kRcgBold) != 0);
  font.setItalic((f.style & kRcgItalic) != 0);
  font.setUnderline((f.style & kRcgUnderline) != 0);
  return font;
}

// Lays the items out page by page; with a painter it also draws them. The first run without a
// painter counts the pages for the footers of the second.
class Flow {
 public:
  Flow(QPdfWriter& writer, QPainter* painter, int32_t pages, const std::string& footer, const PdfPictureDrawer& draw)
      : writer_(writer), p_(painter), pages_(pages), footer_(QString::fromStdString(footer)), draw_(draw) {
    const QRect page = writer.pageLayout().paintRectPixels(kResolution);
    width_ = page.width();
    footerFont_ = FontOf(RtfFont{"", 8});
    footerHeight_ = QFontMetricsF(footerFont_, &writer_).height() + 4 * kPt;
    height_ = page.height() - footerHeight_;
    StartPage();
  }

  int32_t Pages() const { return page_; }

  void Item(const RtfItem& item) {
    if (item.pageBefore && y_ > 0) NewPage();
    if (item.kind == kRtfTable) Table(item);
    else if (item.kind == kRtfPictures) Pictures(item);
    else Text(item.text, item.font, 0);
    y_ += Gap(item.font);
  }

 private:
  double Gap(const RtfFont& f) const { return QFontMetricsF(FontOf(f), &writer_).height() * 0.6; }

  void StartPage() {
    ++page_;
    y_ = 0;
    if (!p_) return;
    p_->setFont(footerFont_);
    p_->setPen(QColor(90, 90, 90));
    const QRectF foot(0, height_ + 4 * kPt, width_, footerHeight_ - 4 * kPt);
    p_->drawLine(QPointF(0, height_ + 2 * kPt), QPointF(width_, height_ + 2 * kPt));
    p_->drawText(foot, Qt::AlignLeft | Qt::AlignVCenter, footer_);
    p_->drawText(foot, Qt::AlignRight | Qt::AlignVCenter,
                 QStringLiteral("Page %1 of %2").arg(page_).arg(std::max(pages_, page_)));
  }

  void NewPage() {
    if (p_) writer_.newPage();
    StartPage();
  }

  // Room for `h` on this page, or a new page (unless this one is still empty).
  void Need(double h) {
    if (y_ > 0 && y_ + h > height_) NewPage();
  }

  // The lines of `text` (paragraphs end at CR) wrapped to the width.
  std::vector<QTextLayout*> LayOut(const std::string& text, const QFont& font,
                                   std::vector<std::unique_ptr<QTextLayout>>& keep) {
    std::vector<QTextLayout*> out;
    size_t start = 0;
    std::string body = text;
    // A trailing paragraph end closes the last paragraph; it opens no empty one.
    if (!body.empty() && body.back() == '\r') body.pop_back();
    while (start <= body.size()) {
      const size_t end = std::min(body.find('\r', start), body.size());
      const QString paragraph = QString::fromStdString(body.substr(start, end - start));
      auto layout = std::make_unique<QTextLayout>(paragraph, font, &writer_);
      layout->beginLayout();
      double h = 0;
      for (QTextLine line = layout->createLine(); line.isValid(); line = layout->createLine()) {
        line.setLineWidth(width_);
        line.setPosition(QPointF(0, h));
        h += line.height();
      }
      layout->endLayout();
      out.push_back(layout.get());
      keep.push_back(std::move(layout));
      start = end + 1;
    }
    return out;
  }

  // Paragraphs line by line; `keepWith` more height must follow the first line on its page.
  void Text(const std::string& text, const RtfFont& f, double keepWith) {
    if (text.empty() || text == "\r") return;
    const QFont font = FontOf(f);
    std::vector<std::unique_ptr<QTextLayout>> keep;
    bool first = true;
    for (QTextLayout* layout : LayOut(text, font, keep)) {
      for (int i = 0; i < layout->lineCount(); ++i) {
        const QTextLine line = layout->lineAt(i);
        Need(line.height() + (first ? keepWith : 0));
        first = false;
        if (p_) {
          p_->setPen(TL_PaperColor(TL_DisplayColor(f.color)));
          line.draw(p_, QPointF(0, y_ - line.y()));
        }
        y_ += line.height();
      }
      if (layout->lineCount() == 0) y_ += QFontMetricsF(font, &writer_).height();  // an empty paragraph
    }
  }

  void Table(const RtfItem& t) {
    const QFont plain = FontOf(t.font);
    const QFont bold = FontOf(t.font, true);
    const QFontMetricsF plainMetrics(plain, &writer_), boldMetrics(bold, &writer_);
    const double pad = 1.5 * kPt;
    const double rowHeight = std::max(plainMetrics.height(), boldMetrics.height()) + 2 * pad;
    std::vector<double> widths;
    double total = 0;
    for (int32_t c = 0; c < t.columns; ++c) {
      widths.push_back(c < static_cast<int32_t>(t.widths.size()) ? t.widths[static_cast<size_t>(c)] * kTwip : 0.0);
      total += widths.back();
    }
    if (total > width_)
      for (double& w : widths) w *= width_ / total;

    const int32_t header = std::clamp(t.headerRows, 0, t.rows);
    Text(t.text, t.font, rowHeight * std::min(header + 1, t.rows));
    auto row = [&](int32_t r) {
      if (!p_) return;
      double x = 0;
      for (int32_t c = 0; c < t.columns; ++c) {
        const RtfCell& cell = t.cells[static_cast<size_t>(r)][static_cast<size_t>(c)];
        const double w = widths[static_cast<size_t>(c)];
        const QRectF box(x, y_, w, rowHeight);
        const bool isHeader = r < header || c < t.headerColumns;
        QColor ground = TL_DisplayColor(cell.color);
        if (cell.color == kRtfWhite && r < header) ground = QColor(232, 232, 232);
        p_->fillRect(box, ground);
        p_->setPen(QPen(QColor(150, 150, 150), 0.5 * kPt));
        p_->drawRect(box);
        if (cell.swatch && TL_PaperColor(ground) != ground) {
          // A light colour (white above all) would vanish into the paper without a dark frame.
          p_->setPen(QPen(TL_PaperColor(ground), 1.5 * kPt));
          p_->setBrush(Qt::NoBrush);
          p_->drawRect(box.adjusted(0.75 * kPt, 0.75 * kPt, -0.75 * kPt, -0.75 * kPt));
        }
        if (r < header && r == header - 1) {
          p_->setPen(QPen(QColor(60, 60, 60), 1.0 * kPt));
          p_->drawLine(box.bottomLeft(), box.bottomRight());
        }
        const QFont& font = isHeader ? bold : plain;
        const QFontMetricsF& m = isHeader ? boldMetrics : plainMetrics;
        const QRectF inner = box.adjusted(3 * kPt, 0, -3 * kPt, 0);
        p_->setFont(font);
        p_->setPen(TL_PaperColor(TL_DisplayColor(t.font.color)));
        p_->drawText(inner, Qt::AlignVCenter | (r < header ? Qt::AlignHCenter : Qt::AlignLeft),
                     m.elidedText(QString::fromStdString(cell.text), Qt::ElideRight, inner.width()));
        x += w;
      }
    };
    for (int32_t r = 0; r < t.rows; ++r) {
      if (y_ > 0 && y_ + rowHeight > height_) {
        NewPage();
        // The header rows again at the top of the new page.
        if (r >= header)
          for (int32_t h = 0; h < header; ++h) {
            row(h);
            y_ += rowHeight;
          }
      }
      row(r);
      y_ += rowHeight;
    }
  }

  void Pictures(const RtfItem& item) {
    const double h = width_ / kPictureAspect;
    Text(item.text, item.font, h);
    for (const RtfPicture& picture : item.pictures) {
      Need(h);
      if (p_ && draw_) {
        const QRectF area(0, y_, width_, h);
        draw_(pictureIndex_, *p_, area);
        p_->setPen(QPen(QColor(120, 120, 120), 0.5 * kPt));
        p_->setBrush(Qt::NoBrush);
        p_->drawRect(area);
      }
      ++pictureIndex_;
      y_ += h;
      if (!picture.caption.empty()) Text(picture.caption, item.font, 0);
    }
  }

  QPdfWriter& writer_;
  QPainter* p_;
  int32_t pages_;
  QString footer_;
  const PdfPictureDrawer& draw_;
  QFont footerFont_;
  double footerHeight_ = 0;
  double width_ = 0, height_ = 0;
  double y_ = 0;
  int32_t page_ = 0;
  int32_t pictureIndex_ = 0;
};

void SetUp(QPdfWriter& writer, PaperSize paper, const std::string& title) {
  writer.setResolution(kResolution);
  writer.setTitle(QString::fromStdString(title));
  writer.setCreator(QStringLiteral("KOVA " KOVA_VERSION));
  const QPageSize size(paper == PaperSize::kLetter ? QPageSize::Letter : QPageSize::A4);
  writer.setPageLayout(QPageLayout(size, QPageLayout::Portrait, QMarginsF(18, 12, 18, 10), QPageLayout::Millimeter));
}

}  // namespace

PaperSize MN_LocalePaper() {
  const QLocale locale;
  if (locale.measurementSystem() == QLocale::ImperialUSSystem || locale.territory() == QLocale::Canada)
    return PaperSize::kLetter;
  return PaperSize::kA4;
}

QByteArray PDF_DocumentBytes(const std::vector<RtfItem>& items, PaperSize paper, const std::string& title,
                             const std::string& footer, const PdfPictureDrawer& draw) {
  // Count the pages first, so every footer can say how many there are.
  int32_t pages = 0;
  {
    QBuffer none;
    none.open(QIODevice::WriteOnly);
    QPdfWriter measure(&none);
    SetUp(measure, paper, title);
    Flow flow(measure, nullptr, 0, footer, draw);
    for (const RtfItem& item : items) flow.Item(item);
    pages = flow.Pages();
  }
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  {
    QPdfWriter writer(&buffer);
    SetUp(writer, paper, title);
    QPainter painter(&writer);
    if (!painter.isActive()) throw KovaError(75, "Path/File access error: the PDF could not be started");
    Flow flow(writer, &painter, pages, footer, draw);
    for (const RtfItem& item : items) flow.Item(item);
    painter.end();
  }
  if (bytes.isEmpty()) throw KovaError(75, "Path/File access error: the PDF could not be written");
  return bytes;
}

void PDF_WriteDocument(const std::string& path, const std::vector<RtfItem>& items, PaperSize paper,
                       const std::string& title, const std::string& footer, const PdfPictureDrawer& draw) {
  const QByteArray bytes = PDF_DocumentBytes(items, paper, title, footer, draw);
  TL_WriteFileAtomic(path, std::vector<char>(bytes.begin(), bytes.end()));
}

}  // namespace kova
