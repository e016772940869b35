// Command line of ostrine: reading the -F base and -U mode options from the tokens.
#include "command_line.h"

command_options parse_command_line(const std::vector<std::string> &tokens)
{
    command_options options;
    int n = static_cast<int>(tokens.size());
    int i = 0;
    while (n - 1 > 0) {
        const std::string &t = tokens[i];
        if (t.empty() || t[0] != '-') break;
        const char letter = t.size() > 1 ? t[1] : '\0';
        if (letter == 'F' || letter == 'f')
            options.base_name = tokens[i + 1];
        else if (letter == 'U' || letter == 'u')
            options.unit_mode = field_int(tokens[i + 1]);
        else
            break;
        i += 2;
        n -= 2;
    }
    return options;
}
