// The system's list cutting on top of RegexService: single values, digits, marker cuts, and the
// album and page lists of a list page.
#include "text/listmatches.h"

#include "app/messages.h"
#include "text/regexservice.h"
#include "text/textutils.h"

namespace xiuyun {
namespace {

constexpr RegexOptions listOptions{.caseSensitive = true, .multiline = false, .global = true};

// The count-ups keep the window painted; the window layer keeps user input out meanwhile, so a
// click cannot start a second command in the middle of an analysis.
void countUp(Window& window, Control label, int total) {
    for (int i = 1; i <= total; ++i) {
        delayMs(window, 1);
        window.setText(label, Text::number(i));
    }
}

void appendAlbum(Program& program, const Text& entry, int number) {
    AlbumEntry album = albumEntryOf(entry);
    program.albumLinks.push_back(std::move(album.link));
    program.albumCovers.push_back(std::move(album.cover));
    program.albumImageCounts.push_back(album.imageCount);
    program.albumTitles.push_back(Text::number(number) + " "_t + album.title);
    program.albumNumbers.push_back(number);
}

// The second-to-last pager link names the last page (the last link is "next page"). A pager of a
// single link shows no further page: the list is the page in hand.
int lastPageNumber(const std::vector<Text>& links) {
    if (links.size() < 2)
        return 1;
    return fileNameOf(links[links.size() - 2], Extension::Drop).toInteger();
}

} // namespace

AlbumEntry albumEntryOf(const Text& entry) {
    AlbumEntry album;
    album.link = textBetween(entry, "<a href=\""_t, "\""_t);
    album.cover = textBetween(entry, "src=\""_t, "\""_t);
    album.imageCount = static_cast<int>(digitsOnly(textBetween(entry, "</span>"_t, "张"_t)).toInteger());
    album.title = textBetweenLast(entry, "</a>"_t, ">"_t);
    return album;
}

Text regexFirstGroup(const Text& pattern, const Text& text) {
    RegexService service;
    if (!service.create(pattern, text, listOptions))
        return {};
    return service.subMatch(1, 1);
}

Text digitsOnly(const Text& text) {
    // Digits are single ASCII bytes and never a GBK trail byte's value range (0x40 and up).
    std::string digits;
    for (char c : text.bytes()) {
        if (c >= '0' && c <= '9')
            digits += c;
    }
    return Text::fromGbk(std::move(digits));
}

Text textBetween(const Text& text, const Text& left, const Text& right) {
    const Text quote = "\""_t;
    const Text leftMarker = left.replaced("#引号"_t, quote);
    const Text rightMarker = right.replaced("#引号"_t, quote);
    int leftAt = text.find(leftMarker);
    if (leftAt == -1)
        return {};
    int start = leftAt + leftMarker.size();
    int rightAt = text.find(rightMarker, start);
    if (rightAt == -1)
        return {};
    return text.middle(start, rightAt - start);
}

Text textBetweenLast(const Text& text, const Text& right, const Text& left) {
    int rightAt = text.findLast(right);
    if (rightAt == -1)
        return {};
    int leftAt = text.findLastBefore(left, rightAt);
    if (leftAt == -1)
        return {};
    int start = leftAt + left.size();
    return text.middle(start, rightAt - start);
}

int extractListMatches(Program& program, const Text& pattern, const Text& text, ListKind kind) {
    RegexService service;
    if (!service.create(pattern, text, listOptions)) {
        showInformationBox(program.window, "正则创建失败，请检查正则表达式语句是否有误！"_t,
                           MessageIcon::Error);
        return 0;
    }
    const int count = service.matchCount();
    if (count == 0) {
        showInformationBox(program.window, "匹配失败，请检检查正则语句是否有误，数量：0"_t,
                           MessageIcon::Error);
        return 0;
    }

    if (kind == ListKind::Albums) {
        for (int i = 1; i <= count; ++i)
            appendAlbum(program, service.subMatch(i, 1), i);
        countUp(program.window, Control::透明标签_总图集2, count);
    } else if (kind == ListKind::Pages) {
        std::vector<Text> links;
        links.reserve(count);
        for (int i = 1; i <= count; ++i)
            links.push_back(service.subMatch(i, 1));
        const int pages = lastPageNumber(links);
        program.pageNumbers.clear();
        for (int i = 1; i <= pages; ++i)
            program.pageNumbers.push_back(Text::number(i));
        countUp(program.window, Control::透明标签_总页码2, pages);
    }
    return count;
}

} // namespace xiuyun
