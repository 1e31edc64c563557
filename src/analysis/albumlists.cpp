// The album and page lists of a list page: one entry per album appended to the five album lists,
// the page numbers from the pager, and the label count-ups that go with them.
#include "analysis/albumlists.h"

#include "program/messages.h"
#include "program/presenter.h"
#include "text/patterns.h"
#include "text/regexservice.h"
#include "text/textutils.h"

#include <algorithm>
#include <limits>

namespace xiuyun {
namespace {

constexpr RegexOptions listOptions{.caseSensitive = true, .multiline = false, .global = true};

void appendAlbum(Program& program, const Text& entry, int number) {
    AlbumEntry album = albumEntryOf(entry);
    program.albums.append({.title = Text::number(number) + " "_t + album.title,
                           .imageCount = album.imageCount,
                           .number = number,
                           .cover = std::move(album.cover),
                           .link = std::move(album.link)});
}

// The second-to-last pager link names the last page (the last link is "next page"). A pager of a
// single link shows no further page: the list is the page in hand.
long long lastPageNumber(const std::vector<Text>& links) {
    if (links.size() < 2)
        return 1;
    return fileNameOf(links[links.size() - 2], Extension::Drop).toInteger();
}

} // namespace

AlbumEntry albumEntryOf(const Text& entry) {
    AlbumEntry album;
    album.link = textBetween(entry, "<a href=\""_t, "\""_t);
    album.cover = textBetween(entry, "src=\""_t, "\""_t);
    // A count beyond any int is as broken as one beyond maxAlbumImages; it must not wrap around.
    album.imageCount = static_cast<int>(std::min<long long>(
        digitsOnly(textBetween(entry, "</span>"_t, "张"_t)).toInteger(), std::numeric_limits<int>::max()));
    album.title = textBetweenLast(entry, "</a>"_t, ">"_t);
    return album;
}

int extractListMatches(Program& program, const Text& pattern, const Text& text, ListKind kind) {
    RegexService service;
    if (!service.create(pattern, text, listOptions)) {
        post(program, MessageId::PatternInvalid);
        return 0;
    }
    const int count = service.matchCount();
    if (count == 0) {
        post(program, MessageId::PatternMatchedNothing);
        return 0;
    }

    if (kind == ListKind::Albums) {
        for (int i = 1; i <= count; ++i)
            appendAlbum(program, service.subMatch(i, 1), i);
        // The count-ups keep the window painted; the window layer keeps user input out meanwhile,
        // so a click cannot start a second command in the middle of an analysis.
        countUpAlbums(program, count);
    } else if (kind == ListKind::Pages) {
        std::vector<Text> links;
        links.reserve(count);
        for (int i = 1; i <= count; ++i)
            links.push_back(service.subMatch(i, 1));
        const long long pages = lastPageNumber(links);
        std::vector<Text> numbers;
        if (pages >= 1 && pages <= maxListPages) {
            for (int i = 1; i <= pages; ++i)
                numbers.push_back(Text::number(i));
        }
        program.albums.setPageNumbers(std::move(numbers));
        if (!program.albums.pageNumbers().empty())
            countUpPages(program, static_cast<int>(pages));
    }
    return count;
}

} // namespace xiuyun
