// The dialog control stays hidden; Show opens the real dialog (or a test's answer).
#include "gui/common/file_dialog_control.h"

#include "gui/common/message_box.h"

namespace kc::gui {

FileDialogControl::FileDialogControl(
    QWidget* parent, const QString& title, const QString& filter, const QString& defaultSuffix, bool saveDialog)
    : QWidget(parent)
    , m_title(title)
    , m_filter(filter)
    , m_defaultSuffix(defaultSuffix)
    , m_save(saveDialog)
{
    setVisible(false);
    setAttribute(Qt::WA_DontShowOnScreen);
}

std::optional<QString> FileDialogControl::Show()
{
    std::optional<QString> chosen = m_save ? ChooseSaveFile(parentWidget(), m_title, m_filter, m_defaultSuffix)
                                           : ChooseOpenFile(parentWidget(), m_title, m_filter);
    if (chosen)
        m_fileName = *chosen;
    return chosen;
}

} // namespace kc::gui
