// A list box whose lines carry check marks and values, told apart from a plain list box by its class.
#pragma once

#include <QListWidget>

namespace kc::gui {

class CheckListBox : public QListWidget {
    Q_OBJECT
public:
    explicit CheckListBox(QWidget* parent = nullptr);

    // Appends a line and returns its row.
    int AddLine(const QString& text, bool checked, qint64 value = 0);
    bool IsChecked(int row) const;
    // Changes a line's text; no check change is reported.
    void SetText(int row, const QString& text);
    // Changes a check mark without reporting it as the user's change.
    void SetChecked(int row, bool checked);
    qint64 Value(int row) const;
    void SetValue(int row, qint64 value);
    // A greyed line stays selectable but is drawn disabled (lines of sites left out of a run).
    bool IsGreyed(int row) const;
    void SetGreyed(int row, bool greyed);

signals:
    // The user changed the check mark of a line (other changes of a line are not reported).
    void checkChanged(int row);

private:
    bool m_silent = false;
};

} // namespace kc::gui
