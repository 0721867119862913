#include "ui/NumberFields.h"

#include <QLineEdit>
#include <QWidget>
#include <algorithm>
#include <cmath>

#include "tools/Tools.h"

namespace kova {

namespace {

const NumberRule kRules[] = {
    {"GenRuns", 1, 1000000, 0},
    {"GenShow", 1, 1000, 0},
    {"GenChannels", 0, 100, 0},
    {"SearchStep", 0.025, 1.0, 3},
};

// Whether typing on can turn `text` (digits with at most one ".", no sign) into a number of
// [low, high] with at most `decimals` decimals. With a point and f decimals typed, the numbers
// it can become fill [t, t + 10^-f) (t alone when no decimal may follow); without one, each
// further whole digit k gives [w * 10^k, (w + 1) * 10^k).
bool CanBecome(const QString& text, double low, double high, int decimals) {
  const qsizetype point = text.indexOf(QLatin1Char('.'));
  const auto meets = [&](double from, double to) { return from <= high && to > low; };
  if (point >= 0) {
    const auto typed = static_cast<int>(text.size() - point - 1);
    const double t = text == QLatin1String(".") ? 0.0 : text.toDouble();
    if (typed >= decimals) return t >= low && t <= high;
    return meets(t, t + std::pow(10.0, -typed));
  }
  const double w = text.toDouble();
  double scale = 1.0;
  for (int k = 0; k <= 12 && w * scale <= high; ++k, scale *= 10.0)
    if (meets(w * scale, (w + 1.0) * scale)) return true;
  return false;
}

}  // namespace

RangeValidator::RangeValidator(const NumberRule& rule, QObject* parent) : QValidator(parent), rule_(rule) {}

QValidator::State RangeValidator::validate(QString& input, int&) const {
  QString text = input.trimmed();
  text.replace(QLatin1Char(','), QLatin1Char('.'));
  if (text.isEmpty()) return Intermediate;
  for (const QChar c : text)
    if (!c.isDigit() && c != QLatin1Char('.')) return Invalid;
  if (text.count(QLatin1Char('.')) > 1) return Invalid;
  const qsizetype point = text.indexOf(QLatin1Char('.'));
  const qsizetype decimals = point < 0 ? 0 : text.size() - point - 1;
  if (decimals > rule_.decimals || (point >= 0 && rule_.decimals == 0)) return Invalid;
  const bool number = text != QLatin1String(".");
  const double v = number ? text.toDouble() : 0.0;
  if (number && v >= rule_.low && v <= rule_.high) return Acceptable;
  return CanBecome(text, rule_.low, rule_.high, rule_.decimals) ? Intermediate : Invalid;
}

double RangeValidator::Used(const QString& text) const {
  const std::string s = text.toStdString();
  if (!TL_IsNumber(s)) return rule_.low;
  double v = TL_ParseNumber(s);
  if (rule_.decimals == 0) v = std::nearbyint(v);
  return std::clamp(v, rule_.low, rule_.high);
}

QString RangeValidator::Format(double value) const {
  if (rule_.decimals == 0) return QString::number(static_cast<qint64>(value));
  return QString::fromStdString(TL_FormatNumber(value, "0." + std::string(static_cast<size_t>(rule_.decimals), '0')));
}

void RangeValidator::fixup(QString& input) const { input = Format(Used(input)); }

const NumberRule* MN_NumberRuleFor(const QString& objectName) {
  if (!objectName.endsWith(QLatin1String("_Tbx"))) return nullptr;
  for (const NumberRule& rule : kRules) {
    const QString prefix = QLatin1String(rule.prefix);
    if (!objectName.startsWith(prefix)) continue;
    // Only a system number may stand between the prefix and "_Tbx" ("SearchStep2_Tbx").
    const QString middle = objectName.mid(prefix.size(), objectName.size() - prefix.size() - 4);
    bool digits = true;
    for (const QChar c : middle) digits = digits && c.isDigit();
    if (digits) return &rule;
  }
  return nullptr;
}

void MN_ApplyNumberRules(QWidget* root) {
  for (QLineEdit* box : root->findChildren<QLineEdit*>()) {
    const NumberRule* rule = MN_NumberRuleFor(box->objectName());
    if (!rule || qobject_cast<const RangeValidator*>(box->validator())) continue;
    auto* validator = new RangeValidator(*rule, box);
    box->setValidator(validator);
    // Leaving the box shows the value the program uses, also for a number the box accepted as
    // typed ("0.50" shows 0.500, "007" shows 7).
    QObject::connect(box, &QLineEdit::editingFinished, box, [box, validator] {
      const QString shown = validator->Format(validator->Used(box->text()));
      if (box->text() != shown) box->setText(shown);
    });
  }
}

}  // namespace kova
