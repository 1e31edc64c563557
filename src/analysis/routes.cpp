#include "analysis/routes.h"

#include "analysis/albumreader.h"
#include "analysis/crawler.h"

namespace xiuyun {

AnalysisRoutes analysisRoutes() {
    return {crawlListPage, analyseAlbum};
}

} // namespace xiuyun
