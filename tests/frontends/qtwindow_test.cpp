#include "frontends/qt/qtwindow.h"

#include "analysis/routes.h"
#include "app/commands.h"
#include "download/download.h"
#include "frontends/qt/imagelistmodel.h"
#include "frontends/qt/qtmainwindow.h"
#include "frontends/qt/qttext.h"
#include "net/httpclient.h"
#include "net/site.h"
#include "program/program.h"
#include "program/progressview.h"
#include "support/closeprobe.h"
#include "support/programfixture.h"
#include "testsite/gallery.h"
#include "testsite/testsite.h"
#include "text/textutils.h"

#include <QAccessible>
#include <QApplication>
#include <QCheckBox>
#include <QFileDialog>
#include <QGroupBox>
#include <QHeaderView>
#include <QInputMethodEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QSlider>
#include <QTest>
#include <QTimer>
#include <QTreeView>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <future>
#include <sys/wait.h>
#include <thread>

// Failures show Qt strings as text.
inline void PrintTo(const QString& string, std::ostream* out) {
    *out << '"' << string.toStdString() << '"';
}

using namespace xiuyun;
using xiuyun::testing::TemporaryDirectory;

namespace {

// One application for the whole run, made only when tests run (not when they are listed).
class QtEnvironment : public ::testing::Environment {
public:
    void SetUp() override { m_application = std::make_unique<QApplication>(m_argc, m_argv); }
    void TearDown() override { m_application.reset(); }

private:
    int m_argc = 1;
    char m_name[16] = "xiuyun_qt_tests";
    char* m_argv[2] = {m_name, nullptr};
    std::unique_ptr<QApplication> m_application;
};

const auto* const environment = ::testing::AddGlobalTestEnvironment(new QtEnvironment);

QString captionOf(const ControlLayoutEntry& entry) {
    return qtString(entry.caption);
}

class QtWindowTest : public ::testing::Test {
protected:
    QtWindowTest() : program(window, directory.path()) {
        enterProgramDirectory(directory.path());
        window.setEvents(commandHandlers(program));
        window.open();
        settle();
    }

    template <typename Widget> Widget* find(Control control) const {
        return window.widget()->findChild<Widget*>(qtString(layoutOf(control).name));
    }

    void settle() {
        window.applyPendingChanges();
        QCoreApplication::processEvents();
    }

    // Runs `inspect` on the first modal box that opens, on the GUI thread, then closes it with
    // the button `answer`.
    void answerNextBox(QMessageBox::StandardButton answer, std::function<void(QMessageBox&)> inspect) {
        auto* timer = new QTimer(window.widget());
        QObject::connect(timer, &QTimer::timeout, timer, [timer, answer, inspect] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!box)
                return;
            timer->stop();
            inspect(*box);
            box->button(answer)->click();
            timer->deleteLater();
        });
        timer->start(10);
    }

    TemporaryDirectory directory;
    QtWindow window;
    Program program;
};

