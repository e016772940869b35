// Dialog field texts to numbers, failing with the toolkit's conversion messages.
#include "field_text.h"

#include <cctype>
#include <cfloat>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <locale.h>

namespace
{

// Bounds of the text without the blanks around it.
void trim(const std::string &text, std::size_t &first, std::size_t &last)
{
    first = 0;
    last = text.size();
    while (first < last && std::isspace(static_cast<unsigned char>(text[first]))) ++first;
    while (last > first && std::isspace(static_cast<unsigned char>(text[last - 1]))) --last;
}

std::size_t skip_digits(const std::string &s, std::size_t i, std::size_t end)
{
    while (i < end && std::isdigit(static_cast<unsigned char>(s[i]))) ++i;
    return i;
}

} // namespace

double field_float(const std::string &text)
{
    const field_error bad("'" + text + "' is not a valid floating point value");
    std::size_t first, last;
    trim(text, first, last);
    // [+-] digits [. digits] [(e|E) [+-] digits], at least one mantissa digit; no hex, inf, nan.
    std::size_t i = first;
    if (i < last && (text[i] == '+' || text[i] == '-')) ++i;
    const std::size_t int_end = skip_digits(text, i, last);
    std::size_t mantissa_digits = int_end - i;
    i = int_end;
    if (i < last && text[i] == '.') {
        const std::size_t frac_end = skip_digits(text, i + 1, last);
        mantissa_digits += frac_end - (i + 1);
        i = frac_end;
    }
    if (mantissa_digits == 0) throw bad;
    if (i < last && (text[i] == 'e' || text[i] == 'E')) {
        std::size_t j = i + 1;
        if (j < last && (text[j] == '+' || text[j] == '-')) ++j;
        const std::size_t exp_end = skip_digits(text, j, last);
        if (exp_end == j) throw bad;
        i = exp_end;
    }
    if (i != last) throw bad;

    // Read in the C locale whatever the process locale; underflow gives 0.
    static const locale_t c_locale = newlocale(LC_ALL_MASK, "C", locale_t(0));
    const std::string number = text.substr(first, last - first);
    double value = strtod_l(number.c_str(), nullptr, c_locale);
    if (!(std::fabs(value) <= FLT_MAX)) throw bad;
    return value;
}

int field_int(const std::string &text)
{
    const field_error bad("'" + text + "' is not a valid integer value");
    std::size_t first, last;
    trim(text, first, last);
    std::size_t start = first;
    if (start < last && text[start] == '+') ++start;
    if (start == last || text[start] == '+') throw bad;
    int value = 0;
    const auto r = std::from_chars(text.data() + start, text.data() + last, value);
    if (r.ec != std::errc() || r.ptr != text.data() + last) throw bad;
    return value;
}

std::string format_field(const char *format, double value)
{
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, format, value);
    return buffer;
}
