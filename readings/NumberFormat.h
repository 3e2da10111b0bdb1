#pragma once

#include <string>

// The text of a number under a mask of "#" and "0" digit positions, optionally with "." and
// decimal positions ("#0.00", "###0"). The exact value of the float is rounded to the mask's
// decimals, an exact tie to the even digit; every integer digit is printed, a "0" position
// forces a digit, nothing is padded, and "." is the separator whatever the user's settings.
// A value that rounds to zero has no minus sign. A non-finite value gives the empty text.
std::string formatNumber(float value, const std::string& mask);