TEST_F(QtWindowTest, everyControlStandsAtItsPlaceWithItsCaptionAndState) {
    QWidget* main = window.widget();
    EXPECT_EQ(main->windowTitle(), qtString(windowTitle));
    EXPECT_EQ(main->geometry(),
              QRect(windowGeometry.left, windowGeometry.top, windowGeometry.width, windowGeometry.height));
    auto* group = find<QGroupBox>(Control::分组框1);
    ASSERT_NE(group, nullptr);

    for (const ControlLayoutEntry& entry : controlLayout()) {
        SCOPED_TRACE(entry.name);
        auto* widget = find<QWidget>(entry.control);
        ASSERT_NE(widget, nullptr);
        EXPECT_EQ(widget->parentWidget(), entry.insideGroupBox ? group : main);
        EXPECT_EQ(widget->geometry(), QRect(entry.geometry.left, entry.geometry.top, entry.geometry.width,
                                            entry.geometry.height));
        EXPECT_EQ(widget->isVisibleTo(main), entry.visibility == Visibility::Shown);
        EXPECT_EQ(widget->isEnabled(), entry.enablement == Enablement::Enabled);
        switch (entry.kind) {
        case ControlKind::Label:
            EXPECT_EQ(qobject_cast<QLabel*>(widget)->text(), captionOf(entry));
            break;
        case ControlKind::CheckBox:
            EXPECT_FALSE(qobject_cast<QCheckBox*>(widget)->isChecked());
            [[fallthrough]];
        case ControlKind::Button:
            EXPECT_EQ(qobject_cast<QAbstractButton*>(widget)->text(), captionOf(entry));
            break;
        case ControlKind::EditBox:
            EXPECT_FALSE(qobject_cast<QLineEdit*>(widget)->isReadOnly());
            break;
        default:
            break;
        }
        // A screen reader has a name for every control, whether or not it shows a caption.
        QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(widget);
        ASSERT_NE(accessible, nullptr);
        // A label that starts empty has nothing to read until it shows something.
        if (!(entry.kind == ControlKind::Label && entry.caption.empty())) {
            EXPECT_FALSE(accessible->text(QAccessible::Name).isEmpty());
        }
    }

    EXPECT_EQ(find<QLineEdit>(Control::编辑框_页面地址)->text(), qtString(SITE_ROOT));
    // The window-created handler has run before the window showed.
    EXPECT_EQ(find<QLineEdit>(Control::编辑框_存放目录)->text(), qtString(directory.path()));
    auto* slider = find<QSlider>(Control::滑块条1);
    EXPECT_EQ(slider->minimum(), 1);
    EXPECT_EQ(slider->maximum(), 30);
    EXPECT_EQ(slider->value(), 10);
    EXPECT_EQ(slider->pageStep(), 5);
    auto* list = find<QTreeView>(Control::超级列表框1);
    for (int column = 0; column < 3; ++column) {
        EXPECT_EQ(list->model()->headerData(column, Qt::Horizontal).toString(),
                  qtString(listColumns[column].caption));
        EXPECT_EQ(list->header()->sectionSize(column), listColumns[column].width);
    }
}

TEST_F(QtWindowTest, clicksOnPageTypeBoxesReachTheirHandlersAndExcludeEachOther) {
    auto* category = find<QCheckBox>(Control::选择框_图集分类);
    auto* search = find<QCheckBox>(Control::选择框_搜索地址);
    QTest::mouseClick(category, Qt::LeftButton);
    settle();
    EXPECT_TRUE(category->isChecked());
    EXPECT_EQ(program.analysis.pageType, PAGE_CATEGORY);

    QTest::mouseClick(search, Qt::LeftButton);
    settle();
    EXPECT_FALSE(category->isChecked());
    EXPECT_TRUE(search->isChecked());
    EXPECT_EQ(program.analysis.pageType, PAGE_SEARCH);

    QTest::mouseClick(search, Qt::LeftButton);
    settle();
    EXPECT_FALSE(search->isChecked());
    EXPECT_EQ(program.analysis.pageType, PAGE_NONE);

    // The model disabled the box but the widget has not heard of it yet: the click changes nothing.
    window.setEnabled(Control::选择框_图集分类, false);
    category->click();
    EXPECT_FALSE(category->isChecked());
    EXPECT_FALSE(window.isTicked(Control::选择框_图集分类));
    EXPECT_EQ(program.analysis.pageType, PAGE_NONE);
}

TEST_F(QtWindowTest, typingAndSliderMovesAreRecordedAndReadOnlyBoxesRefuseTyping) {
    auto* address = find<QLineEdit>(Control::编辑框_页面地址);
    address->clear();
    address->setFocus();
    // Chinese text arrives as composed input, as from an input method.
    QInputMethodEvent input;
    input.setCommitString(qtString(std::string_view("图集")));
    QCoreApplication::sendEvent(address, &input);
    EXPECT_EQ(window.text(Control::编辑框_页面地址), "图集"_t);

    window.setReadOnly(Control::编辑框_页面地址, true);
    settle();
    EXPECT_TRUE(address->isReadOnly());
    QCoreApplication::sendEvent(address, &input);
    EXPECT_EQ(address->text(), qtString(std::string_view("图集")));
    EXPECT_EQ(window.text(Control::编辑框_页面地址), "图集"_t);

    auto* slider = find<QSlider>(Control::滑块条1);
    slider->setFocus();
    QTest::keyClick(slider, Qt::Key_End);
    settle();
    EXPECT_EQ(window.sliderPosition(), 30);
    EXPECT_EQ(find<QLabel>(Control::透明标签_线程数)->text(), QStringLiteral("30"));
    // Moves made by code reach the widget without running the handler.
    window.setSliderPosition(3);
    settle();
    EXPECT_EQ(slider->value(), 3);
    EXPECT_EQ(find<QLabel>(Control::透明标签_线程数)->text(), QStringLiteral("30"));
}

