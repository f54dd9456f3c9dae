// Renders the main window and the log window with sample sites and log rows into PNG files for review.
#include "config/config_store.h"
#include "gui/log/log_window.h"
#include "gui/main/main_window.h"
#include "gui/sites/site_list_editor.h"
#include "log/run_log.h"
#include "platform/run_directory.h"
#include "sites/site_list.h"
#include "text/literal.h"
#include "text/native_path.h"

#include <QApplication>
#include <QDir>
#include <QPixmap>
#include <QTimer>

#include <cstdio>

namespace {

kc::sites::SiteConfig SampleSite(const char* domain, const char* user, bool enabled)
{
    kc::sites::SiteConfig site;
    site.domain = domain;
    site.user = user;
    site.password = "secret";
    site.adminDir = "admin";
    site.enabled = enabled;
    site.keywordsMin = 2;
    site.keywordsMax = 5;
    site.intervalMin = 0.01f;
    site.intervalMax = 0.03f;
    site.blockSeparator = KC_TEXT("分块符");
    site.titleInsertSeparator = KC_TEXT("：");
    site.securityCode = KC_TEXT("安全码");
    site.articleDir = KC_TEXT("/srv/文章/shop");
    site.fileFilter = "*.txt";
    site.categoryData
        = KC_TEXT("-1{G}资讯中心[3]{G}0{G}0{G}3{G}假{G}1{G}真{H}0{G}行业新闻[5]{G}0{G}0{G}5{G}假{G}1{G}真{H}"
                  "0{G}公司动态[6]{G}0{G}0{G}6{G}假{G}0{G}真{H}-1{G}网店帮助[9]{G}1{G}1{G}9{G}假{G}2{G}假");
    return site;
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    const QString out = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QDir::currentPath();
    QDir().mkpath(out);
    const std::filesystem::path home = std::filesystem::temp_directory_path() / "kc-screenshot-home";
    std::filesystem::remove_all(home);
    std::filesystem::create_directories(home);
    kc::platform::SetRunDirectory(home);

    kc::config::ConfigStore store;
    store.Open(kc::text::InternalPath(home / "Kestrune Courier.ini"), kc::config::OpenMode::InMemory);
    kc::sites::SiteList seed;
    seed.Append(SampleSite("shop-one.example.com", "admin", true));
    seed.Append(SampleSite("127.0.0.1:8080", "editor", true));
    seed.Append(SampleSite("www.gbk-shop.example.cn", "admin", false));
    seed.Append(SampleSite("news.example.org/shop", "writer", true));
    seed.selectedLine = 1;
    kc::sites::SaveSites(store, seed);

    kc::gui::MainWindow window(store);
    window.show();
    kc::log::RunLog& log = window.Log();
    log.OpenRunLog();
    log.LogLine(KC_TEXT("站群更新开始，当前时间点是：2024-05-01 09:30:00"));
    log.LogLine(KC_TEXT("开始登录"), 1);
    log.LogLine(KC_TEXT("登录成功！"), 1);
    log.LogLine(KC_TEXT("读取文章列表成功，总共 20 篇文章！当前本站点更新读取到的所有文章"), 1);
    log.LogLine(KC_TEXT("更新成功：春季新品上市，全场八折优惠活动正在进行中"), 2);
    log.LogLine({}, 0);
    window.ShowLogWindow();

    QTimer::singleShot(400, &app, [&] {
        window.LogView()->FlushRows();
        const bool mainSaved = window.grab().save(out + QStringLiteral("/main-window.png"));
        const bool logSaved = window.LogView()->grab().save(out + QStringLiteral("/log-window.png"));
        // The run's face: the stop caption, the per-site stop button over the edit row, a greyed line.
        window.OnRunStarted();
        window.SetSiteLineEnabled(3, false);
        QCoreApplication::processEvents();
        const bool runSaved = window.grab().save(out + QStringLiteral("/main-window-running.png"));
        window.OnRunEnded({}, true);
        std::printf("%s/main-window.png %s\n%s/log-window.png %s\n%s/main-window-running.png %s\n", qPrintable(out),
            mainSaved ? "written" : "FAILED", qPrintable(out), logSaved ? "written" : "FAILED", qPrintable(out),
            runSaved ? "written" : "FAILED");
        window.SetProcessEnder([](int) {});
        QCoreApplication::exit(mainSaved && logSaved && runSaved ? 0 : 1);
    });
    const int status = QApplication::exec();
    std::filesystem::remove_all(home);
    return status;
}
