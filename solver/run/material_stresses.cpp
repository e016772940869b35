// The per-material stress file of a case (--material-stresses): nodal means over the solid
// elements of each material alone, beside the result file.
#include "material_stresses.h"
#include "results.h"

#include "atomic_output.h"
#include "element_type.h"
#include "material_stress_format.h"
#include "quick_format.h"

#include <cstdio>

void write_material_stresses(corvane_run &run, int c, bool in_equilibrium, const material_nodal &t)
{
    if (!run.writes_files) return; // another MPI rank writes
    const std::string name =
        run.case_mode ? case_base(run, c) + ".mst" : material_stress_name(run.base_name);
    atomic_file out;
    if (!out.open(name)) {
        std::fprintf(stderr, "corvane: %s: cannot be created\n", name.c_str());
        run.write_failed = 1;
        return;
    }
    std::FILE *f = out.stream();
    std::fprintf(f,
                 "%s element=%s solver=%s units=%d case=%d load_factor=%.5f equilibrium=%s "
                 "nodes=%d materials=%d",
                 material_stress_tag, run.element->name, run.solver->name, run.unit_code, c,
                 run.acm_load, in_equilibrium ? "reached" : "not-reached", run.np, run.nm);
    if (run.files_units != 0) std::fprintf(f, " files=%s", run.files_units == 1 ? "kgf-cm" : "si");
    std::fputs("\n", f);
    std::fputs(material_stress_columns, f);
    const double fs = run.f_stress;
    quick_text text(f); // the rows in large pieces
    for (int n = 0; n < run.np; ++n)
        for (std::int64_t r = t.start[n]; r < t.start[n + 1]; ++r) {
            const double *x = &run.coords[3 * static_cast<std::size_t>(n)];
            text.printf(material_stress_row_head, n, t.material[r], t.count[r], x[0], x[1], x[2]);
            for (int k = 0; k < 6; ++k) text.printf(material_stress_value, t.strain[6 * r + k]);
            for (int k = 0; k < 6; ++k)
                text.printf(material_stress_value, t.stress[6 * r + k] / fs);
            text.puts("\n");
        }
    text.flush();
    if (!out.commit()) {
        std::fprintf(stderr, "corvane: %s: write error (disk full or device error)\n",
                     name.c_str());
        run.write_failed = 1;
    }
}
