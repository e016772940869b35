// Fuzz harness body of the pavement front end: a description read and checked, then (when the
// mesh it asks for stays small) turned into the layer description and the dowel file.
#include "fuzz_common.h"
#include "model.h"

#include <cstdint>

std::string fuzz_pavement_description(const std::uint8_t *data, std::size_t size)
{
    const std::string text(reinterpret_cast<const char *>(data), size);
    description d;
    std::vector<std::string> errors;
    if (!parse_description(text, "fuzz.toml", d, errors)) return errors.front();
    // a large mesh is a legitimate request that only takes time: planned only when small
    const double cells = d.total_length() * d.total_width() /
                         (d.size_near_loads * d.size_near_loads) * d.loads.size();
    if (!(cells < 1e6) || d.size < 0.01 || d.margin > 100) return "read";
    generated_model g;
    std::string why;
    if (!build_model(d, {}, g, why)) return why;
    return "planned";
}
