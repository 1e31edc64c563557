// Cutting single values out of page text with the system's patterns and markers.
#pragma once

#include "text/text.h"

namespace xiuyun {

// First capture group of the first match (case-sensitive, not multiline); empty when none.
Text regexFirstGroup(const Text& pattern, const Text& text);
// Every ASCII digit of the text, in order.
Text digitsOnly(const Text& text);
// The bytes after the first `left` up to the next `right` ("#引号" in a marker is a double quote).
Text textBetween(const Text& text, const Text& left, const Text& right);
// The bytes between the last `left` before the last `right`, and that `right`.
Text textBetweenLast(const Text& text, const Text& right, const Text& left);

} // namespace xiuyun
