// Message boxes and dialogs over Qt, and the queues that stand in for the user in tests.
#include "gui/common/message_box.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QLabel>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include <deque>
#include <utility>

namespace kc::gui {
namespace {

struct HookState {
    bool intercepting = false;
    std::deque<Answer> answers;
    struct DialogResult {
        bool chosen = false;
        QString text;
    };
    std::deque<DialogResult> dialogResults;
    std::vector<MessageRequest> messages;
    std::vector<QString> dialogs;
};

HookState& Hooks()
{
    static HookState state;
    return state;
}

Answer FirstButton(Buttons buttons)
{
    return buttons == Buttons::YesNo ? Answer::Yes : Answer::Ok;
}

std::optional<QString> InterceptDialog(const QString& title, const QString& text)
{
    HookState& hooks = Hooks();
    hooks.dialogs.push_back(title + QLatin1Char('|') + text);
    if (hooks.dialogResults.empty())
        return std::nullopt;
    const HookState::DialogResult result = hooks.dialogResults.front();
    hooks.dialogResults.pop_front();
    if (!result.chosen)
        return std::nullopt;
    return result.text;
}

} // namespace

QString DefaultCaption()
{
    return QStringLiteral("信息：");
}

Answer ShowMessage(QWidget* owner, const QString& text, Buttons buttons, Icon icon, const QString& caption)
{
    HookState& hooks = Hooks();
    if (hooks.intercepting) {
        hooks.messages.push_back({text, caption, buttons, icon});
        if (hooks.answers.empty())
            return FirstButton(buttons);
        const Answer answer = hooks.answers.front();
        hooks.answers.pop_front();
        return answer;
    }
    QMessageBox box(owner);
    box.setWindowTitle(caption);
    QString shown = text;
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    box.setText(shown);
    box.setWindowModality(Qt::ApplicationModal);
    switch (icon) {
    case Icon::None:
        box.setIcon(QMessageBox::NoIcon);
        break;
    case Icon::Information:
        box.setIcon(QMessageBox::Information);
        break;
    case Icon::Question:
        box.setIcon(QMessageBox::Question);
        break;
    case Icon::Warning:
        box.setIcon(QMessageBox::Warning);
        break;
    }
    switch (buttons) {
    case Buttons::Ok:
        box.setStandardButtons(QMessageBox::Ok);
        break;
    case Buttons::OkCancel:
        box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
        box.setDefaultButton(QMessageBox::Ok);
        break;
    case Buttons::YesNo:
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        box.setDefaultButton(QMessageBox::Yes);
        break;
    }
    box.button(buttons == Buttons::YesNo ? QMessageBox::Yes : QMessageBox::Ok)
        ->setText(buttons == Buttons::YesNo ? QStringLiteral("是") : QStringLiteral("确定"));
    if (QAbstractButton* cancel = box.button(QMessageBox::Cancel))
        cancel->setText(QStringLiteral("取消"));
    if (QAbstractButton* no = box.button(QMessageBox::No))
        no->setText(QStringLiteral("否"));
    switch (box.exec()) {
    case QMessageBox::Ok:
        return Answer::Ok;
    case QMessageBox::Yes:
        return Answer::Yes;
    case QMessageBox::No:
        return Answer::No;
    default:
        return buttons == Buttons::YesNo ? Answer::No : (buttons == Buttons::Ok ? Answer::Ok : Answer::Cancel);
    }
}

std::optional<QString> ChooseFolder(QWidget* owner, const QString& title, const QString& start)
{
    if (Hooks().intercepting)
        return InterceptDialog(title, start);
    const QString folder = QFileDialog::getExistingDirectory(owner, title, start, QFileDialog::ShowDirsOnly);
    if (folder.isEmpty())
        return std::nullopt;
    return folder;
}

std::optional<QString> InputText(QWidget* owner, const QString& title, const QString& hint, const QString& text)
{
    if (Hooks().intercepting)
        return InterceptDialog(title, text);
    QDialog dialog(owner);
    dialog.setWindowTitle(title);
    dialog.setWindowModality(Qt::ApplicationModal);
    auto* layout = new QVBoxLayout(&dialog);
    auto* hintLabel = new QLabel(hint, &dialog);
    hintLabel->setWordWrap(true);
    hintLabel->setTextInteractionFlags(Qt::TextSelectableByMouse);
    auto* editor = new QPlainTextEdit(&dialog);
    editor->setPlainText(text);
    editor->setLineWrapMode(QPlainTextEdit::NoWrap);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("确定"));
    buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("取消"));
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    layout->addWidget(hintLabel);
    layout->addWidget(editor, 1);
    layout->addWidget(buttons);
    dialog.resize(520, 380);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return editor->toPlainText();
}

std::optional<QString> ChooseOpenFile(QWidget* owner, const QString& title, const QString& filter)
{
    if (Hooks().intercepting)
        return InterceptDialog(title, {});
    const QString file = QFileDialog::getOpenFileName(owner, title, {}, filter);
    if (file.isEmpty())
        return std::nullopt;
    return file;
}

std::optional<QString> ChooseSaveFile(
    QWidget* owner, const QString& title, const QString& filter, const QString& defaultSuffix)
{
    if (Hooks().intercepting)
        return InterceptDialog(title, {});
    QFileDialog dialog(owner, title, {}, filter);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(defaultSuffix);
    // The overwrite question stays off: exporting into an existing file keeps what else it holds.
    dialog.setOption(QFileDialog::DontConfirmOverwrite);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return dialog.selectedFiles().front();
}

namespace hooks {

void Intercept(bool on)
{
    HookState& hooks = Hooks();
    hooks = HookState{};
    hooks.intercepting = on;
}

void PushAnswer(Answer answer)
{
    Hooks().answers.push_back(answer);
}

void PushDialogResult(std::optional<QString> result)
{
    Hooks().dialogResults.push_back({result.has_value(), result.value_or(QString())});
}

std::vector<MessageRequest> TakeMessages()
{
    return std::exchange(Hooks().messages, {});
}

std::vector<QString> TakeDialogs()
{
    return std::exchange(Hooks().dialogs, {});
}

bool InterceptWindow(const QString& title)
{
    if (!Hooks().intercepting)
        return false;
    Hooks().dialogs.push_back(title + QLatin1Char('|'));
    return true;
}

int PendingAnswers()
{
    return static_cast<int>(Hooks().answers.size() + Hooks().dialogResults.size());
}

} // namespace hooks

} // namespace kc::gui
