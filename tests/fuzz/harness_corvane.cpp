// Fuzz harness bodies of corvane: model, dowel and case files (each read, then the matrix pattern,
// one assembly and the load vector on small models) and the command line.
#include "dowel_results.h"
#include "fuzz_common.h"
#include "global_matrix.h"
#include "loads.h"
#include "model_io.h"
#include "options.h"

#include <cstdint>
#include <new>

namespace
{

// A slab of two solid bays joined by a 0.2 wide joint (written by tarnel from the seed
// description of its corpus): the model the dowel and case inputs are read against.
const char fixed_model[] = R"(  48    2   15   40  150
 3.00000e+05  1.50000e-01  2.40000e-03  1.00000e-05  1.00000e+00  0.00000e+00  0.00000e+00  0.00000e+00  0.00000e+00  0.00000e+00  0.00000e+00  0.00000e+00 
 1.00000e+03  1.00000e+03  5.00000e+03  0.00000e+00  0.00000e+00  3.00000e-01  0.00000e+00  0.00000e+00  0.00000e+00  0.00000e+00  0.00000e+00  1.00000e+00 
    0.0000     0.0000   -25.0000 0.0 0.0 0.0
   40.0000     0.0000   -25.0000 0.0 0.0 0.0
   40.0000    10.0000   -25.0000 0.0 0.0 0.0
    0.0000    10.0000   -25.0000 0.0 0.0 0.0
    0.0000     0.0000     0.0000 0.0 0.0 0.0
   40.0000     0.0000     0.0000 0.0 0.0 0.0
   40.0000    10.0000     0.0000 0.0 0.0 0.0
    0.0000    10.0000     0.0000 0.0 0.0 0.0
   60.0000     0.0000   -25.0000 0.0 0.0 0.0
   60.0000    10.0000   -25.0000 0.0 0.0 0.0
   60.0000     0.0000     0.0000 0.0 0.0 0.0
   60.0000    10.0000     0.0000 0.0 0.0 0.0
  100.0000     0.0000   -25.0000 0.0 0.0 0.0
  100.0000    10.0000   -25.0000 0.0 0.0 0.0
  100.0000     0.0000     0.0000 0.0 0.0 0.0
  100.0000    10.0000     0.0000 0.0 0.0 0.0
  100.2000    10.0000     0.0000 0.0 0.0 0.0
  100.2000     0.0000     0.0000 0.0 0.0 0.0
  100.2000     0.0000   -25.0000 0.0 0.0 0.0
  100.2000    10.0000   -25.0000 0.0 0.0 0.0
  200.0000     0.0000   -25.0000 0.0 0.0 0.0
  200.0000    10.0000   -25.0000 0.0 0.0 0.0
  200.0000     0.0000     0.0000 0.0 0.0 0.0
  200.0000    10.0000     0.0000 0.0 0.0 0.0
   40.0000    40.0000   -25.0000 0.0 0.0 0.0
    0.0000    40.0000   -25.0000 0.0 0.0 0.0
   40.0000    40.0000     0.0000 0.0 0.0 0.0
    0.0000    40.0000     0.0000 0.0 0.0 0.0
   60.0000    40.0000   -25.0000 0.0 0.0 0.0
   60.0000    40.0000     0.0000 0.0 0.0 0.0
  100.0000    40.0000   -25.0000 0.0 0.0 0.0
  100.0000    40.0000     0.0000 0.0 0.0 0.0
  100.2000    40.0000     0.0000 0.0 0.0 0.0
  100.2000    40.0000   -25.0000 0.0 0.0 0.0
  200.0000    40.0000   -25.0000 0.0 0.0 0.0
  200.0000    40.0000     0.0000 0.0 0.0 0.0
   40.0000    50.0000   -25.0000 0.0 0.0 0.0
    0.0000    50.0000   -25.0000 0.0 0.0 0.0
   40.0000    50.0000     0.0000 0.0 0.0 0.0
    0.0000    50.0000     0.0000 0.0 0.0 0.0
   60.0000    50.0000   -25.0000 0.0 0.0 0.0
   60.0000    50.0000     0.0000 0.0 0.0 0.0
  100.0000    50.0000   -25.0000 0.0 0.0 0.0
  100.0000    50.0000     0.0000 0.0 0.0 0.0
  100.2000    50.0000     0.0000 0.0 0.0 0.0
  100.2000    50.0000   -25.0000 0.0 0.0 0.0
  200.0000    50.0000   -25.0000 0.0 0.0 0.0
  200.0000    50.0000     0.0000 0.0 0.0 0.0
   0    1    2    3    4    5    6    7    0
   1    8    9    2    5   10   11    6    0
   8   12   13    9   10   14   15   11    0
  15   14   12   13   16   17   18   19    1
  18   20   21   19   17   22   23   16    0
   3    2   24   25    7    6   26   27    0
   2    9   28   24    6   11   29   26    0
   9   13   30   28   11   15   31   29    0
  31   15   13   30   32   16   19   33    1
  19   21   34   33   16   23   35   32    0
  25   24   36   37   27   26   38   39    0
  24   28   40   36   26   29   41   38    0
  28   30   42   40   29   31   43   41    0
  43   31   30   42   44   32   33   45    1
  33   34   46   45   32   35   47   44    0
   0  1  1  1
   3  1  1  1
   4  1  1  0
   7  1  0  0
  20  1  1  1
  21  1  1  1
  22  1  1  0
  23  1  0  0
  25  1  1  1
  27  1  0  0
  34  1  1  1
  35  1  0  0
  37  1  1  1
  39  1  1  0
  46  1  1  1
  47  1  1  0
   1  1  1  1
   5  0  1  0
   8  1  1  1
  10  0  1  0
  12  1  1  1
  14  0  1  0
  17  0  1  0
  18  1  1  1
  36  1  1  1
  38  0  1  0
  40  1  1  1
  41  0  1  0
  42  1  1  1
  43  0  1  0
  44  0  1  0
  45  1  1  1
   2  1  1  1
   9  1  1  1
  13  1  1  1
  19  1  1  1
  24  1  1  1
  28  1  1  1
  30  1  1  1
  33  1  1  1
  1
6  0.00000e+00  0.00000e+00  7.50000e+00
26  0.00000e+00  0.00000e+00  7.50000e+00
29  0.00000e+00  0.00000e+00  7.50000e+00
11  0.00000e+00  0.00000e+00  7.50000e+00
)";

