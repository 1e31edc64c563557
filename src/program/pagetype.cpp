#include "program/pagetype.h"

#include <array>
#include <utility>

namespace xiuyun {
namespace {

constexpr std::array<std::pair<Control, int>, 6> boxTypes{{
    {Control::选择框_图集分类, PAGE_CATEGORY},
    {Control::选择框_精选其他, PAGE_REGION},
    {Control::选择框_搜索地址, PAGE_SEARCH},
    {Control::选择框_精选美女, PAGE_FEATURED},
    {Control::选择框_单个地址, PAGE_ALBUM},
    {Control::选择框_机构地址, PAGE_AGENCY},
}};

// The order in which the boxes are unticked.
constexpr std::array<Control, 7> allBoxes{
    Control::选择框_图集分类, Control::选择框_精选其他, Control::选择框_搜索地址, Control::选择框_精选美女,
    Control::选择框_单个地址, Control::选择框_机构地址, Control::选择框_自动选择,
};

} // namespace

std::span<const Control> pageTypeBoxes() {
    return allBoxes;
}

bool isPageTypeBox(Control control) {
    return pageTypeOfBox(control) != PAGE_NONE;
}

int pageTypeOfBox(Control box) {
    for (auto [control, type] : boxTypes) {
        if (control == box)
            return type;
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
        program.pageType = pageTypeOfBox(box);
    }
    if (!window.isTicked(box))
        program.pageType = PAGE_NONE;
}

} // namespace xiuyun
