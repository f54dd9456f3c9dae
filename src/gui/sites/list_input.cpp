// The list inputs' titles and hints, and the round trip of the tag through the input dialog.
#include "gui/sites/list_input.h"

#include "gui/common/control_tag.h"
#include "gui/common/message_box.h"
#include "gui/main/main_controls.h"

#include <QCheckBox>
#include <QPushButton>

namespace kc::gui {
namespace {

struct ListKind {
    QPushButton* MainControls::*button;
    const char16_t* name;
    const char16_t* extraHint;
    const char16_t* description; // null: the default description
};

const ListKind kKinds[] = {
    {&MainControls::keywordsButton, u"关键词", nullptr, nullptr},
    {&MainControls::goodsButton, u"商品ID", u"（如果粘贴的商品链接，软件自动替换成ID）", nullptr},
    {&MainControls::authorsButton, u"文章作者", nullptr, nullptr},
    {&MainControls::bodyInsertButton, u"正文关键词", u"支持锚文本等HTML代码", u"文章随机位置插入"},
    {&MainControls::tailInsertButton, u"尾部关键词", u"支持锚文本等HTML代码", u"在文章尾部插入"},
    {&MainControls::titleInsertButton, u"标题关键词", nullptr, u"在文章标题中插入"},
    {&MainControls::customTitlesButton, u"指定标题", nullptr, u"指定文章标题（即不使用文章本身标题）"},
};

QString S(const char16_t* text)
{
    return QString::fromUtf16(text);
}

// The input shows lines with "\n"; the tag keeps them with CR LF, as the site's setting does.
void EditTag(QPushButton* button, QWidget* owner, const QString& title, const QString& hint)
{
    QString text = Tag(button);
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    std::optional<QString> result = InputText(owner, title, hint, text);
    if (!result)
        return;
    result->replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    result->replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
    SetTag(button, *result);
}

} // namespace

void EditListButton(MainControls& controls, QPushButton* button, QWidget* owner)
{
    if (button == controls.tailInsertButton && controls.tailBlocks->isChecked()) {
        EditTag(button, owner, QStringLiteral("输入路径列表："),
            QStringLiteral("一行一个文章路径或文件夹路径，在更新文章时将根据分块符分割这些外部文章为多块，随机调用，在"
                           "文章尾部插入"));
        return;
    }
    for (const ListKind& kind : kKinds) {
        if (controls.*kind.button != button)
            continue;
        const QString name = S(kind.name);
        QString hint = QStringLiteral("一行一个内容");
        if (kind.extraHint)
            hint += QStringLiteral("，") + S(kind.extraHint);
        // The default description brings its own leading comma.
        if (kind.description)
            hint += QStringLiteral("，") + S(kind.description);
        else
            hint += QStringLiteral("，在更新文章时读取随机的几个内容设置为") + name + QStringLiteral("选项");
        hint += QStringLiteral("\r\n如果输入的是txt文件路径，则从该文件读取") + name + QStringLiteral("数据。");
        EditTag(button, owner, QStringLiteral("输入") + name + QStringLiteral("列表："), hint);
        return;
    }
}

void ConnectListButtons(MainControls& controls, QWidget* owner)
{
    for (const ListKind& kind : kKinds) {
        QPushButton* button = controls.*kind.button;
        QObject::connect(button, &QPushButton::clicked, owner,
            [&controls, button, owner] { EditListButton(controls, button, owner); });
    }
}

} // namespace kc::gui
