// The real crawler and album reader behind the analyse command.
#pragma once

#include "program/program.h"

namespace xiuyun {

AnalysisRoutes analysisRoutes();

} // namespace xiuyun
