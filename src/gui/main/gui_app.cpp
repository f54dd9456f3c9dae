// Opens the settings file of the run directory, shows the main window and runs the event loop.
#include "gui/main/gui_app.h"

#include "config/config_store.h"
#include "gui/common/message_box.h"
#include "gui/common/qt_text.h"
#include "gui/main/app_icon.h"
#include "gui/main/main_window.h"
#include "http/http_client.h"
#include "platform/event_pump.h"
#include "platform/run_directory.h"
#include "text/native_path.h"

#include <QApplication>

#include <cstdlib>
#include <sched.h>

namespace kc::gui {
// The run's waits and pumping were tuned for a program that keeps to one processor.
void KeepToFirstProcessor()
{
    cpu_set_t allowed;
    CPU_ZERO(&allowed);
    if (sched_getaffinity(0, sizeof allowed, &allowed) != 0)
        return;
    for (int cpu = 0; cpu < CPU_SETSIZE; ++cpu) {
        if (CPU_ISSET(cpu, &allowed)) {
            cpu_set_t first;
            CPU_ZERO(&first);
            CPU_SET(cpu, &first);
            sched_setaffinity(0, sizeof first, &first);
            return;
        }
    }
}

bool DisplayAvailable()
{
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) {
        const char* value = std::getenv(name);
        if (value && *value)
            return true;
    }
    return false;
}

int RunGui(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Kestrune Courier"));
    QApplication::setWindowIcon(AppIcon());
    QApplication::setQuitOnLastWindowClosed(false);
    KeepToFirstProcessor();
    http::InitHttp();
    platform::SetEventPump([] { QCoreApplication::processEvents(); });
    config::SetConfigWarningHandler([](std::string_view text) { ShowMessage(nullptr, ToQString(text)); });

    config::ConfigStore store;
    const std::filesystem::path file = platform::RunDirectory() / "Kestrune Courier.ini";
    store.Open(text::InternalPath(file), config::OpenMode::InMemory);

    int status = 0;
    {
        MainWindow window(store);
        window.show();
        status = QApplication::exec();
    }
    config::SetConfigWarningHandler({});
    platform::SetEventPump({});
    return status;
}

int RunGui()
{
    static char name[] = "kestrune-courier";
    static char* argv[] = {name, nullptr};
    static int argc = 1;
    return RunGui(argc, argv);
}

} // namespace kc::gui
