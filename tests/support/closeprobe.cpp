// A program that closes its real window in the middle of a download. The Qt tests run it and look
// at how it ends and at what it left on disk: argv[1] is its program directory.
#include "support/closeprobe.h"
#include "analysis/routes.h"
#include "app/commands.h"
#include "frontends/qt/qtwindow.h"
#include "net/httpclient.h"
#include "net/site.h"
#include "os/files.h"
#include "os/programdir.h"
#include "testsite/testsite.h"
#include "window/desktopwindow.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

#include <optional>

using namespace xiuyun;

int main(int argc, char** argv) {
    if (argc < 2)
        return 2;
    const Text directory = files::fromNativePath(argv[1]);
    if (!enterProgramDirectory(directory))
        return 2;
    const gallery::Gallery gallery = closeprobe::gallery();
    testing::TestSite site;
    if (!site.start())
        return 2;
    site.setFallback([&gallery](const std::string& path) {
        return testing::galleryPage(gallery, path, closeprobe::imageLatency);
    });

    std::optional<Program> program;
    runDesktopWindow(argc, argv, [&](Window& window) {
        program.emplace(window, directory);
        program->routes = analysisRoutes();
        program->network.routeHostToLoopback(std::string(SITE_HOST), site.port());
        auto& qtWindow = static_cast<QtWindow&>(window);
        // Every box is answered as a user would: OK.
        auto* answerer = new QTimer(qtWindow.widget());
        QObject::connect(answerer, &QTimer::timeout, [] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget()))
                box->button(QMessageBox::Ok)->click();
        });
        answerer->start(20);
        QTimer::singleShot(0, qtWindow.widget(), [&qtWindow, &gallery] {
            qtWindow.setText(Control::编辑框_页面地址, closeprobe::albumAddress(gallery));
            qtWindow.setSliderPosition(closeprobe::threads);
            qtWindow.activate(Control::选择框_单个地址);
            qtWindow.activate(Control::按钮_分析数据);
            qtWindow.activate(Control::按钮_开始下载);
            QTimer::singleShot(closeprobe::closeAfter, qtWindow.widget(),
                               [&qtWindow] { qtWindow.widget()->close(); });
        });
        return commandHandlers(*program);
    });
}
