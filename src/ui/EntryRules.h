#pragma once
// How the windows take a frequency typed into a table cell or a text box: text that is not a
// number is refused with a word and the field gets back what it held, and a number off the
// tuning grid is offered the nearest grid point with what that point is and where the type tunes.

#include <QString>
#include <cstdint>
#include <string>

class QLineEdit;

namespace kova {

class CSpectrum;

// The message for text that is not a number.
inline constexpr const char* kEnterFrequency = "Please enter a frequency in MHz.";

// The question for a frequency off the tuning grid: the two lines the program always asked, then
// "<typed> MHz becomes <grid point> MHz (tuning range <lo>–<hi> MHz)." naming every band of
// `tuning`, the lines joined with `lineBreak`.
std::string MN_OffGridQuestion(double typed, double gridPoint, const CSpectrum& tuning, const char* lineBreak = "\r");

// What to do with a typed text: kept (a number), dropped silently (empty: taken as no edit) or
// refused (anything else; the caller shows kEnterFrequency).
enum class TypedText { Number, Empty, NotANumber };
TypedText MN_ClassifyTyped(const QString& text);

// Lets only what can become a number be typed into `box` (digits, sign, one "." or ",", an
// exponent), so a field of numbers never holds letters.
void MN_AcceptNumbersOnly(QLineEdit* box);

// A whole number typed into a text box, held between low and high (ties to even); text that is
// no number gives low.
int32_t MN_WholeNumber(const QLineEdit* box, int32_t low, int32_t high);

}  // namespace kova
