// The texts around an HTTP exchange: request header blocks, cookie lists, Base64.
#pragma once

#include "text/text.h"

#include <string_view>
#include <utility>

namespace xiuyun {

Text base64Encode(std::string_view bytes);
// New cookies win over old ones of the same name; surviving old cookies follow the new ones.
Text mergeCookies(const Text& oldList, const Text& newList);
// Name before the first ":", value after it, both trimmed; a line without ":" gives two empties.
std::pair<Text, Text> splitHeaderLine(const Text& line);

// The caller's header lines with every default the block lacks appended, in the order Accept,
// Referer (the address), Accept-Language, User-Agent, Content-Type.
Text completeHeaderBlock(Text block, const Text& url);
// The cookies the Set-Cookie lines of a response header text set, without attributes, joined by
// "; "; empty when there are none.
Text cookiesOfResponse(const Text& responseHeaders);

} // namespace xiuyun
