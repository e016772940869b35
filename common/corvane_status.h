// Exit statuses of corvane: what it returns and what the programs that run it read.
#pragma once

enum corvane_status {
    status_ok = 0,                 // normal end, usage message, model file not found
    status_no_memory = 1,          // an allocator could not obtain memory
    status_bad_input = 2,          // malformed command line, model, dowel or case file
    status_write_failed = 3,       // a result file could not be opened or written completely
    status_not_in_equilibrium = 4, // results written, equilibrium not reached
    status_no_file = 999,          // no -F option (a POSIX shell reports 231)
};
