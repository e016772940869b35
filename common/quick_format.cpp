#include "quick_format.h"

#include <charconv>
#include <cmath>

bool quick_format_append(std::string &out, const char *format, const quick_format_arg *args, int n)
{
    const std::size_t start = out.size();
    const auto refuse = [&] {
        out.resize(start);
        return false;
    };
    int next = 0;
    for (const char *p = format; *p;) {
        if (*p != '%') {
            const char *q = p;
            while (*q && *q != '%') ++q;
            out.append(p, static_cast<std::size_t>(q - p));
            p = q;
            continue;
        }
        ++p;
        if (*p == '%') {
            out += '%';
            ++p;
            continue;
        }
        bool left = false;
        while (*p == '-') {
            left = true;
            ++p;
        }
        int width = 0, precision = -1;
        while (*p >= '0' && *p <= '9') {
            if (width == 0 && *p == '0') return refuse(); // the '0' flag
            width = 10 * width + (*p++ - '0');
            if (width > 256) return refuse();
        }
        if (*p == '.') {
            ++p;
            precision = 0;
            while (*p >= '0' && *p <= '9') {
                precision = 10 * precision + (*p++ - '0');
                if (precision > 100) return refuse();
            }
        }
        while (*p == 'h' || *p == 'l' || *p == 'z') ++p;
        const char conversion = *p;
        if (conversion == '\0' || next >= n) return refuse();
        ++p;
        const quick_format_arg &a = args[next++];
        char text[512];
        char *end = text;
        switch (conversion) {
        case 'd':
        case 'i':
        case 'u': {
            if (precision >= 0 || !a.integer || (conversion == 'u' && a.i < 0)) return refuse();
            end = std::to_chars(text, text + sizeof text, a.i).ptr;
            break;
        }
        case 'f':
        case 'F':
        case 'e':
        case 'E': {
            if (!a.real || !std::isfinite(a.d)) return refuse();
            const bool fixed = conversion == 'f' || conversion == 'F';
            const std::to_chars_result r =
                std::to_chars(text, text + sizeof text, a.d,
                              fixed ? std::chars_format::fixed : std::chars_format::scientific,
                              precision < 0 ? 6 : precision);
            if (r.ec != std::errc()) return refuse();
            end = r.ptr;
            if (conversion == 'E')
                for (char *c = text; c != end; ++c)
                    if (*c == 'e') *c = 'E';
            break;
        }
        default:
            return refuse();
        }
        const int length = static_cast<int>(end - text);
        if (!left && width > length) out.append(static_cast<std::size_t>(width - length), ' ');
        out.append(text, static_cast<std::size_t>(length));
        if (left && width > length) out.append(static_cast<std::size_t>(width - length), ' ');
    }
    return true;
}
