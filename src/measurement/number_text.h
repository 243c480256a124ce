#pragma once

#include <optional>
#include <string>

namespace measurement {

// The general number text of every value display.
//
// A value is first rounded to its significant digits (7 for single precision, 15 for double) and
// trailing zeros are dropped. It is written in plain notation while those digits fit in that many
// positions: a whole part of at most 7 (15) digits, or for magnitudes below 1 at most 7 (15)
// places after the point, leading zeros included. Otherwise the exponent form is used: the
// mantissa with one digit before the point, "E", the exponent's sign and at least two digits.
// So (single precision) 1234567 -> "1234567", 12345678 -> "1.234568E+07", 99999900000 ->
// "9.99999E+10", 0.00001 -> ".00001", 0.00000001 -> "1E-08", 0.01234567 -> "1.234567E-02".
// Magnitudes below 1 have no digit before the point (".25"), whole numbers no point, zero is "0",
// and the decimal separator is always ".".
std::string singleNumberText(float value);
std::string doubleNumberText(double value);

// A value formatted with a fixed number of decimals ("0.00" has 2) and read back, which is how the
// decoded values are rounded.
float roundSingle(float value, int decimals);
double roundDouble(double value, int decimals);

// The value with exactly `decimals` decimals, at least one digit before the point and "-" in front
// when negative, as the pattern "0.000" writes it for 3 decimals.
std::string fixedText(double value, int decimals);

}  // namespace measurement
