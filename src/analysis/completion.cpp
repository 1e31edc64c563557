#include "analysis/completion.h"

#include "platform/files.h"
#include "program/imagerows.h"
#include "program/messages.h"
#include "program/pagetype.h"
#include "text/textutils.h"

namespace xiuyun {
namespace {

void setInputsLocked(Window& window, bool locked) {
    window.setEnabled(Control::按钮_分析数据, !locked);
    window.setEnabled(Control::按钮_浏览目录, !locked);
    window.setReadOnly(Control::编辑框_页面地址, locked);
    window.setReadOnly(Control::编辑框_存放目录, locked);
    for (Control box : pageTypeBoxes())
        window.setEnabled(box, !locked);
}

} // namespace

void finishAnalysis(Program& program, const Text& kind, const Text& firstImageAddress, int imageCount) {
    if (kind != "图集分类"_t && kind != "单个地址"_t)
        return;
    Window& window = program.window;
    fillImageRows(window, firstImageAddress, imageCount);
    lockInputs(program);
    window.setEnabled(Control::按钮_重新分析, true);
    showStatus(window,
               "状态：分析数据完成\r\n\r\n原因：\r\n\r\n解决：\r\n\r\n说明：线程可调，其他禁止再输入"_t,
               MessageIcon::Information);
}

void lockInputs(Program& program) {
    setInputsLocked(program.window, true);
}

void onReanalyse(Program& program) {
    Window& window = program.window;
    window.setVisible(Control::按钮_删除残余, false);
    if (window.text(Control::按钮_删除残余) == "删除缓存文件"_t)
        window.setText(Control::按钮_删除残余, "删除取消下载的图片"_t);
    if (window.text(Control::按钮_开始下载) == "2 开始下载"_t && !window.isEnabled(Control::按钮_开始下载))
        window.setEnabled(Control::按钮_开始下载, true);
    if (window.text(Control::按钮_开始下载) == "2 强制下载"_t)
        window.setText(Control::按钮_开始下载, "2 开始下载"_t);

    resetAnalysisState(program);
    releaseWorkLock(program);
    window.setEnabled(Control::按钮_分析数据, true);

    if (files::exists(program.dataFile("t_j.q"_t))) {
        window.setText(Control::按钮_删除残余, "删除缓存文件"_t);
        window.setVisible(Control::按钮_删除残余, true);
        showStatus(
            window,
            "状态：重置分析完成，发现存在缓存文件\r\n\r\n原因：\r\n\r\n解决：如需要删除，请点击删除缓存文件按钮"_t,
            MessageIcon::Information);
    } else {
        program.smallImageFound = 0;
        showStatus(window, "状态：重置分析完成\r\n\r\n原因：\r\n\r\n解决：\r\n\r\n说明："_t,
                   MessageIcon::Information);
    }
}

void resetAnalysisState(Program& program) {
    Window& window = program.window;
    window.setEnabled(Control::按钮_重新分析, false);
    setInputsLocked(window, false);
    clearPageTypeBoxes(program);
    program.pageType = PAGE_NONE;
    window.deleteAllRows();

    window.setText(Control::透明标签_图片标题2, "图片标题"_t);
    window.setText(Control::透明标签_图片数量2, "图片数量"_t);
    window.setText(Control::透明标签_总页码2, "总页码"_t);
    window.setText(Control::透明标签_总图集2, "总图集"_t);
    window.setText(Control::透明标签_当前页码2, "当前页码"_t);
    window.setText(Control::透明标签_当前图集2, "当前图集"_t);

    // Swapped out rather than cleared, so the memory of a large analysis is given back.
    std::vector<Text>().swap(program.pageNumbers);
    std::vector<Text>().swap(program.albumTitles);
    std::vector<int>().swap(program.albumImageCounts);
    std::vector<int>().swap(program.albumNumbers);
    std::vector<Text>().swap(program.albumCovers);
    std::vector<Text>().swap(program.albumLinks);
    program.analysedUrl = Text();
    program.imageRootFolder = Text();
    program.singlePageList = 0;
    program.smallImageFound = 0;
    program.retryCount = 0;
}

} // namespace xiuyun
