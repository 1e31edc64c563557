// The list-page crawler: album entries and pager of a list page, and every further list page
// fetched once into the cache.
#pragma once

#include "program/program.h"

namespace xiuyun {

void crawlListPage(Program& program, const Text& address, const Text& folder, const Text& pageName,
                   CrawlMode mode);

} // namespace xiuyun
