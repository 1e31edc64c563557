#include "support/galleryfixture.h"
#include "text/textutils.h"

using namespace xiuyun;
using namespace xiuyun::testing;

namespace {

class AlbumReaderTest : public GalleryFixture {
protected:
    void analyseAlbumPage(int id) {
        serveAlbum(id);
        analyse(address(gallery.album(id).pagePath), Control::选择框_单个地址);
    }
};

TEST_F(AlbumReaderTest, anAlbumPageGivesTitleCountFolderAndRows) {
    const auto album = gallery.album(4321);
    files::writeFile(dataFile("d_g.q"), "an old album page");
    window.type(Control::编辑框_存放目录, directory.path() + "\\saved\\"_t);
    analyseAlbumPage(album.id);

    EXPECT_EQ(lastMessageText(), completed());
    const Text title = Text::fromUtf8(album.title);
    EXPECT_EQ(window.text(Control::透明标签_图片标题2), title);
    EXPECT_EQ(window.text(Control::透明标签_图片数量2), "5"_t);
    EXPECT_EQ(program.analysis.albumFolder, directory.path() + "\\saved\\4321 "_t + title);
    ASSERT_EQ(window.rowCount(), 5);
    EXPECT_EQ(window.cell(2, 1), address(album.imagePath(3)));
    EXPECT_EQ(files::readFile(dataFile("d_g.q")).value_or(""), gallery.albumPage(album.id));
    EXPECT_TRUE(files::isDirectory(directory.path() + "\\saved"_t));
}

TEST_F(AlbumReaderTest, awkwardTitlesStillGiveOneSafeFolder) {
    gallery = gallery::Gallery(std::string(SITE_ROOT), {.awkwardTitles = true});
    const auto& titles = gallery::Gallery::awkwardTitles();
    for (int id = 900; id < 900 + static_cast<int>(titles.size()); ++id) {
        window.click(Control::按钮_重新分析);
        analyseAlbumPage(id);
        ASSERT_EQ(lastMessageText(), completed()) << id;

        const Text root = program.analysis.albumFolder;
        const Text element = fileNameOf(root, Extension::Keep);
        EXPECT_TRUE(element.startsWith(Text::number(id))) << root;
        EXPECT_LE(files::nativePath(element).size(), 255u) << root;
        EXPECT_FALSE(element.endsWith("."_t) || element.endsWith(" "_t)) << root;
        EXPECT_EQ(fileNameOf(root.left(root.size() - element.size() - 1), Extension::Keep),
                  fileNameOf(directory.path(), Extension::Keep));
        // The label keeps the cleaned title.
        EXPECT_EQ(window.text(Control::透明标签_图片标题2),
                  cleanFileName(Text::fromUtf8(gallery.album(id).title)));
    }
}

TEST_F(AlbumReaderTest, failuresAreReported) {
    analyse(address("/search/abc/"), Control::选择框_单个地址);
    EXPECT_EQ(lastMessageText(),
              "状态：分析数据失败\r\n\r\n原因：不符合当前地址类型\r\n\r\n解决：请确认页面地址是何类型！"_t);

    site.setPage("/item/7.html", Page::bytes("<html>" + std::string(6000, ' ') +
                                             "<div class=\"width\"><h1>T</h1><p>图片数量：3 张</p></div>"
                                             "<div id=\"fenxiang\"></div></html>"));
    analyse(address("/item/7.html"), Control::选择框_单个地址);
    EXPECT_EQ(
        lastMessageText(),
        "状态：分析数据失败\r\n\r\n原因：页面地址解析错误\r\n\r\n解决：再重试分析,如果还出错就是程序问题"_t);
    EXPECT_FALSE(hasDataFile("d_g.q"));
    EXPECT_EQ(window.rowCount(), 0);

    // A folder that cannot be made (a file stands in its way) is said so.
    files::writeFile(directory.path() + "\\blocked"_t, "x");
    window.type(Control::编辑框_存放目录, directory.path() + "\\blocked\\inner"_t);
    analyseAlbumPage(11);
    EXPECT_EQ(lastMessageText(), "状态：分析数据失败\r\n\r\n原因：存放目录不存在或创建失败"_t);
}

} // namespace
