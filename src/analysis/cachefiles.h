// The analysis cache under the data directory: the first list page "t_j.q", the numbered list
// pages "<n>.q" and the album page "d_g.q", each the body of one response with nothing added.
// Each is written whole under a temporary name and renamed into place, and read only as a plain
// file: a link or a device under a cache name reads as an empty page and is never written through.
#pragma once

#include "program/program.h"

namespace xiuyun {

// Makes the target folder and the data directory where missing, before a page is fetched; a
// target folder that can't be made is reported with its cause, and answers false.
bool prepareFolders(Program& program, const Text& folder);

Text listCacheFile(const Program& program);
Text numberedPageFile(const Program& program, const Text& pageNumber);
Text albumCacheFile(const Program& program);

// A stored page at or below this many KiB is taken for a broken fetch.
inline constexpr long long brokenPageKb = 5;
// How often a broken page is fetched again before the caller's failure message is shown.
inline constexpr int refetchAttempts = 3;

// The page text of a cache file (UTF-8 to GBK); empty when the file is missing, empty, beyond
// MAX_PAGE_BYTES, or no plain file.
Text readCachedPage(const Text& file);

// Fetches a page into "t_j.q" or "d_g.q": decoded on the first fetch, then, while the text is
// empty, fetched again and stored as received while the file stays broken. Answers the page text
// read back from the file; empty is the caller's failure, and `cause` then says why when given. A
// failed write of a refetch is reported here with mark 005. A page beyond MAX_PAGE_BYTES is
// neither stored nor fetched again.
Text fetchPageIntoCache(Program& program, const Text& address, const Text& file, Cause* cause = nullptr);

enum class NumberedFetch { Stored, WriteFailed, RefetchWriteFailed, TooLarge };
// Fetches list page `address` into its numbered file: decoded on the first fetch, then fetched
// again and stored as received while the file stays broken; a page beyond MAX_PAGE_BYTES is not
// stored. The cause of a failed write or of a page too large goes to `cause`.
NumberedFetch fetchNumberedPage(Program& program, const Text& address, const Text& file,
                                Cause* cause = nullptr);

} // namespace xiuyun
