// Measures the window program: start-up time with many sites in the settings file, and the longest stall of
// the event loop during a run started from the button against sandbox shops. Not a test: it prints figures.
//   kc_gui_probe startup [SITES]            (default 2000)
//   kc_gui_probe stall [SITES] [ARTICLES]   (default 50 sites, 20 articles each)
#include "config/config_store.h"
#include "ecshop/sandbox/sandbox_shop.h"
#include "gui/common/message_box.h"
#include "gui/main/gui_app.h"
#include "gui/main/main_window.h"
#include "http/http_client.h"
#include "platform/event_pump.h"
#include "platform/run_directory.h"
#include "run/update_run.h"
#include "sites/site_list.h"
#include "text/native_path.h"

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sched.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// Times every event delivery, so that a long gap can be told from a starved thread.
class TimedApplication : public QApplication {
public:
    using QApplication::QApplication;
    bool notify(QObject* receiver, QEvent* event) override
    {
        QElapsedTimer clock;
        clock.start();
        const bool result = QApplication::notify(receiver, event);
        const qint64 spent = clock.elapsed();
        if (event->type() == QEvent::MetaCall)
            longestQueued = std::max(longestQueued, spent);
        else if (spent > longest && event->type() != QEvent::MouseButtonRelease) {
            longest = spent;
            longestType = event->type();
        }
        return result;
    }
    qint64 longest = 0;
    int longestType = 0;
    qint64 longestQueued = 0; // queued calls: log rows, line greying
};

std::filesystem::path FreshHome()
{
    const std::filesystem::path home
        = std::filesystem::temp_directory_path() / ("kc-probe-" + std::to_string(::getpid()));
    std::filesystem::remove_all(home);
    std::filesystem::create_directories(home);
    return home;
}

void WriteSettings(const std::filesystem::path& home, const kc::sites::SiteList& list)
{
    kc::config::ConfigStore store;
    store.Open(kc::text::InternalPath(home / "Kestrune Courier.ini"), kc::config::OpenMode::InMemory);
    kc::sites::SaveSites(store, list);
    store.Save();
}

int Startup(int argc, char** argv, int count)
{
    QElapsedTimer clock;
    clock.start();
    const std::filesystem::path home = FreshHome();
    kc::sites::SiteList list;
    for (int i = 0; i < count; ++i) {
        kc::sites::SiteConfig site;
        site.enabled = i % 3 != 0;
        site.domain = "shop" + std::to_string(i) + ".example.com";
        site.user = "admin";
        site.password = "secret";
        site.adminDir = "admin";
        site.keywordsSource = "k1\r\nk2\r\nk3";
        site.categoryData = "-1{G}a[1]{G}0{G}0{G}1{G}x{G}1{G}y";
        list.Append(site);
    }
    list.selectedLine = count / 2;
    WriteSettings(home, list);
    const qint64 prepared = clock.elapsed();

    clock.restart();
    QApplication app(argc, argv);
    kc::config::ConfigStore store;
    kc::platform::SetRunDirectory(home);
    store.Open(kc::text::InternalPath(home / "Kestrune Courier.ini"), kc::config::OpenMode::InMemory);
    kc::gui::MainWindow window(store);
    window.show();
    QCoreApplication::processEvents();
    const qint64 shown = clock.elapsed();
    std::printf("start-up with %d sites: window shown after %lld ms (settings file written in %lld ms)\n", count,
        static_cast<long long>(shown), static_cast<long long>(prepared));
    QElapsedTimer paint;
    paint.start();
    for (int i = 0; i < 10; ++i)
        window.repaint();
    std::printf("a full repaint of the main window takes %.1f ms\n", static_cast<double>(paint.elapsed()) / 10);
    window.SetProcessEnder([](int) {});
    std::filesystem::remove_all(home);
    return 0;
}

// The shop runs in a child process, as a real shop runs elsewhere: its threads do not compete with the
// window's, which keeps to one processor. The child reports its port and an ordinary category, then serves
// until it is killed.
struct ChildShop {
    pid_t pid = -1;
    int port = 0;
    int category = 0;
    kc::ecshop::SandboxOptions options;
};

bool StartChildShop(ChildShop& child)
{
    int fds[2];
    if (pipe(fds) != 0)
        return false;
    child.pid = fork();
    if (child.pid == 0) {
        close(fds[0]);
        // Off the window's processor where the machine has another: a real shop does not share it either.
        cpu_set_t others;
        CPU_ZERO(&others);
        if (sched_getaffinity(0, sizeof others, &others) == 0 && CPU_COUNT(&others) > 1) {
            for (int cpu = 0; cpu < CPU_SETSIZE; ++cpu) {
                if (CPU_ISSET(cpu, &others)) {
                    CPU_CLR(cpu, &others);
                    break;
                }
            }
            sched_setaffinity(0, sizeof others, &others);
        }
        kc::ecshop::SandboxShop shop(child.options);
        if (!shop.Start())
            _exit(1);
        int category = 0;
        for (const kc::ecshop::SandboxCategory& c : shop.Categories()) {
            if (c.type == kc::ecshop::kCategoryOrdinary) {
                category = c.id;
                break;
            }
        }
        const std::string line = std::to_string(shop.Port()) + " " + std::to_string(category) + "\n";
        if (write(fds[1], line.data(), line.size()) < 0)
            _exit(1);
        close(fds[1]);
        for (;;)
            pause();
    }
    close(fds[1]);
    char buffer[64] = {};
    const ssize_t got = read(fds[0], buffer, sizeof buffer - 1);
    close(fds[0]);
    return got > 0 && std::sscanf(buffer, "%d %d", &child.port, &child.category) == 2;
}

