// The viewer shows the saved page in a browser that runs no script and fetches nothing, above its source.
#include "gui/log/failure_viewer.h"

#include "gui/common/message_box.h"
#include "gui/common/qt_text.h"
#include "platform/run_directory.h"
#include "text/literal.h"
#include "text/native_path.h"
#include "text/text_encoding.h"

#include <QDialog>
#include <QPlainTextEdit>
#include <QSplitter>
#include <QTextBrowser>
#include <QVBoxLayout>

namespace kc::gui {
namespace {

// Pictures and style sheets of a shop's page stay where they are: nothing is loaded.
class OfflineBrowser : public QTextBrowser {
public:
    using QTextBrowser::QTextBrowser;
    QVariant loadResource(int, const QUrl&) override { return {}; }
};

} // namespace

QString FailureCaption(FailureKind kind, const QString& subject)
{
    if (kind == FailureKind::Login)
        return subject + QStringLiteral("登录失败");
    return subject + QStringLiteral("更新失败（更多失败站点请到软件目录下的更新失败记录）");
}

bool ShowFailure(QWidget* owner, FailureKind kind, const QString& subject)
{
    const std::string name = kind == FailureKind::Login ? KC_TEXT("登录失败.htm") : KC_TEXT("更新失败.htm");
    const std::string path = text::InternalPath(platform::RunDirectory() / text::NativePath(name));
    const std::string page = text::LoadText(path);
    if (page.empty()) {
        ShowMessage(owner, QStringLiteral("失败信息为空！这说明你的网络不通，或网站太慢超时没有返回。"));
        return false;
    }
    const QString caption = FailureCaption(kind, subject);
    if (hooks::InterceptWindow(caption))
        return true;

    QDialog viewer(owner);
    viewer.setWindowTitle(caption);
    viewer.setWindowModality(Qt::ApplicationModal);
    viewer.resize(709, 550);
    auto* layout = new QVBoxLayout(&viewer);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* halves = new QSplitter(Qt::Vertical, &viewer);
    auto* browser = new OfflineBrowser(halves);
    browser->setObjectName(QStringLiteral("超文本浏览框1"));
    browser->setOpenLinks(false);
    const QString pageText = ToQString(page);
    browser->setHtml(pageText);
    auto* source = new QPlainTextEdit(halves);
    source->setObjectName(QStringLiteral("编辑框1"));
    source->setReadOnly(true);
    source->setPlainText(pageText);
    halves->addWidget(browser);
    halves->addWidget(source);
    halves->setSizes({275, 275});
    layout->addWidget(halves);
    viewer.exec();
    return true;
}

} // namespace kc::gui
