// A file dialog as a control: it has no face of its own but remembers the last chosen file name.
#pragma once

#include <QString>
#include <QWidget>

#include <optional>

namespace kc::gui {

class FileDialogControl : public QWidget {
    Q_OBJECT
public:
    // filter in Qt's form; an empty defaultSuffix makes an open dialog, any other a save dialog.
    FileDialogControl(
        QWidget* parent, const QString& title, const QString& filter, const QString& defaultSuffix, bool saveDialog);

    // Shows the dialog; the chosen file (also kept as the file name), or nothing on cancel.
    std::optional<QString> Show();

    QString FileName() const { return m_fileName; }
    void SetFileName(const QString& fileName) { m_fileName = fileName; }

private:
    QString m_title;
    QString m_filter;
    QString m_defaultSuffix;
    bool m_save = false;
    QString m_fileName;
};

} // namespace kc::gui
