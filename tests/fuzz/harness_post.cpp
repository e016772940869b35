// Fuzz harness body of the post-processing library: a result set (model, result, per-material
// stress, dowel input and dowel result files) read strictly, then its report built and written.
#include "fuzz_common.h"
#include "report.h"
#include "result_set.h"

#include <cstdint>

// Input: up to five files separated by the file separator, in the order model, result,
// per-material stresses, dowel input, dowel result; files not given are missing.
std::string fuzz_post_result_set(const std::uint8_t *data, std::size_t size)
{
    const std::vector<std::string> parts = fuzz::split_files(data, size, 5);
    static const char *const ext[5] = {".pin", ".out", ".mst", ".dwi", ".dwo"};
    const std::string base = fuzz::scratch_dir() + "/post";
    for (int i = 0; i < 5; ++i)
        fuzz::put_file(base + ext[i], i < static_cast<int>(parts.size()) ? &parts[i] : nullptr);
    read_request request;
    request.units = file_units::kgf_cm;
    result_set rs;
    std::string why, note;
    if (!read_result_set(base, request, rs, why, note)) return why;
    report_settings s;
    s.fc = 300;
    s.mr = 45;
    report_data r;
    if (!build_report(rs, s, r, why)) return why;
    for (const char *name : {"/report.md", "/report.csv"})
        if (!write_report(r, {{"case", r}}, {}, fuzz::scratch_dir() + name, why)) return why;
    return "reported"; // the replays tell a report from a refusal
}
