// Analysis of a single album page: title, image count and first image, then the image rows.
#pragma once

#include "program/program.h"

namespace xiuyun {

void analyseAlbum(Program& program, const Text& address, const Text& folder, const Text& pageName);

} // namespace xiuyun
