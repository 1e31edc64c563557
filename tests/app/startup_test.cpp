#include "app/startup.h"

#include "net/site.h"
#include "support/programfixture.h"

using namespace xiuyun;
using xiuyun::testing::ProgramFixture;

using StartupTest = ProgramFixture;

TEST_F(StartupTest, aFreshDirectoryOpensWithTheFolderBoxAndNoCleanUp) {
    startWindow();
    EXPECT_EQ(window.text(Control::编辑框_存放目录), directory.path());
    EXPECT_FALSE(window.isVisible(Control::按钮_删除残余));
    EXPECT_EQ(window.text(Control::按钮_删除残余), "删除取消下载的图片"_t);
    EXPECT_FALSE(files::exists(program.dataDir())); // made on the first analysis, not at start
}

TEST_F(StartupTest, anEarlierCacheFileOffersItsCleanUp) {
    ASSERT_TRUE(ensureDataDirectory(program));
    ASSERT_TRUE(files::writeFile(program.dataFile("t_j.q"_t), "<html>"));
    startWindow();
    EXPECT_TRUE(window.isVisible(Control::按钮_删除残余));
    EXPECT_EQ(window.text(Control::按钮_删除残余), "删除缓存文件"_t);
}

TEST_F(StartupTest, theWindowStartsInItsInitialState) {
    startWindow();
    EXPECT_EQ(window.text(Control::编辑框_页面地址), Text::fromGbk(SITE_ROOT));
    EXPECT_TRUE(window.isEnabled(Control::按钮_分析数据));
    EXPECT_TRUE(window.isEnabled(Control::按钮_开始下载));
    EXPECT_TRUE(window.isEnabled(Control::按钮_浏览目录));
    EXPECT_FALSE(window.isEnabled(Control::按钮_重新分析));
    EXPECT_FALSE(window.isEnabled(Control::按钮_取消下载));
    EXPECT_EQ(window.text(Control::按钮_取消下载), "4 取消下载 "_t);
    EXPECT_EQ(window.text(Control::按钮_重新分析), "3 重新分析 "_t);
    EXPECT_EQ(window.text(Control::透明标签_线程数), "10"_t);
    EXPECT_EQ(window.sliderPosition(), 10);
    EXPECT_EQ(window.text(Control::透明标签_当前页码2), "当前页码"_t);
    EXPECT_EQ(window.text(Control::透明标签_子页提示), Text{});
    EXPECT_EQ(window.rowCount(), 0);
}

TEST_F(StartupTest, theDataDirectoryIsMadeWithItsParents) {
    Program nested(window, directory.path() + "\\a\\b"_t);
    EXPECT_TRUE(ensureDataDirectory(nested));
    EXPECT_TRUE(files::isDirectory(directory.path() + "\\a\\b\\vrd"_t));
    EXPECT_TRUE(ensureDataDirectory(nested));
}