// The folder box holds a path: a "\" typed there is a letter of a name, and a name with bytes
// that are no UTF-8 (shown as U+FFFD) stays that name while the box shows it unchanged.
TEST_F(QtWindowTest, theFolderBoxHoldsAPathExactly) {
    auto* folder = find<QLineEdit>(Control::编辑框_存放目录);
    auto type = [folder](const char* utf8) {
        QInputMethodEvent input;
        input.setCommitString(qtString(std::string_view(utf8)));
        QCoreApplication::sendEvent(folder, &input);
    };
    folder->clear();
    folder->setFocus();
    type("사진\\b");
    EXPECT_EQ(files::nativePath(window.text(Control::编辑框_存放目录)), "사진\\b");

    const Text named = files::fromNativePath("caf\xE9");
    window.setText(Control::编辑框_存放目录, named);
    settle();
    folder->end(false);
    type("x");
    QTest::keyClick(folder, Qt::Key_Backspace);
    EXPECT_EQ(window.text(Control::编辑框_存放目录), named);
}

TEST_F(QtWindowTest, writesFromAnotherThreadArriveWithoutWaitingForTheWindowAndTheListReadsTheRows) {
    // The writer runs to its end while the GUI thread handles no event at all.
    std::thread writer([this] {
        program.rows.fill("http://127.0.0.1/stale/0.jpg"_t, 3);
        program.rows.fill("http://127.0.0.1/0.jpg"_t, 2000);
        const auto batch = program.rows.batch();
        for (int step = 1; step <= 100; ++step)
            window.setText(Control::透明标签_当前图集2, Text::number(step));
        program.rows.setStatus(*batch, 1999, RowStatus::Done);
        program.rows.reveal(1999);
        window.setVisible(Control::按钮_删除残余, true);
    });
    writer.join();
    settle();

    ImageListModel* rows = qobject_cast<QtMainWindow*>(window.widget())->imageListModel();
    ASSERT_EQ(rows->rowCount(), 2000);
    EXPECT_EQ(rows->cell(0, 0), QStringLiteral("1"));
    EXPECT_EQ(rows->cell(0, 1), QStringLiteral("http://127.0.0.1/1.jpg"));
    EXPECT_EQ(rows->cell(0, 2), QString());
    EXPECT_EQ(rows->cell(1999, 0), QStringLiteral("2000"));
    EXPECT_EQ(rows->cell(1999, 1), QStringLiteral("http://127.0.0.1/2000.jpg"));
    EXPECT_EQ(rows->cell(1999, 2), qtString(std::string_view("下载完成")));
    EXPECT_EQ(rows->cell(2000, 0), QString());
    EXPECT_EQ(find<QLabel>(Control::透明标签_当前图集2)->text(), QStringLiteral("100"));
    EXPECT_TRUE(find<QPushButton>(Control::按钮_删除残余)->isVisibleTo(window.widget()));
}

TEST_F(QtWindowTest, aScreenReaderReadsTheProgressBarAndTheStatusLineAsTheyShow) {
    program.progress.start(1);
    program.progress.pageRead(1);
    program.progress.albumStarted("x"_t, 4);
    program.progress.imageFinished("x"_t, 0, ImageOutcome::Saved, 20000);
    showProgress(program, Refresh::Now);
    settle();

    auto* bar = find<QProgressBar>(Control::进度条_下载进度);
    ASSERT_NE(bar, nullptr);
    QAccessibleInterface* barReader = QAccessible::queryAccessibleInterface(bar);
    ASSERT_NE(barReader, nullptr);
    EXPECT_EQ(barReader->text(QAccessible::Name), qtString(std::string_view("下载进度")));
    ASSERT_NE(barReader->valueInterface(), nullptr);
    EXPECT_EQ(barReader->valueInterface()->currentValue().toInt(), progressMaximum / 4);

    const QString status = qtString(progressStatusText(program.progress.figures()));
    ASSERT_FALSE(status.isEmpty());
    QAccessibleInterface* statusReader =
        QAccessible::queryAccessibleInterface(find<QLabel>(Control::透明标签_下载状态));
    ASSERT_NE(statusReader, nullptr);
    EXPECT_EQ(statusReader->text(QAccessible::Name), status);
}

