#include "app/folderchoice.h"

#include "support/programfixture.h"

using namespace xiuyun;
using xiuyun::testing::ProgramFixture;

namespace {

using FolderChoiceTest = ProgramFixture;

TEST_F(FolderChoiceTest, theSliderLabelFollowsEveryPosition) {
    for (int position : {1, 2, 17, 30}) {
        window.moveSlider(position);
        EXPECT_EQ(window.text(Control::透明标签_线程数), Text::number(position));
    }
    window.moveSlider(31);
    EXPECT_EQ(window.text(Control::透明标签_线程数), "30"_t);
}

TEST_F(FolderChoiceTest, thePickerAsksForTheSaveFolderAndKeepsTheBoxWhenCancelled) {
    startWindow();
    window.click(Control::按钮_浏览目录);
    auto dialogs = window.folderDialogs();
    ASSERT_EQ(dialogs.size(), 1u);
    EXPECT_EQ(dialogs[0].title, "文件将保存在哪个目录?"_t);
    EXPECT_TRUE(dialogs[0].initialFolder.empty());
    EXPECT_FALSE(dialogs[0].includeFiles);
    EXPECT_FALSE(dialogs[0].showEditBox);
    EXPECT_TRUE(dialogs[0].newStyle);
    EXPECT_EQ(window.text(Control::编辑框_存放目录), directory.path());

    window.queueFolderChoices({"  /data/相册　"_t});
    window.click(Control::按钮_浏览目录);
    EXPECT_EQ(window.text(Control::编辑框_存放目录), "/data/相册"_t);
}

TEST_F(FolderChoiceTest, thePickerHasADefaultTitleAndTakesTheFoldersAndFlagsItIsGiven) {
    window.queueFolderChoices({"/x"_t});
    EXPECT_EQ(browseForFolder(window), "/x"_t);
    EXPECT_EQ(window.folderDialogs().back().title, "请选择一个文件夹"_t);

    EXPECT_TRUE(browseForFolder(window, {.initialFolder = "/start"_t, .includeFiles = true}).empty());
    const FolderDialog asked = window.folderDialogs().back();
    EXPECT_EQ(asked.title, "请选择一个文件夹"_t);
    EXPECT_EQ(asked.initialFolder, "/start"_t);
    EXPECT_TRUE(asked.includeFiles);
    EXPECT_TRUE(asked.newStyle);
}

} // namespace
