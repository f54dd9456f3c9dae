// What the window tests share: a run directory with its settings store, message-box interception, and
// finding controls by name.
#pragma once

#include "config/config_store.h"
#include "gui/common/message_box.h"
#include "gui/common/qt_text.h"
#include "platform/run_directory.h"
#include "support/temp_dir.h"
#include "text/literal.h"
#include "text/native_path.h"

#include <QString>
#include <QTest>
#include <QWidget>

#include <filesystem>
#include <memory>
#include <string>

namespace kc::test {

// A fresh run directory for one test, with the settings store opened on its settings file, and every
// message box answered from the queue instead of shown.
class GuiHome {
public:
    GuiHome()
    {
        platform::SetRunDirectory(m_dir.Path());
        m_store.Open(SettingsPath(), config::OpenMode::InMemory);
        gui::hooks::Intercept(true);
    }
    ~GuiHome()
    {
        gui::hooks::Intercept(false);
        platform::SetRunDirectory({});
    }
    GuiHome(const GuiHome&) = delete;
    GuiHome& operator=(const GuiHome&) = delete;

    config::ConfigStore& Store() { return m_store; }
    const std::filesystem::path& Dir() const { return m_dir.Path(); }
    std::string SettingsPath() const { return text::InternalPath(m_dir.File("Kestrune Courier.ini")); }
    bool SettingsFileExists() const { return std::filesystem::exists(m_dir.File("Kestrune Courier.ini")); }

private:
    TempDir m_dir;
    config::ConfigStore m_store;
};

// The control of a window by its name, or null.
template <class W> W* Find(QWidget* window, const char16_t* name)
{
    return window->findChild<W*>(QString::fromUtf16(name));
}

inline QString Q(const char16_t* text)
{
    return QString::fromUtf16(text);
}

// Internal text of a UTF-8 literal, for comparisons with store values.
inline std::string In(const char* utf8)
{
    return text::FromUtf8(utf8);
}

} // namespace kc::test
