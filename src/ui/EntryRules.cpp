#include "ui/EntryRules.h"

#include <QLineEdit>
#include <QRegularExpression>
#include <QRegularExpressionValidator>
#include <cmath>

#include "model/CSpectrum.h"
#include "tools/Tools.h"

namespace kova {

std::string MN_OffGridQuestion(double typed, double gridPoint, const CSpectrum& tuning, const char* lineBreak) {
  std::string ranges;
  for (int32_t i = 1; i <= tuning.GlBands(); ++i) {
    const BandRef band = tuning.GxGetBand(i);
    if (!ranges.empty()) ranges += ", ";
    ranges += MN_FormatFreq(band->GfLo()) + "\u2013" + MN_FormatFreq(band->GfHi());
  }
  return std::string("You have entered a frequency that is not valid for the current system.") + lineBreak +
         "Should KOVA change this frequency to a valid value?" + lineBreak + MN_FormatFreq(typed) + " MHz becomes " +
         MN_FormatFreq(gridPoint) + " MHz (tuning range" + (tuning.GlBands() > 1 ? "s " : " ") + ranges + " MHz).";
}

TypedText MN_ClassifyTyped(const QString& text) {
  if (text.trimmed().isEmpty()) return TypedText::Empty;
  return TL_IsNumber(text.toStdString()) ? TypedText::Number : TypedText::NotANumber;
}

void MN_AcceptNumbersOnly(QLineEdit* box) {
  static const QRegularExpression pattern(QStringLiteral(R"(\s*[+-]?\d*([.,]\d*)?([eE][+-]?\d*)?\s*)"));
  box->setValidator(new QRegularExpressionValidator(pattern, box));
}

int32_t MN_WholeNumber(const QLineEdit* box, int32_t low, int32_t high) {
  const double v = std::nearbyint(TL_ParseNumber(box->text().toStdString()));
  if (!(v >= low)) return low;
  if (v > high) return high;
  return static_cast<int32_t>(v);
}

}  // namespace kova