// Assembly and load vectors are run only on models this small; larger ones are legitimate
// and slow, not faults of the reader.
constexpr int max_fuzz_elements = 64;
constexpr int max_fuzz_nodes = 600;

FILE *open_text(const std::string &text)
{
    if (text.empty()) return std::fopen("/dev/null", "r");
    return fmemopen(const_cast<char *>(text.data()), text.size(), "r");
}

// Reads a model from text; returns the reader's complaint, empty when accepted.
std::string read_model_text(corvane_run &run, const std::string &text, const char *name)
{
    FILE *f = open_text(text);
    if (!f) std::abort();
    std::string why;
    try {
        read_model(run, f, name);
    } catch (const input_error &e) {
        why = e.what();
    }
    std::fclose(f);
    return why;
}

// What the driver does between reading and the iterations, on a small model.
void pattern_and_loads(corvane_run &run)
{
    if (run.ne > max_fuzz_elements || run.np > max_fuzz_nodes) return;
    set_fixed_flags(run);
    alloc_work(run);
    std::vector<int> kind(run.ne, couples_nothing);
    for (int e = 0; e < run.ne; ++e) {
        const int type = material_type(&run.mats[12 * run.conn[9 * e + 8]]);
        if (type == 0)
            kind[e] = couples_all;
        else if (is_joint_type(type))
            kind[e] = couples_facing;
    }
    build_pattern(run, kind.data());
    build_stiffness(run);
    build_f_ext(run);
}

} // namespace

std::string fuzz_corvane_model(const std::uint8_t *data, std::size_t size)
{
    corvane_run run;
    const std::string text(reinterpret_cast<const char *>(data), size);
    const std::string why = read_model_text(run, text, "fuzz.pin");
    if (why.empty()) pattern_and_loads(run);
    return why;
}

// Input: a dowel file, or a model file and a dowel file separated by the file separator.
std::string fuzz_corvane_dowel(const std::uint8_t *data, std::size_t size)
{
    const std::vector<std::string> parts = fuzz::split_files(data, size, 2);
    const std::string model = parts.size() == 2 ? parts[0] : std::string(fixed_model);
    corvane_run run;
    std::string why = read_model_text(run, model, "fuzz.pin");
    if (!why.empty()) return why;
    FILE *f = open_text(parts.back());
    if (!f) std::abort();
    try {
        read_dowels(run, f, "fuzz.dwi");
        why = dowel_data_fault(run, "fuzz.dwi");
    } catch (const input_error &e) {
        why = e.what();
    }
    std::fclose(f);
    if (!why.empty()) return why;
    pattern_and_loads(run);
    if (!run.disp.empty()) {
        fuzz::message_stream out;
        dowel_maxima mx;
        write_dowel_lines(run, out.f, mx);
        if (run.ndowel > 0) {
            char line[256];
            format_dowel_max_line(run, mx, line, sizeof line);
        }
    }
    return why;
}

// Input: a case file, or a model file and a case file separated by the file separator.
std::string fuzz_corvane_case(const std::uint8_t *data, std::size_t size)
{
    const std::vector<std::string> parts = fuzz::split_files(data, size, 2);
    const std::string model = parts.size() == 2 ? parts[0] : std::string(fixed_model);
    corvane_run run;
    std::string why = read_model_text(run, model, "fuzz.pin");
    if (!why.empty()) return why;
    FILE *f = open_text(parts.back());
    if (!f) std::abort();
    try {
        read_case_header(run, f, "fuzz.case");
    } catch (const input_error &e) {
        why = e.what();
    }
    std::fclose(f);
    if (!why.empty()) return why;
    if (run.case_mode && run.n_cases > 1)
        for (int c = 0; c < run.n_cases; ++c) read_case_materials(run, c);
    return why;
}

std::string fuzz_corvane_cmdline(const std::uint8_t *data, std::size_t size)
{
    fuzz::command_line cl("corvane", data, size, 64);
    corvane_run run;
    const int status = parse_command_line(run, cl.argc(), cl.argv.data());
    return status >= 0 ? std::to_string(status) : std::string();
}
