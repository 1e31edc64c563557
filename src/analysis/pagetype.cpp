#include "analysis/pagetype.h"

#include "net/site.h"

#include <array>

namespace xiuyun {
namespace {

// A path right behind the site's top-level label (".com/rihan"), so that the word elsewhere in
// an address does not count.
bool underSite(const Text& address, std::string_view path) {
    return address.contains(Text::fromGbk(SITE_TLD) + Text::fromGbk(path));
}

bool isTagList(const Text& address) {
    return address.contains("/t/"_t);
}
bool isRegionList(const Text& address) {
    return underSite(address, "/rihan") || underSite(address, "/gangtai") || underSite(address, "/guochan");
}
bool isSearch(const Text& address) {
    return underSite(address, "/search");
}
bool isFeaturedList(const Text& address) {
    return underSite(address, "/xihuan");
}
bool isAlbum(const Text& address) {
    return address.contains("/item/"_t);
}

constexpr std::string_view bk10Block = R"(<ul class="img">([\s\S]*?)<div class="bk10"></div>)";
constexpr std::string_view bk20Block = R"(<ul class="img"([\s\S]*?)<div class="bk20"></div>)";

// A category and an agency list share their mark: the agency row marks it out for the others.
constexpr std::array<PageTypeEntry, 6> table{{
    {PAGE_CATEGORY, isTagList, AddressFit::MarkAlone, false, true, {}, "category"},
    {PAGE_REGION, isRegionList, AddressFit::NoOther, true, true, {}, "region"},
    {PAGE_SEARCH, isSearch, AddressFit::NoOther, true, true, bk10Block, "search"},
    {PAGE_FEATURED, isFeaturedList, AddressFit::NoOther, true, true, bk20Block, "featured"},
    {PAGE_ALBUM, isAlbum, AddressFit::NoOther, true, true, {}, "album"},
    {PAGE_AGENCY, isTagList, AddressFit::MarkAndNoOther, true, false, bk10Block, "agency"},
}};

} // namespace

std::span<const PageTypeEntry> pageTypes() {
    return table;
}

const PageTypeEntry* pageTypeEntry(PageType type) {
    for (const PageTypeEntry& entry : table) {
        if (entry.type == type)
            return &entry;
    }
    return nullptr;
}

bool addressFitsPageType(PageType type, const Text& address) {
    const PageTypeEntry* own = pageTypeEntry(type);
    if (!own)
        return false;
    if (own->fit != AddressFit::NoOther && !own->bearsMark(address))
        return false;
    if (own->fit == AddressFit::MarkAlone)
        return true;
    for (const PageTypeEntry& other : table) {
        if (other.type != type && other.marksOthersOut && other.bearsMark(address))
            return false;
    }
    return true;
}

PageType detectedPageType(const Text& address) {
    for (const PageTypeEntry& entry : table) {
        if (entry.detected && entry.bearsMark(address))
            return entry.type;
    }
    return PAGE_NONE;
}

} // namespace xiuyun
