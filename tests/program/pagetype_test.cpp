#include "program/pagetype.h"

#include "support/programfixture.h"

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
    const std::pair<Control, int> expected[] = {
        {Control::选择框_图集分类, PAGE_CATEGORY}, {Control::选择框_精选其他, PAGE_REGION},
        {Control::选择框_搜索地址, PAGE_SEARCH},   {Control::选择框_精选美女, PAGE_FEATURED},
        {Control::选择框_单个地址, PAGE_ALBUM},    {Control::选择框_机构地址, PAGE_AGENCY},
    };
    for (auto [box, type] : expected) {
        window.click(box);
        EXPECT_EQ(program.pageType, type);
        EXPECT_EQ(tickedBoxes(), std::vector<Control>{box});
    }
}

TEST_F(PageTypeBoxTest, clickingATickedBoxUnticksItAndClearsTheType) {
    window.click(Control::选择框_图集分类);
    window.click(Control::选择框_搜索地址);
    EXPECT_EQ(tickedBoxes(), std::vector<Control>{Control::选择框_搜索地址});
    EXPECT_EQ(program.pageType, PAGE_SEARCH);
    window.click(Control::选择框_搜索地址);
    EXPECT_TRUE(tickedBoxes().empty());
    EXPECT_EQ(program.pageType, PAGE_NONE);
}

TEST_F(PageTypeBoxTest, clearingTheBoxesKeepsThePageType) {
    window.click(Control::选择框_精选美女);
    clearPageTypeBoxes(program);
    EXPECT_TRUE(tickedBoxes().empty());
    EXPECT_EQ(program.pageType, PAGE_FEATURED);
}

TEST_F(PageTypeBoxTest, aDisabledBoxIgnoresClicks) {
    window.setEnabled(Control::选择框_图集分类, false);
    window.click(Control::选择框_图集分类);
    EXPECT_FALSE(window.isTicked(Control::选择框_图集分类));
    EXPECT_EQ(program.pageType, PAGE_NONE);
}

TEST_F(PageTypeBoxTest, settingATickFromCodeRunsNoHandler) {
    window.setTicked(Control::选择框_图集分类, true);
    EXPECT_EQ(program.pageType, PAGE_NONE);
}

TEST_F(PageTypeBoxTest, theSliderLabelFollowsThePosition) {
    window.moveSlider(1);
    EXPECT_EQ(window.text(Control::透明标签_线程数), "1"_t);
    window.moveSlider(30);
    EXPECT_EQ(window.text(Control::透明标签_线程数), "30"_t);
}
