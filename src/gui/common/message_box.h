// Message boxes and the plain dialogs of the windows, with "next answer" hooks so tests never block.
#pragma once

#include <QString>

#include <optional>
#include <vector>

class QWidget;

namespace kc::gui {

enum class Answer { Ok, Cancel, Abort, Retry, Ignore, Yes, No };
enum class Buttons { Ok, OkCancel, YesNo };
enum class Icon { None, Information, Question, Warning };

struct MessageRequest {
    QString text;
    QString caption;
    Buttons buttons = Buttons::Ok;
    Icon icon = Icon::None;
};

// The caption of every message box that names no other: "信息：".
QString DefaultCaption();

// Shows a modal message box over owner (the application's windows are blocked while it is open) and
// reports the pressed button. Closing the box with its close button counts as Cancel (or No).
Answer ShowMessage(QWidget* owner, const QString& text, Buttons buttons = Buttons::Ok, Icon icon = Icon::None,
    const QString& caption = DefaultCaption());

// The plain dialogs. Each returns nothing when the user cancels.
// The folder browser, starting at start.
std::optional<QString> ChooseFolder(QWidget* owner, const QString& title, const QString& start);
// A multi-line text input with a hint above it.
std::optional<QString> InputText(QWidget* owner, const QString& title, const QString& hint, const QString& text);
// File dialogs; filter in Qt's form ("配置文件 (*.ini);;全部文件 (*)").
std::optional<QString> ChooseOpenFile(QWidget* owner, const QString& title, const QString& filter);
std::optional<QString> ChooseSaveFile(
    QWidget* owner, const QString& title, const QString& filter, const QString& defaultSuffix);

// Test hooks. Once intercepting, no box or dialog is shown: each takes the next queued answer (a box
// without one answers its first button, a dialog without one is cancelled) and is recorded.
namespace hooks {
void Intercept(bool on);
void PushAnswer(Answer answer);
void PushDialogResult(std::optional<QString> result);
// What was asked since the last call, in order.
std::vector<MessageRequest> TakeMessages();
// Dialogs as "title|initial text", in order.
std::vector<QString> TakeDialogs();
// For modal windows of their own (viewers): true when intercepting, after recording the window as "title|".
bool InterceptWindow(const QString& title);
// Answers still queued (a test that queued more than was asked has a fault).
int PendingAnswers();
} // namespace hooks

} // namespace kc::gui
