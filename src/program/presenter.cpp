#include "program/presenter.h"

#include "program/progressview.h"

#include "window/waits.h"

#include <array>
#include <utility>

namespace xiuyun {
namespace {

void showLabel(Window& window, Control label, const std::optional<Text>& value) {
    window.setText(label, value ? *value : Text::fromUtf8(layoutOf(label).caption));
}

std::optional<Text> shownNumber(int number) {
    return number > 0 ? std::optional(Text::number(number)) : std::nullopt;
}

void countUp(Window& window, Control label, int total) {
    for (int i = 1; i <= total; ++i) {
        delayMs(window, 1);
        window.setText(label, Text::number(i));
    }
}

// The order in which the boxes are unticked.
constexpr std::array<Control, 7> allBoxes{
    Control::选择框_图集分类, Control::选择框_精选其他, Control::选择框_搜索地址, Control::选择框_精选美女,
    Control::选择框_单个地址, Control::选择框_机构地址, Control::选择框_自动选择,
};

constexpr std::array<std::pair<PageType, Control>, 6> boxOfType{{
    {PAGE_CATEGORY, Control::选择框_图集分类},
    {PAGE_REGION, Control::选择框_精选其他},
    {PAGE_SEARCH, Control::选择框_搜索地址},
    {PAGE_FEATURED, Control::选择框_精选美女},
    {PAGE_ALBUM, Control::选择框_单个地址},
    {PAGE_AGENCY, Control::选择框_机构地址},
}};

} // namespace

Control pageTypeBox(PageType type) {
    for (auto [boxType, box] : boxOfType) {
        if (boxType == type)
            return box;
    }
    return Control::选择框_自动选择;
}

PageType pageTypeOfBox(Control control) {
    for (auto [type, box] : boxOfType) {
        if (box == control)
            return type;
    }
    return PAGE_NONE;
}

bool isPageTypeBox(Control control) {
    return pageTypeOfBox(control) != PAGE_NONE;
}

std::span<const Control> pageTypeBoxes() {
    return allBoxes;
}

void clearPageTypeBoxes(Program& program) {
    for (Control box : allBoxes)
        program.window.setTicked(box, false);
}

void tickPageTypeBoxAlone(Program& program, PageType type) {
    clearPageTypeBoxes(program);
    program.window.setTicked(pageTypeBox(type), true);
}

void setPhase(Program& program, Phase phase) {
    program.phase = phase;
    Window& window = program.window;
    const bool idle = phase == Phase::Idle;
    window.setEnabled(Control::按钮_分析数据, idle);
    window.setEnabled(Control::按钮_浏览目录, idle);
    window.setReadOnly(Control::编辑框_页面地址, !idle);
    window.setReadOnly(Control::编辑框_存放目录, !idle);
    for (Control box : pageTypeBoxes())
        window.setEnabled(box, idle);
    window.setEnabled(Control::按钮_开始下载, idle || phase == Phase::Analysed);
    window.setEnabled(Control::按钮_重新分析, phase == Phase::Analysed || phase == Phase::Cancelled);
    window.setEnabled(Control::按钮_取消下载, phase == Phase::Downloading);
}

void offerCleanUp(Program& program, CleanUpChoice choice, bool offered) {
    program.cleanUpChoice = choice;
    Window& window = program.window;
    window.setVisible(Control::按钮_删除残余, offered);
    window.setText(Control::按钮_删除残余,
                   choice == CleanUpChoice::CacheFiles ? "删除缓存文件"_t : "删除取消下载的图片"_t);
}

void setForceNextStart(Program& program, bool force) {
    program.forceNextStart = force;
    program.window.setText(Control::按钮_开始下载, force ? "2 强制下载"_t : "2 开始下载"_t);
}

void showAlbum(Program& program, const Text& title, const Text& imageCount) {
    std::lock_guard lock(program.analysisMutex);
    program.analysis.albumTitle = title;
    program.analysis.imageCount = imageCount;
    showLabel(program.window, Control::透明标签_图片标题2, program.analysis.albumTitle);
    showLabel(program.window, Control::透明标签_图片数量2, program.analysis.imageCount);
}

void showCurrentPage(Program& program, const Text& page) {
    std::lock_guard lock(program.analysisMutex);
    program.analysis.currentPage = page;
    showLabel(program.window, Control::透明标签_当前页码2, program.analysis.currentPage);
}

void showCurrentAlbum(Program& program, int number) {
    std::lock_guard lock(program.analysisMutex);
    program.analysis.currentAlbum = number;
    showLabel(program.window, Control::透明标签_当前图集2, shownNumber(number));
}

void resetAnalysis(Program& program) {
    clearProgress(program);
    std::lock_guard lock(program.analysisMutex);
    program.analysis = Analysis{};
    const Analysis& analysis = program.analysis;
    showLabel(program.window, Control::透明标签_图片标题2, analysis.albumTitle);
    showLabel(program.window, Control::透明标签_图片数量2, analysis.imageCount);
    showLabel(program.window, Control::透明标签_总页码2, shownNumber(analysis.totalPages));
    showLabel(program.window, Control::透明标签_总图集2, shownNumber(analysis.albumsOnPage));
    showLabel(program.window, Control::透明标签_当前页码2, analysis.currentPage);
    showLabel(program.window, Control::透明标签_当前图集2, shownNumber(analysis.currentAlbum));
}

Analysis analysisNow(const Program& program) {
    std::lock_guard lock(program.analysisMutex);
    return program.analysis;
}

void countUpPages(Program& program, int pages) {
    {
        std::lock_guard lock(program.analysisMutex);
        program.analysis.totalPages = pages;
    }
    countUp(program.window, Control::透明标签_总页码2, pages);
}

void countUpAlbums(Program& program, int albums) {
    {
        std::lock_guard lock(program.analysisMutex);
        program.analysis.albumsOnPage = albums;
    }
    countUp(program.window, Control::透明标签_总图集2, albums);
}

void showPageAddress(Program& program, const Text& address) {
    std::lock_guard lock(program.analysisMutex);
    program.analysis.pageAddress = address;
    program.window.setText(Control::编辑框_页面地址, address);
}

void showSubPageHint(Program& program, const Text& hint) {
    program.window.setText(Control::透明标签_子页提示, hint);
}

} // namespace xiuyun
