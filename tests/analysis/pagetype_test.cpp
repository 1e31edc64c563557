#include "analysis/pagetype.h"

#include "net/site.h"
#include "program/presenter.h"
#include "support/programfixture.h"

#include <algorithm>
#include <set>

using namespace xiuyun;
using xiuyun::testing::ProgramFixture;

namespace {

const Control boxes[] = {Control::选择框_图集分类, Control::选择框_精选其他, Control::选择框_搜索地址,
                         Control::选择框_精选美女, Control::选择框_单个地址, Control::选择框_机构地址,
                         Control::选择框_自动选择};

class PageTypeBoxTest : public ProgramFixture {
protected:
    std::vector<Control> tickedBoxes() const {
        std::vector<Control> ticked;
        for (Control box : boxes) {
            if (window.isTicked(box))
                ticked.push_back(box);
        }
        return ticked;
    }
};

} // namespace

TEST_F(PageTypeBoxTest, eachBoxSetsItsTypeAndUnticksTheOthers) {
    const std::pair<Control, PageType> expected[] = {
        {Control::选择框_图集分类, PAGE_CATEGORY}, {Control::选择框_精选其他, PAGE_REGION},
        {Control::选择框_搜索地址, PAGE_SEARCH},   {Control::选择框_精选美女, PAGE_FEATURED},
        {Control::选择框_单个地址, PAGE_ALBUM},    {Control::选择框_机构地址, PAGE_AGENCY},
    };
    for (auto [box, type] : expected) {
        window.click(box);
        EXPECT_EQ(program.analysis.pageType, type);
        EXPECT_EQ(tickedBoxes(), std::vector<Control>{box});
    }
}

TEST_F(PageTypeBoxTest, clickingATickedBoxUnticksItAndClearsTheType) {
    window.click(Control::选择框_图集分类);
    window.click(Control::选择框_搜索地址);
    EXPECT_EQ(tickedBoxes(), std::vector<Control>{Control::选择框_搜索地址});
    EXPECT_EQ(program.analysis.pageType, PAGE_SEARCH);
    window.click(Control::选择框_搜索地址);
    EXPECT_TRUE(tickedBoxes().empty());
    EXPECT_EQ(program.analysis.pageType, PAGE_NONE);
}

TEST_F(PageTypeBoxTest, clearingTheBoxesKeepsThePageType) {
    window.click(Control::选择框_精选美女);
    clearPageTypeBoxes(program);
    EXPECT_TRUE(tickedBoxes().empty());
    EXPECT_EQ(program.analysis.pageType, PAGE_FEATURED);
}

TEST_F(PageTypeBoxTest, aDisabledBoxIgnoresClicks) {
    window.setEnabled(Control::选择框_图集分类, false);
    window.click(Control::选择框_图集分类);
    EXPECT_FALSE(window.isTicked(Control::选择框_图集分类));
    EXPECT_EQ(program.analysis.pageType, PAGE_NONE);
}

TEST_F(PageTypeBoxTest, settingATickFromCodeRunsNoHandler) {
    window.setTicked(Control::选择框_图集分类, true);
    EXPECT_EQ(program.analysis.pageType, PAGE_NONE);
}

TEST_F(PageTypeBoxTest, theSliderLabelFollowsThePosition) {
    window.moveSlider(1);
    EXPECT_EQ(window.text(Control::透明标签_线程数), "1"_t);
    window.moveSlider(30);
    EXPECT_EQ(window.text(Control::透明标签_线程数), "30"_t);
}

namespace {

// The addresses of the site's list and album pages, as the table must tell them apart.
TEST(PageTypeTableTest, eachAddressFitsItsOwnListTypeAndDetectionFindsIt) {
    const std::string root(SITE_ROOT);
    struct Case {
        std::string path;
        PageType detected;
        std::vector<PageType> fits;
    };
    const Case cases[] = {
        {"t/xinggan/", PAGE_CATEGORY, {PAGE_CATEGORY, PAGE_AGENCY}},
        {"rihan/", PAGE_REGION, {PAGE_REGION}},
        {"search/summer/", PAGE_SEARCH, {PAGE_SEARCH}},
        {"xihuan/", PAGE_FEATURED, {PAGE_FEATURED}},
        {"item/6780000.html", PAGE_ALBUM, {}},
        {"other/", PAGE_NONE, {PAGE_REGION, PAGE_SEARCH, PAGE_FEATURED}},
    };
    for (const Case& c : cases) {
        const Text address = Text::fromGbk(root + c.path);
        EXPECT_EQ(detectedPageType(address), c.detected) << c.path;
        for (const PageTypeEntry& entry : pageTypes()) {
            if (!isListPageType(entry.type))
                continue;
            const bool fits = std::find(c.fits.begin(), c.fits.end(), entry.type) != c.fits.end();
            EXPECT_EQ(addressFitsPageType(entry.type, address), fits)
                << c.path << " as " << entry.commandWord;
        }
    }
}

TEST(PageTypeTableTest, everyBoxAndWordNamesOneType) {
    std::set<Control> boxesSeen;
    std::set<std::string_view> wordsSeen;
    for (const PageTypeEntry& entry : pageTypes()) {
        EXPECT_EQ(pageTypeOfBox(pageTypeBox(entry.type)), entry.type);
        EXPECT_EQ(pageTypeEntry(entry.type), &entry);
        EXPECT_TRUE(boxesSeen.insert(pageTypeBox(entry.type)).second);
        EXPECT_TRUE(wordsSeen.insert(entry.commandWord).second);
    }
    EXPECT_EQ(boxesSeen.size(), pageTypeBoxes().size() - 1); // all but 选择框_自动选择
    EXPECT_EQ(pageTypeEntry(PAGE_NONE), nullptr);
}

} // namespace
