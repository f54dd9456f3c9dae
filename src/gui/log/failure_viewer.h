// The failure viewer: the page a shop answered to the last failed login or submission, rendered and as source.
#pragma once

#include <QString>

class QWidget;

namespace kc::gui {

enum class FailureKind { Login = 1, Update = 2 };

// Opens the viewer modally over owner for a site label. When the saved page is missing or empty it shows
// "失败信息为空！…" instead and opens nothing. Returns whether the viewer was shown.
bool ShowFailure(QWidget* owner, FailureKind kind, const QString& subject);

// The viewer's caption: subject + "登录失败", or subject + "更新失败（更多失败站点请到软件目录下的更新失败记录）".
QString FailureCaption(FailureKind kind, const QString& subject);

} // namespace kc::gui
