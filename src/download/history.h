// The download history "vrd\c_x.q": one address per record, records separated by "\r\n". While the
// file is absent, or no plain file (a link is never followed), the history is inactive; nothing
// here ever creates it. The file is replaced whole by a rename, so that a crash leaves it as it was
// or with the new record, and copies of the program sharing it take turns through the lock file
// beside it ("vrd\.c_x.q.lock").
#pragma once

#include "program/program.h"

namespace xiuyun {

// True when the address was recorded before (byte for byte). Otherwise records it, rewriting the
// whole file, and answers false whether or not the write succeeded.
bool checkAndRecordHistory(Program& program, const Text& address);

// One leading and one trailing "\r\n" dropped, and every empty or blank line removed with one of
// its line breaks.
Text normaliseLineList(const Text& text);

// The items of a delimited list without repeats, in the order of their first occurrence.
Text dedupeLines(const Text& text, const Text& delimiter);

} // namespace xiuyun
