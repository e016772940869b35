// A report with its figures, written as one bundle by ostrine-batch and pavement alike: the
// plot of the joints, S3 of the critical slab at its bottom (and top), the reports, and nothing
// left behind when a part fails. The pictures are drawn by the caller (in-process or through
// ostrine-batch); which slab material they show is decided here.
#pragma once

#include "report.h"

#include <functional>
#include <string>
#include <vector>

// S3 of the slab's own elements of one material at one face, to be drawn into file (PNG): the
// bottom seen from below, the top from above.
struct slab_picture {
    std::string file;
    int material = 0;
    bool top = false;
};

using slab_picture_maker = std::function<bool(const slab_picture &)>;

struct report_bundle {
    std::string figure_stem;          // path the figures' names start with (STEM_joints.svg ...)
    std::vector<std::string> reports; // the reports' paths (.html, .md or .csv, one directory)
    bool top_picture = false;         // also S3 of the top face
    report_figures figures;           // in: the caller's figures (plan ...); out: all of them
};

// Writes the bundle: beside an HTML or Markdown report the joint plot (when the report has
// joints) and, with draw, the S3 pictures of critical_slab_material; then every report. False
// with why (a picture's file, or write_report's reason) after removing what it wrote when any
// part fails.
bool write_report_bundle(const report_data &r, const std::vector<report_case> &cases,
                         report_bundle &b, const slab_picture_maker &draw, std::string &why);
