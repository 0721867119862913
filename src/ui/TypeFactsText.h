#pragma once
// The facts of a receiver system type as the windows show them beside its name.

#include <QString>

#include "model/CSystemType.h"

namespace kova {

// MN_TypeFacts of the type, with each range held together on one line when a label wraps it.
QString MN_TypeFactsText(const CSystemType& type);

}  // namespace kova
