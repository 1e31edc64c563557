// The report of what a job could not fetch, "下载失败的图片.txt" in its target folder: a summary
// line, then one line per image, grouped by album, and one per list page that could not be read.
// UTF-8, so that any editor shows it; written whole and renamed into place.
#pragma once

#include "download/journal.h"

namespace xiuyun {

Text failureReportPath(const Text& folder);
// The report's text (UTF-8) for the journal's ledger.
std::string failureReportText(const Journal& journal);
bool writeFailureReport(const Text& folder, const Journal& journal);
// Removes the report in the folder when it is the job's, and leaves another job's alone.
void removeFailureReport(const Text& folder, const JobKey& job);

} // namespace xiuyun
