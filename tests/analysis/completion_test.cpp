#include "analysis/completion.h"
#include "download/download.h"

#include "program/presenter.h"
#include "program/progressview.h"
#include "support/programfixture.h"

using namespace xiuyun;
using xiuyun::testing::ProgramFixture;

namespace {

class CompletionTest : public ProgramFixture {
protected:
    CompletionTest() { startWindow(); }
    std::vector<Text> column(int c) const {
        std::vector<Text> cells;
        for (int row = 0; row < window.rowCount(); ++row)
            cells.push_back(window.cell(row, c));
        return cells;
    }
};

TEST_F(CompletionTest, rowsFollowTheFirstImagesFolderAndExtension) {
    finishAnalysis(program, "单个地址"_t, "http://i.test/a/b/0.jpg"_t, 3);
    EXPECT_EQ(column(0), (std::vector<Text>{"1"_t, "2"_t, "3"_t}));
    EXPECT_EQ(column(1), (std::vector<Text>{"http://i.test/a/b/1.jpg"_t, "http://i.test/a/b/2.jpg"_t,
                                            "http://i.test/a/b/3.jpg"_t}));

    // A second completion replaces the rows; an address without extension gives bare numbers.
    finishAnalysis(program, "图集分类"_t, "http://i.test/c/cover"_t, 2);
    EXPECT_EQ(column(1), (std::vector<Text>{"http://i.test/c/1"_t, "http://i.test/c/2"_t}));

    auto messages = window.messages();
    ASSERT_EQ(messages.size(), 2u);
    EXPECT_EQ(messages[0].icon, MessageIcon::Information);
    EXPECT_EQ(messages[0].caption, "温馨提示"_t);

    finishAnalysis(program, "其他"_t, "http://i.test/x/1.jpg"_t, 9);
    EXPECT_EQ(window.rowCount(), 2);
    EXPECT_EQ(window.messages().size(), 2u);
}

TEST_F(CompletionTest, reanalyseUnlocksAndForgetsEverything) {
    window.click(Control::选择框_图集分类);
    finishAnalysis(program, "图集分类"_t, "http://i.test/a/1.jpg"_t, 2);
    program.albums.append({.title = "1 a"_t, .cover = "c"_t});
    program.albums.setPageNumbers({"1"_t});
    program.analysis.albumFolder = "x"_t;
    program.lastDownload = std::make_shared<Download>(program, StartRequest{}, "x"_t);
    setForceNextStart(program, true);
    showCurrentPage(program, "3"_t);
    program.progress.start(1);
    program.progress.finish(JobStage::Finished);
    showProgress(program, Refresh::Now);

    window.click(Control::按钮_重新分析);
    EXPECT_EQ(window.progress(Control::进度条_下载进度), ProgressValue{});
    EXPECT_EQ(window.text(Control::透明标签_下载状态), Text());
    EXPECT_EQ(window.text(Control::按钮_开始下载), "2 开始下载"_t);
    EXPECT_FALSE(window.isTicked(Control::选择框_图集分类));
    EXPECT_EQ(program.analysis.pageType, PAGE_NONE);
    EXPECT_EQ(window.rowCount(), 0);
    EXPECT_EQ(window.text(Control::透明标签_当前页码2), "当前页码"_t);
    EXPECT_EQ(window.text(Control::透明标签_总图集2), "总图集"_t);
    EXPECT_TRUE(program.albums.albumTitles().empty());
    EXPECT_TRUE(program.albums.pageNumbers().empty());
    EXPECT_TRUE(program.analysis.albumFolder.empty());
    EXPECT_EQ(program.lastDownload, nullptr);
    EXPECT_TRUE(window.isEnabled(Control::按钮_分析数据));
    EXPECT_FALSE(window.isReadOnly(Control::编辑框_存放目录));
    EXPECT_FALSE(window.isEnabled(Control::按钮_重新分析));
    EXPECT_FALSE(window.isVisible(Control::按钮_删除残余));
    EXPECT_EQ(lastMessageText(), "状态：重置分析完成\r\n\r\n原因：\r\n\r\n解决：\r\n\r\n说明："_t);

    // With the cache file the clean-up is offered.
    ensureDataDirectory(program);
    files::writeFile(program.dataFile("t_j.q"_t), "page");
    finishAnalysis(program, "图集分类"_t, "http://i.test/a/1.jpg"_t, 1);
    window.click(Control::按钮_重新分析);
    EXPECT_TRUE(window.isVisible(Control::按钮_删除残余));
    EXPECT_EQ(window.text(Control::按钮_删除残余), "删除缓存文件"_t);
    EXPECT_TRUE(files::exists(program.dataFile("t_j.q"_t)));
}

} // namespace
