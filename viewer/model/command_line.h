// Command line of ostrine: the -F base and -U mode options, read without any window.
#pragma once

#include <string>
#include <vector>

#include "field_text.h"

// Options of the command line.
struct command_options {
    std::string base_name; // -F: result set to load at start (empty: none)
    int unit_mode = 0;     // -U: 0 ask at every Open, 1 files not in SI, 2 files in SI
};

// Reads -F/-f base and -U/-u mode from the tokens (program name excluded). Options are read
// while at least two tokens remain and the current one starts with '-'; any other letter stops
// the reading. Throws field_error when the -U value is not an integer.
command_options parse_command_line(const std::vector<std::string> &tokens);
