// The plan sketch of a description: slabs, joints, dowels and ties, the tyres, and the critical
// point of an analysis, as an SVG drawing to scale.
#pragma once

#include "description.h"

#include <string>

// A point marked on the plan (m) with its label.
struct plan_mark {
    double x = 0, y = 0;
    std::string label;
};

// The plan of d as SVG text; mark, when given, is drawn as a red cross with its label.
std::string plan_svg(const description &d, const plan_mark *mark = nullptr);

// Writes it under a temporary name renamed when complete; false when it cannot.
bool write_plan(const description &d, const std::string &path, const plan_mark *mark = nullptr);
