// The files of the data folder when they are not what the program left there: links to a file
// outside, links to nowhere, devices. Nothing is written through a link, nothing is read beyond
// the limit, and the user sees the messages the program has for a missing or unusable file.
#include "support/faultfixture.h"
#include "support/links.h"

using namespace xiuyun;
using namespace xiuyun::testing;

namespace {

class DataFileTest : public FaultTest {
protected:
    void SetUp() override {
        FaultTest::SetUp();
        ASSERT_TRUE(ensureDataDirectory(program));
        if (!fileLinksCanBeMade())
            GTEST_SKIP() << noFileLinksHere;
    }

    Text outsideFile(const char* name) const { return outside.path() + "\\"_t + Text::fromGbk(name); }
    void linkDataFile(const char* name, const Text& target) {
        ASSERT_TRUE(makeFileLink(target, dataFile(name)));
    }
    bool isLink(const char* name) const { return xiuyun::testing::isLink(dataFile(name)); }
    bool isPlainFile(const char* name) const { return files::readFile(dataFile(name)).has_value(); }
    std::vector<Text> outsideFiles() const {
        return files::listEntries(outside.path(), "*"_t, files::EntryKind::Files);
    }

    TemporaryDirectory outside;
};

TEST_F(DataFileTest, aCachedListPageLinkedElsewhereIsNeitherReadNorWritten) {
    ASSERT_TRUE(files::writeFile(outsideFile("page"), "not a page of the site"));
    linkDataFile("t_j.q", outsideFile("page"));

    analyse(address(category), Control::选择框_图集分类);
    EXPECT_EQ(lastMessageText(),
              "状态：分析数据失败\r\n\r\n原因：页面地址解析失败\r\n\r\n解决：请确认正确再重试"_t);
    EXPECT_EQ(files::readFile(outsideFile("page")), ByteArray("not a page of the site"));
    EXPECT_FALSE(isLink("t_j.q")); // the link went as a broken page goes

    analyse(address(category), Control::选择框_图集分类);
    EXPECT_EQ(lastMessageText(), completed());
    EXPECT_TRUE(isPlainFile("t_j.q"));
}

TEST_F(DataFileTest, cacheLinksToNowhereAreReplacedNeverWrittenThrough) {
    linkDataFile("t_j.q", outsideFile("first"));
    linkDataFile("2.q", outsideFile("second"));
    linkDataFile("d_g.q", outsideFile("album"));

    analyse(address(category), Control::选择框_图集分类);
    EXPECT_EQ(lastMessageText(), completed());
    EXPECT_TRUE(isPlainFile("t_j.q"));
    EXPECT_TRUE(isPlainFile("2.q"));
    EXPECT_TRUE(isPlainFile("3.q"));

    window.click(Control::按钮_重新分析);
    analyse(address(album.pagePath), Control::选择框_单个地址);
    EXPECT_EQ(lastMessageText(), completed());
    EXPECT_TRUE(isPlainFile("d_g.q"));
    EXPECT_TRUE(outsideFiles().empty());
}

#ifndef _WIN32
TEST_F(DataFileTest, cachePagesThatAreDevicesReadAsEmptyPagesWithTheirMessages) {
    // /dev/zero never ends: read without a check it would fill the memory.
    linkDataFile("t_j.q", "/dev/zero"_t);
    analyse(address(category), Control::选择框_图集分类);
    EXPECT_EQ(lastMessageText(),
              "状态：分析数据失败\r\n\r\n原因：页面地址解析失败\r\n\r\n解决：请确认正确再重试"_t);

    analyse(address(category), Control::选择框_图集分类);
    ASSERT_EQ(lastMessageText(), completed());
    // A numbered page there counts as present and is not fetched; read for the download, it
    // gives the message of a page that was never analysed.
    ASSERT_TRUE(files::removeFile(dataFile("2.q")));
    linkDataFile("2.q", "/dev/zero"_t);
    window.click(Control::按钮_重新分析);
    analyse(address(category + "2.html"), Control::选择框_图集分类);
    EXPECT_EQ(
        lastMessageText(),
        "状态：读取数据失败\r\n\r\n原因：图集分类下的页面没有被提前分析\r\n\r\n解决：重新下载分析图集"_t);
    EXPECT_TRUE(isLink("2.q"));
}
#endif

struct HistoryLink {
    const char* name;
    bool outsideFileExists; // else a link to nowhere, or to a device
    const char* target;     // "" for a file outside
};

class HistoryLinkTest : public DataFileTest, public ::testing::WithParamInterface<HistoryLink> {};

TEST_P(HistoryLinkTest, aHistoryThatIsNoPlainFileIsInactiveAndNeverWrittenThrough) {
    const HistoryLink& link = GetParam();
    const Text before = address(album.pagePath);
    if (link.outsideFileExists) {
        ASSERT_TRUE(files::writeFile(outsideFile("c_x.q"), before.bytes()));
    }
    linkDataFile("c_x.q", *link.target ? Text::fromGbk(link.target) : outsideFile("c_x.q"));

    // Recorded in the file the link points at, the address is still no reason to refuse.
    downloadAlbum();
    EXPECT_EQ(lastMessageText(), successBox(0));
    window.click(Control::按钮_重新分析);
    window.clearMessages();
    downloadAlbum();
    EXPECT_EQ(lastMessageText(), successBox(0));

    EXPECT_TRUE(isLink("c_x.q"));
    if (link.outsideFileExists) {
        EXPECT_EQ(files::readFile(outsideFile("c_x.q")), before.bytes());
    } else {
        EXPECT_TRUE(outsideFiles().empty());
    }
}

INSTANTIATE_TEST_SUITE_P(Links, HistoryLinkTest,
                         ::testing::Values(HistoryLink{"ToAFileOutside", true, ""},
                                           HistoryLink{"ToNowhere", false, ""}
#ifndef _WIN32
                                           ,
                                           HistoryLink{"ToADevice", false, "/dev/zero"}
#endif
                                           ),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
