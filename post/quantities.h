// The report's key figures: one table that the summary, the CSV, the envelope's case table and
// the sweeps all read, so that a new figure is added in one place.
#pragma once

#include "report.h"
#include "units.h"

#include <vector>

struct report_quantity {
    const char *key;                      // CSV summary key and sweep column
    const char *label;                    // words of the summary
    quantity_kind kind;                   // for its unit
    int governs;                          // +1: the largest value governs, -1: the smallest
    double (*value)(const report_data &); // canonical units; NaN when the set has none
};

extern const report_quantity report_quantities[];
extern const int report_quantity_count;

// The index of the case whose value of quantity q governs, -1 when no case has a value.
int governing_case(const std::vector<report_case> &cases, int q);

// The quantity of that key, or nullptr.
const report_quantity *find_quantity(const char *key);