int Stall(int argc, char** argv, int count, int articles)
{
    const std::filesystem::path home = FreshHome();
    kc::platform::SetRunDirectory(home);
    ChildShop shop;
    if (!StartChildShop(shop)) {
        std::fputs("cannot start the sandbox shop\n", stderr);
        return 1;
    }
    const int category = shop.category;
    kc::sites::SiteList list;
    for (int i = 1; i <= count; ++i) {
        const std::filesystem::path folder = home / ("articles" + std::to_string(i));
        std::filesystem::create_directories(folder);
        for (int a = 1; a <= articles; ++a) {
            const std::string title = "site" + std::to_string(i) + " article" + std::to_string(a);
            std::ofstream(folder / (title + ".txt"), std::ios::binary)
                << "The body of " << title << ".\r\nA second paragraph of the article.\r\n";
        }
        kc::sites::SiteConfig site;
        site.enabled = true;
        site.domain = "127.0.0.1:" + std::to_string(shop.port);
        site.adminDir = shop.options.adminDir;
        site.user = shop.options.user;
        site.password = shop.options.password;
        site.articleDir = kc::text::InternalPath(folder);
        site.fileFilter = "*.txt";
        site.goodsMode = 1;
        site.categoryIds = std::to_string(category);
        list.Append(site);
    }
    WriteSettings(home, list);

    TimedApplication app(argc, argv);
    if (!std::getenv("KC_PROBE_ALL_CPUS"))
        kc::gui::KeepToFirstProcessor();
    kc::http::InitHttp();
    kc::platform::SetEventPump([] { QCoreApplication::processEvents(); });
    kc::gui::hooks::Intercept(true);
    kc::config::ConfigStore store;
    store.Open(kc::text::InternalPath(home / "Kestrune Courier.ini"), kc::config::OpenMode::InMemory);
    int published = 0;
    qint64 worst = 0;
    qint64 ticks = 0;
    qint64 runMs = 0;
    {
        kc::gui::MainWindow window(store);
        window.show();
        window.findChild<QComboBox*>(QStringLiteral("组合框访问方式"))->setCurrentIndex(1);
        window.findChild<QLineEdit*>(QStringLiteral("编辑框同时站点数"))->setText(QStringLiteral("10"));
        QElapsedTimer sinceTick;
        QTimer probe;
        probe.setInterval(5);
        QElapsedTimer run;
        qint64 worstAt = 0;
        QObject::connect(&probe, &QTimer::timeout, [&] {
            const qint64 gap = sinceTick.restart();
            if (gap > worst) {
                worst = gap;
                worstAt = run.elapsed();
            }
            ++ticks;
        });
        QTimer::singleShot(0, [&] {
            sinceTick.start();
            probe.start();
        });
        run.start();
        window.findChild<QPushButton*>(QStringLiteral("按钮开始更新"))->click();
        runMs = run.elapsed();
        probe.stop();
        std::printf("longest gap ended %lld ms after the press\n", static_cast<long long>(worstAt));
        published = window.Engine().LastSummary().publishedTotal;
        window.SetProcessEnder([](int) {});
    }
    kc::gui::hooks::Intercept(false);
    kc::platform::SetEventPump({});
    kill(shop.pid, SIGTERM);
    waitpid(shop.pid, nullptr, 0);
    std::filesystem::remove_all(home);
    std::printf("longest single event handled on the window thread (the press itself aside): %lld ms (type %d)\n",
        static_cast<long long>(app.longest), app.longestType);
    std::printf("longest queued call (log rows, line greying): %lld ms\n", static_cast<long long>(app.longestQueued));
    std::printf("run of %d sites x %d articles from the button: %d published in %lld ms; %lld probe ticks, longest "
                "gap between ticks of the 5 ms probe timer %lld ms\n",
        count, articles, published, static_cast<long long>(runMs), static_cast<long long>(ticks),
        static_cast<long long>(worst));
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    const std::string mode = argc > 1 ? argv[1] : "";
    if (mode == "startup")
        return Startup(argc, argv, argc > 2 ? std::atoi(argv[2]) : 2000);
    if (mode == "stall")
        return Stall(argc, argv, argc > 2 ? std::atoi(argv[2]) : 50, argc > 3 ? std::atoi(argv[3]) : 20);
    std::fputs("usage: kc_gui_probe startup [SITES] | stall [SITES] [ARTICLES]\n", stderr);
    return 2;
}
