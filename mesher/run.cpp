// The generator from command line to model file: options, reading, generation, writing.
#include "tarnel.h"

#include <cstdlib>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace
{

// Output goes to a temporary file beside the model file and is renamed onto it only when it
// is complete, so a refused or failed run never leaves a partial model behind.
struct pending_output {
    std::string final_name, temp_name;
    FILE *file = nullptr;

    bool open(const std::string &name)
    {
        final_name = name;
        // A device, pipe or symbolic link (say /dev/stdout) is written in place: a rename
        // would replace it by a plain file.
        struct stat st;
        if (!name.empty() && lstat(name.c_str(), &st) == 0 && !S_ISREG(st.st_mode)) {
            file = std::fopen(name.c_str(), "w");
            return file != nullptr;
        }
        std::vector<char> pattern(name.begin(), name.end());
        const char suffix[] = ".tmpXXXXXX";
        pattern.insert(pattern.end(), suffix, suffix + sizeof suffix); // includes the '\0'
        const int fd = name.empty() ? -1 : mkstemp(pattern.data());
        if (fd < 0) return false;
        temp_name = pattern.data();
        // mkstemp makes the file private (0600); the model file gets what fopen would give.
        const mode_t mask = umask(0);
        umask(mask);
        fchmod(fd, 0666 & ~mask);
        file = fdopen(fd, "w");
        if (!file) {
            close(fd);
            std::remove(temp_name.c_str());
            return false;
        }
        return true;
    }
    bool commit()
    {
        const bool written = std::fclose(file) == 0;
        file = nullptr;
        if (temp_name.empty()) return written; // written in place
        if (written && std::rename(temp_name.c_str(), final_name.c_str()) == 0) return true;
        std::remove(temp_name.c_str());
        return false;
    }
    ~pending_output()
    {
        if (file) {
            std::fclose(file);
            if (!temp_name.empty()) std::remove(temp_name.c_str());
        }
    }
};

} // namespace

int run_tarnel(int argc, char **argv, FILE *msg_out, FILE *msg_err)
{
    tarnel_run run;
    run.msg_out = msg_out;
    run.msg_err = msg_err;
    const int status = parse_options(argc, argv, run.opt, msg_out, msg_err);
    if (status >= 0) return status;

    FILE *in = std::fopen(run.opt.in_name.c_str(), "r");
    if (!in) {
        std::fprintf(msg_err, "File(%s) can not be opened", run.opt.in_name.c_str());
        return exit_refused;
    }
    pending_output out;
    if (!out.open(run.opt.out_name)) {
        std::fclose(in);
        std::fprintf(msg_err, "File(%s) can not be opened", run.opt.out_name.c_str());
        return exit_refused;
    }
    std::fprintf(msg_out, "Infile [%s], Otfile [%s]\n", run.opt.in_name.c_str(),
                 run.opt.out_name.c_str());
    const bool read = read_description(in, run);
    std::fclose(in);
    if (!read) return exit_refused;

    if (!make_elements(run)) return exit_refused;
    if (run.ne == 0) {
        std::fprintf(msg_err,
                     "tarnel: %s: the description makes no element (every cell is void, narrow "
                     "in both directions, or a joint strip of a joint layer)\n",
                     run.opt.in_name.c_str());
        return exit_refused;
    }
    make_boundary(run);
    if (!rearrange_nodes(run)) return exit_refused;
    make_load_faces(run);
    if (!write_model(out.file, run) || !out.commit()) {
        std::fprintf(msg_err, "tarnel: %s: the model file could not be written completely\n",
                     run.opt.out_name.c_str());
        return exit_refused;
    }
    return exit_ok;
}
