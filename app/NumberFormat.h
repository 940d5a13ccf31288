#pragma once
// Numbers as the window shows them: general notation, locale decimal separator.

#include <QString>

// Rounded to 'digits' significant digits; fixed-point when the rounded value
// is 0.d..d x 10^e with -3 <= e <= digits' limit (3 for coordinates, 15 for C),
// otherwise d.ddE-5 style. Trailing zeros are dropped; zero is "0".
QString FormatGeneral(double value, int digits);

// The coordinate read-out: 3 significant digits.
inline QString FormatCoordinate(double value) { return FormatGeneral(value, 3); }
// C in the edits: up to 15 significant digits.
inline QString FormatCoefficient(double value) { return FormatGeneral(value, 15); }
