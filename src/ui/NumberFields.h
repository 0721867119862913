#pragma once
// One table of the number boxes of the main window and the ranges the search accepts for them
// (the same as kova-cli's options): runs 1 … 1000000, results to show 1 … 1000, channels to add
// 0 … 100, search step 0.025 … 1.000 MHz. A box under a rule lets only what can still become a
// number of its range be typed (no letters, no sign where none fits, no digit too many), and once
// the user leaves it (focus or Enter) it shows the value actually used: a number short of the
// range (0 as a search step) becomes the nearest end, an empty box the lowest value.

#include <QString>
#include <QValidator>

class QLineEdit;
class QWidget;

namespace kova {

struct NumberRule {
  const char* prefix;  // the box's object name begins with it and ends with "_Tbx"
  double low;
  double high;
  int decimals;        // 0: whole numbers
};

// Accepts the numbers of one rule; "," or "." as decimal separator.
class RangeValidator : public QValidator {
  Q_OBJECT
 public:
  RangeValidator(const NumberRule& rule, QObject* parent);
  State validate(QString& input, int& pos) const override;
  void fixup(QString& input) const override;
  // The value `text` stands for, held in the range (the lowest value for no number).
  double Used(const QString& text) const;
  QString Format(double value) const;

 private:
  NumberRule rule_;
};

// The rule of a box by its object name; nullptr when none applies.
const NumberRule* MN_NumberRuleFor(const QString& objectName);

// Puts the validator of its rule on every box under `root` that has one (boxes created later
// need another call).
void MN_ApplyNumberRules(QWidget* root);

}  // namespace kova