TEST_F(QtWindowTest, aBoxFromAnotherThreadBlocksOnlyThatThread) {
    bool inspected = false;
    answerNextBox(QMessageBox::Cancel, [&](QMessageBox& box) {
        inspected = true;
        EXPECT_EQ(box.windowTitle(), qtString(std::string_view("温馨提示")));
        EXPECT_EQ(box.text(), qtString(std::string_view("状态：完成\n\n原因：")));
        EXPECT_EQ(box.icon(), QMessageBox::Warning);
        EXPECT_EQ(box.button(QMessageBox::Ok)->text(), qtString(std::string_view("确定")));
        EXPECT_EQ(box.button(QMessageBox::Cancel)->text(), qtString(std::string_view("取消")));
        EXPECT_EQ(box.parentWidget(), window.widget());
        // The label written before the box is shown under it; the GUI thread goes on meanwhile.
        EXPECT_EQ(find<QLabel>(Control::透明标签_子页提示)->text(), QStringLiteral("before"));
    });
    auto worker = std::async(std::launch::async, [this] {
        window.setText(Control::透明标签_子页提示, "before"_t);
        return window.showMessage("状态：完成\r\n\r\n原因："_t, "温馨提示"_t, MessageIcon::Warning,
                                  MessageButtons::OkCancel);
    });
    while (worker.wait_for(std::chrono::seconds(0)) != std::future_status::ready)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    EXPECT_TRUE(inspected);
    EXPECT_EQ(worker.get(), MessageAnswer::Cancel);
}

TEST_F(QtWindowTest, aBoxOnTheGuiThreadIsShownDirectlyWithOneOkButton) {
    answerNextBox(QMessageBox::Ok, [](QMessageBox& box) {
        EXPECT_EQ(box.icon(), QMessageBox::Critical);
        EXPECT_EQ(box.button(QMessageBox::Ok)->text(), qtString(std::string_view("确定")));
        EXPECT_EQ(box.button(QMessageBox::Cancel), nullptr);
        EXPECT_EQ(box.text(), QStringLiteral("a\nb"));
    });
    EXPECT_EQ(window.showMessage("a\r\nb"_t, "信息："_t, MessageIcon::Error), MessageAnswer::Ok);
}

TEST_F(QtWindowTest, closingTheWindowReportsItOnceAndReleasesWaitingBoxes) {
    int destroying = 0;
    WindowEvents events = window.events();
    events.windowDestroying = [&destroying] { ++destroying; };
    window.setEvents(events);
    window.widget()->close();
    window.widget()->close();
    EXPECT_EQ(destroying, 1);
    auto late = std::async(std::launch::async, [this] {
        return window.showMessage("x"_t, "信息："_t, MessageIcon::Warning, MessageButtons::OkCancel);
    });
    EXPECT_EQ(late.get(), MessageAnswer::Cancel);
}

} // namespace

