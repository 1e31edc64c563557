#include "program/pagetype.h"

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
    {PAGE_CATEGORY, Control::选择框_图集分类, isTagList, AddressFit::MarkAlone, false, true, {}, "category"},
    {PAGE_REGION, Control::选择框_精选其他, isRegionList, AddressFit::NoOther, true, true, {}, "region"},
    {PAGE_SEARCH, Control::选择框_搜索地址, isSearch, AddressFit::NoOther, true, true, bk10Block, "search"},
    {PAGE_FEATURED, Control::选择框_精选美女, isFeaturedList, AddressFit::NoOther, true, true, bk20Block,
     "featured"},
    {PAGE_ALBUM, Control::选择框_单个地址, isAlbum, AddressFit::NoOther, true, true, {}, "album"},
    {PAGE_AGENCY, Control::选择框_机构地址, isTagList, AddressFit::MarkAndNoOther, true, false, bk10Block,
     "agency"},
}};

// The order in which the boxes are unticked.
constexpr std::array<Control, 7> allBoxes{
    Control::选择框_图集分类, Control::选择框_精选其他, Control::选择框_搜索地址, Control::选择框_精选美女,
    Control::选择框_单个地址, Control::选择框_机构地址, Control::选择框_自动选择,
};

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

std::span<const Control> pageTypeBoxes() {
    return allBoxes;
}

bool isPageTypeBox(Control control) {
    return pageTypeOfBox(control) != PAGE_NONE;
}

PageType pageTypeOfBox(Control box) {
    for (const PageTypeEntry& entry : table) {
        if (entry.box == box)
            return entry.type;
    }
    return PAGE_NONE;
}

void clearPageTypeBoxes(Program& program) {
    for (Control box : allBoxes)
        program.window.setTicked(box, false);
}

void onPageTypeBox(Program& program, Control box) {
    Window& window = program.window;
    if (window.isTicked(box)) {
        clearPageTypeBoxes(program);
        window.setTicked(box, true);
        program.analysis.pageType = pageTypeOfBox(box);
    }
    if (!window.isTicked(box))
        program.analysis.pageType = PAGE_NONE;
}

} // namespace xiuyun
