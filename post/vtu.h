// The result set as an XML VTK unstructured grid (.vtu) for a second tool (ParaView, VTK's
// readers): SI units at full precision, the material and kind of every cell, each solid cell's
// own material's stresses and their signed principal values, and the dowels as lines.
#pragma once

#include "result_set.h"

#include <string>

// Writes rs (read with its per-material stresses) to path under a temporary name renamed when
// complete; false with why.
bool write_vtu(const result_set &rs, const std::string &path, std::string &why);