namespace {

// The whole road of an analysis behind the real window: clicks, page fetches from the local site
// while the window keeps painting, the report box on the GUI thread, and the rows in the list.
TEST_F(QtWindowTest, aCategoryIsAnalysedBehindTheRealWindow) {
    gallery::Gallery gallery{std::string(SITE_ROOT)};
    xiuyun::testing::TestSite site;
    ASSERT_TRUE(site.start());
    program.network.routeHostToLoopback(std::string(SITE_HOST), site.port());
    const std::string list = "/t/xinggan/";
    for (int page = 1; page <= gallery.pagesOf(list); ++page) {
        auto html = xiuyun::testing::Page::bytes(gallery.listPage(list, page), "text/html; charset=utf-8");
        site.setPage(page == 1 ? list : list + std::to_string(page) + ".html", html);
    }
    program.routes = analysisRoutes();

    window.setText(Control::编辑框_页面地址, Text::fromGbk(std::string(SITE_ROOT) + list.substr(1)));
    settle();
    QTest::mouseClick(find<QCheckBox>(Control::选择框_图集分类), Qt::LeftButton);
    QString report;
    answerNextBox(QMessageBox::Ok, [&](QMessageBox& box) { report = box.text(); });
    QTest::mouseClick(find<QPushButton>(Control::按钮_分析数据), Qt::LeftButton);
    settle();

    EXPECT_EQ(report, qtString(std::string_view(
                          "状态：分析数据完成\n\n原因：\n\n解决：\n\n说明：线程可调，其他禁止再输入")));
    auto* mainWindow = static_cast<QtMainWindow*>(window.widget());
    ASSERT_EQ(mainWindow->imageListModel()->rowCount(), gallery.options().imagesPerAlbum);
    EXPECT_EQ(mainWindow->imageListModel()->cell(0, 1),
              qtString(std::string(SITE_ROOT) + gallery.albumsOn(list, 1)[0].imagePath(1).substr(1)));
    EXPECT_EQ(find<QLabel>(Control::透明标签_总页码2)->text(), QStringLiteral("3"));
    EXPECT_FALSE(find<QPushButton>(Control::按钮_分析数据)->isEnabled());
    EXPECT_TRUE(find<QLineEdit>(Control::编辑框_页面地址)->isReadOnly());
}

// A download behind the real window: the scheduler and the workers write rows and buttons from
// their own threads, and the completion box is raised from the scheduler's thread.
TEST_F(QtWindowTest, aListIsDownloadedBehindTheRealWindow) {
    gallery::Gallery gallery{std::string(SITE_ROOT), {.albumsPerPage = 2, .imagesPerAlbum = 3}};
    const std::string list = "/search/summer/";
    gallery.setList(list, 1);
    xiuyun::testing::TestSite site;
    ASSERT_TRUE(site.start());
    site.setFallback(
        [&gallery](const std::string& path) { return xiuyun::testing::galleryPage(gallery, path); });
    program.network.routeHostToLoopback(std::string(SITE_HOST), site.port());
    program.routes = analysisRoutes();
    window.events().windowCreated();

    window.setText(Control::编辑框_页面地址, Text::fromGbk(std::string(SITE_ROOT) + list.substr(1)));
    settle();
    QTest::mouseClick(find<QCheckBox>(Control::选择框_搜索地址), Qt::LeftButton);
    answerNextBox(QMessageBox::Ok, [](QMessageBox&) {});
    QTest::mouseClick(find<QPushButton>(Control::按钮_分析数据), Qt::LeftButton);
    settle();

    QString report;
    QString caption;
    answerNextBox(QMessageBox::Ok, [&](QMessageBox& box) {
        report = box.text();
        caption = box.windowTitle();
    });
    QTest::mouseClick(find<QPushButton>(Control::按钮_开始下载), Qt::LeftButton);
    while (!waitForDownloadThreads(program, std::chrono::milliseconds(0)))
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    settle();

    EXPECT_EQ(caption, qtString(std::string_view("恭喜客官")));
    EXPECT_EQ(report, qtString(std::string_view("状态：图片下载完成\n\n原因：\n\n重试：0")));
    auto* mainWindow = static_cast<QtMainWindow*>(window.widget());
    ASSERT_EQ(mainWindow->imageListModel()->rowCount(), 3);
    for (int row = 0; row < 3; ++row)
        EXPECT_EQ(mainWindow->imageListModel()->cell(row, 2), qtString(std::string_view("下载完成")));
    EXPECT_TRUE(find<QPushButton>(Control::按钮_开始下载)->isEnabled());
    EXPECT_FALSE(find<QPushButton>(Control::按钮_取消下载)->isEnabled());
    const auto album = gallery.albumsOn(list, 1)[1];
    const Text image = directory.path() + "\\summer\\"_t +
                       safeFolderElement(cleanFileName("2 "_t + Text::fromUtf8(album.title))) + "\\3.png"_t;
    EXPECT_EQ(files::readFile(image), gallery.image(album.id, 3));
}

TEST_F(QtWindowTest, theSliderLabelFollowsKeysToBothEnds) {
    window.events().windowCreated();
    auto* slider = find<QSlider>(Control::滑块条1);
    auto* label = find<QLabel>(Control::透明标签_线程数);
    slider->setFocus();
    QTest::keyClick(slider, Qt::Key_End);
    settle();
    EXPECT_EQ(label->text(), QStringLiteral("30"));
    QTest::keyClick(slider, Qt::Key_Home);
    settle();
    EXPECT_EQ(label->text(), QStringLiteral("1"));
    QTest::keyClick(slider, Qt::Key_PageUp);
    settle();
    EXPECT_EQ(label->text(), QStringLiteral("6"));
    EXPECT_EQ(window.sliderPosition(), 6);
}

TEST_F(QtWindowTest, theFolderPickerIsTitledAndCancellingKeepsTheFolder) {
    window.events().windowCreated();
    settle();
    const QString before = find<QLineEdit>(Control::编辑框_存放目录)->text();
    TemporaryDirectory chosen;

    QString title;
    auto answerPicker = [&](bool accept) {
        auto* timer = new QTimer(window.widget());
        QObject::connect(timer, &QTimer::timeout, timer, [timer, accept, &title, &chosen] {
            auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
            if (!dialog)
                return;
            timer->stop();
            title = dialog->windowTitle();
            if (accept) {
                // With no entry selected, a folder picker answers the folder it shows.
                dialog->setDirectory(QString::fromStdString(chosen.native().string()));
                static_cast<QDialog*>(dialog)->accept(); // QFileDialog checks the selection
            } else {
                dialog->reject();
            }
            timer->deleteLater();
        });
        timer->start(10);
    };

    answerPicker(false);
    QTest::mouseClick(find<QPushButton>(Control::按钮_浏览目录), Qt::LeftButton);
    settle();
    EXPECT_EQ(title, qtString(std::string_view("文件将保存在哪个目录?")));
    EXPECT_EQ(find<QLineEdit>(Control::编辑框_存放目录)->text(), before);

    answerPicker(true);
    QTest::mouseClick(find<QPushButton>(Control::按钮_浏览目录), Qt::LeftButton);
    settle();
    EXPECT_EQ(window.text(Control::编辑框_存放目录), chosen.path());
    EXPECT_EQ(find<QLineEdit>(Control::编辑框_存放目录)->text(),
              QString::fromStdString(chosen.native().string()));
}

// The real program's way out: the window closed in the middle of a download ends the process
// cleanly, and every image it left under its final name is whole.
TEST(QtClosingTest, closingTheWindowDuringADownloadEndsTheProgramCleanly) {
    TemporaryDirectory directory;
    const std::string command = std::string("QT_QPA_PLATFORM=offscreen timeout 120 ") + XIUYUN_CLOSE_PROBE +
                                " '" + directory.native().string() + "' > /dev/null 2>&1";
    const int status = std::system(command.c_str());
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);

    const gallery::Gallery gallery = closeprobe::gallery();
    const gallery::AlbumInfo album = closeprobe::album(gallery);
    std::vector<Text> folders = files::listEntries(directory.path(), "*"_t, files::EntryKind::Folders);
    folders.erase(std::remove(folders.begin(), folders.end(), "vrd"_t), folders.end());
    ASSERT_EQ(folders.size(), 1u);
    const Text albumFolder = directory.path() + "\\"_t + folders[0];
    const std::vector<Text> images = files::listEntries(albumFolder, "*.png"_t, files::EntryKind::Files);
    EXPECT_GT(images.size(), 0u);
    EXPECT_LT(images.size(), static_cast<std::size_t>(album.imageCount)); // it was cut off
    for (const Text& name : images) {
        const int number = static_cast<int>(name.toInteger());
        EXPECT_EQ(files::readFile(albumFolder + "\\"_t + name), gallery.image(album.id, number)) << name;
    }
}

} // namespace
