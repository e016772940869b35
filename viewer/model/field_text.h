// Dialog field texts to numbers, failing with the toolkit's conversion messages.
#pragma once

#include <stdexcept>
#include <string>

// Thrown when a dialog field does not hold a number. what() is the text the window shows
// ("'abc' is not a valid floating point value"); the command that read the field stops there.
class field_error : public std::runtime_error
{
  public:
    explicit field_error(const std::string &message) : std::runtime_error(message) {}
};

// Decimal number with optional sign, fraction and exponent, blanks around it allowed, read in
// the C locale whatever the process locale. Anything else, or a value beyond the float range,
// throws field_error "'text' is not a valid floating point value".
double field_float(const std::string &text);

// Decimal 32-bit integer with optional sign, blanks around it allowed.
// Anything else, or a value beyond the int range, throws field_error
// "'text' is not a valid integer value".
int field_int(const std::string &text);

// The field text of a float as the dialogs show it: "%10.5f", "%7.2f", "%6.3f" ...
std::string format_field(const char *format, double value);
