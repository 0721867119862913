#include "ui/TypeFactsText.h"

#include "app/TypeFacts.h"

namespace kova {

QString MN_TypeFactsText(const CSystemType& type) {
  // Word joiners on both sides of the dash: a line may break after a range's comma, never
  // inside the range.
  QString text = QString::fromStdString(MN_TypeFacts(type));
  text.replace(QChar(0x2013), QStringLiteral("\u2060\u2013\u2060"));
  return text;
}

}  // namespace kova
