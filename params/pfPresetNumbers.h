// Numbers in preset files, written and read the same way whatever the process locale (a
// German-locale host must neither write "0,500000" nor misread "0.500000").
#pragma once

#include <cstdint>
#include <string>

// Appends value in fixed notation with six decimals, as "%f" does in the C locale.
void pfAppendFixed6(std::string& out, double value);
// Appends a decimal integer.
void pfAppendInt(std::string& out, int32_t value);
// The longest leading decimal number of the word; 0 when there is none, when it is out of
// range, or when it is not finite.
double pfParseLeadingDouble(const std::string& word);
// The leading decimal integer of the word; 0 when there is none or it does not fit.
int32_t pfParseLeadingInt(const std::string& word);
