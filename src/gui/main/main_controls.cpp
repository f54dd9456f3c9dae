// The main window's form: every control under its name, with its caption and default, in Qt layouts.
#include "gui/main/main_controls.h"

#include "gui/common/check_list_box.h"
#include "gui/common/file_dialog_control.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace kc::gui {
namespace {

QString S(const char16_t* text)
{
    return QString::fromUtf16(text);
}

template <class W> W* Named(W* widget, const char16_t* name)
{
    widget->setObjectName(S(name));
    return widget;
}

QPushButton* Button(QWidget* parent, const char16_t* name, const char16_t* caption)
{
    return Named(new QPushButton(S(caption), parent), name);
}

QCheckBox* Check(QWidget* parent, const char16_t* name, const char16_t* caption)
{
    return Named(new QCheckBox(S(caption), parent), name);
}

// Number boxes hold a few digits; they stay narrow so the rows keep their grouping.
QLineEdit* Edit(QWidget* parent, const char16_t* name, const char16_t* text, int width = 0)
{
    auto* edit = Named(new QLineEdit(S(text), parent), name);
    if (width > 0)
        edit->setFixedWidth(width);
    return edit;
}

QComboBox* Combo(QWidget* parent, const char16_t* name, std::initializer_list<const char16_t*> items)
{
    auto* combo = Named(new QComboBox(parent), name);
    qlonglong value = 0;
    for (const char16_t* item : items)
        combo->addItem(S(item), value++);
    combo->setCurrentIndex(0);
    return combo;
}

QLabel* Label(QWidget* parent, const char16_t* text)
{
    return new QLabel(S(text), parent);
}

// A "from - to" pair of number boxes in one row.
QHBoxLayout* Range(QWidget* parent, QLineEdit* low, QLineEdit* high)
{
    auto* row = new QHBoxLayout;
    row->setSpacing(3);
    row->addWidget(low);
    row->addWidget(Label(parent, u"-"));
    row->addWidget(high);
    row->addStretch(1);
    return row;
}

QLabel* Link(QWidget* parent, const char16_t* name, const char16_t* caption)
{
    auto* link = Named(new QLabel(parent), name);
    link->setText(QStringLiteral("<a href=\"#\">") + S(caption) + QStringLiteral("</a>"));
    link->setTextFormat(Qt::RichText);
    link->setAlignment(Qt::AlignHCenter);
    return link;
}

QToolButton* Icon(QWidget* parent, const char16_t* name, QStyle::StandardPixmap pixmap)
{
    auto* icon = Named(new QToolButton(parent), name);
    icon->setIcon(parent->style()->standardIcon(pixmap));
    icon->setIconSize(QSize(28, 28));
    icon->setAutoRaise(true);
    return icon;
}

// A group box of the panel and the grid its controls sit in.
QGridLayout* Group(QWidget* window, QGroupBox*& box, const char16_t* name, const char16_t* caption)
{
    box = Named(new QGroupBox(S(caption), window), name);
    auto* grid = new QGridLayout(box);
    grid->setVerticalSpacing(4);
    grid->setHorizontalSpacing(6);
    return grid;
}

void BuildTopStrip(QWidget* window, MainControls& c, QVBoxLayout* outer)
{
    c.topStrip = Named(new QFrame(window), u"图片框1");
    c.topStrip->setAutoFillBackground(true);
    QPalette strip = c.topStrip->palette();
    strip.setColor(QPalette::Window, strip.color(QPalette::Base));
    c.topStrip->setPalette(strip);
    auto* row = new QHBoxLayout(c.topStrip);
    row->setContentsMargins(10, 4, 10, 4);
    row->setSpacing(18);
    auto tool = [&](QToolButton*& icon, QLabel*& link, const char16_t* iconName, const char16_t* linkName,
                    const char16_t* caption, QStyle::StandardPixmap pixmap) {
        auto* column = new QVBoxLayout;
        column->setSpacing(0);
        icon = Icon(c.topStrip, iconName, pixmap);
        link = Link(c.topStrip, linkName, caption);
        column->addWidget(icon, 0, Qt::AlignHCenter);
        column->addWidget(link, 0, Qt::AlignHCenter);
        row->addLayout(column);
    };
    tool(c.serviceIcon, c.serviceLink, u"图片框接口", u"超级链接框接口", u"外调接口", QStyle::SP_DriveNetIcon);
    tool(c.batchIcon, c.batchLink, u"图片框批处理", u"超级链接框批处理", u"批处理工具",
        QStyle::SP_FileDialogDetailedView);
    tool(c.captchaIcon, c.captchaLink, u"图片框验证码", u"超级链接框验证码", u"关闭验证码", QStyle::SP_DialogNoButton);
    tool(c.scheduleIcon, c.scheduleLink, u"图片框计划任务", u"超级链接框计划任务", u"计划任务",
        QStyle::SP_BrowserReload);
    row->addStretch(1);
    auto* title = new QLabel(QStringLiteral("Kestrune Courier"), c.topStrip);
    QFont titleFont = title->font();
    titleFont.setPointSizeF(titleFont.pointSizeF() * 1.6);
    titleFont.setBold(true);
    title->setFont(titleFont);
    row->addWidget(title, 0, Qt::AlignVCenter);
    row->addStretch(1);
    c.helpLink = Link(c.topStrip, u"超级链接框疑点说明", u"疑点说明");
    row->addWidget(c.helpLink, 0, Qt::AlignBottom);
    outer->addWidget(c.topStrip);

    c.separator = Named(new QLabel(window), u"标签13");
    c.separator->setFixedHeight(2);
    c.separator->setFrameStyle(QFrame::HLine | QFrame::Sunken);
    outer->addWidget(c.separator);
}

QGroupBox* BuildSiteGroup(QWidget* window, MainControls& c)
{
    auto* grid = Group(window, c.siteGroup, u"分组框网站列表", u"");
    QGroupBox* g = c.siteGroup;

    auto* tools = new QHBoxLayout;
    tools->setSpacing(3);
    c.importButton = Button(g, u"按钮导入", u"导入");
    c.exportButton = Button(g, u"按钮导出", u"导出");
    c.upButton = Button(g, u"按钮上移", u"上移");
    c.downButton = Button(g, u"按钮下移", u"下移");
    c.enableAllButton = Button(g, u"按钮启用", u"+");
    c.disableAllButton = Button(g, u"按钮不启", u"-");
    c.invertAllButton = Button(g, u"按钮反启", u"+ -");
    for (QPushButton* b : {c.importButton, c.exportButton, c.upButton, c.downButton})
        tools->addWidget(b);
    tools->addSpacing(6);
    for (QPushButton* b : {c.enableAllButton, c.disableAllButton, c.invertAllButton}) {
        b->setMinimumWidth(30);
        tools->addWidget(b);
    }
    tools->addStretch(1);
    grid->addLayout(tools, 0, 0, 1, 2);

    c.siteList = Named(new CheckListBox(g), u"选择列表框");
    c.siteList->setMinimumWidth(220);
    // Long labels scroll sideways instead of being cut.
    c.siteList->setTextElideMode(Qt::ElideNone);
    c.siteList->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    grid->addWidget(c.siteList, 1, 0, 2, 1);

    auto* fields = new QGridLayout;
    fields->setVerticalSpacing(4);
    int row = 0;
    auto field = [&](const char16_t* label, QWidget* widget) {
        fields->addWidget(Label(g, label), row, 0);
        fields->addWidget(widget, row++, 1);
    };
    field(u"域名：", c.domain = Edit(g, u"编辑框域名", u"shop.example.com"));
    field(u"用户：", c.user = Edit(g, u"编辑框用户", u"admin"));
    field(u"密码：", c.password = Edit(g, u"编辑框密码", u"pelno604"));
    field(u"编码：", c.siteEncoding = Combo(g, u"组合框编码", {u"UTF-8", u"GBK"}));
    field(u"后台：", c.adminDir = Edit(g, u"编辑框后台", u"admin"));
    field(u"安全码：", c.securityCode = Edit(g, u"编辑框安全码", u"安全码"));
    c.useHttps = Check(g, u"选择框https", u"使用 HTTPS 发布");
    fields->addWidget(c.useHttps, row++, 1);
    for (QLineEdit* e : {c.domain, c.user, c.password, c.adminDir, c.securityCode})
        e->setMinimumWidth(130);
    grid->addLayout(fields, 1, 1);

    // The stop-site button lies over the add/delete/clear row and shows only during a run.
    auto* edits = new QGridLayout;
    edits->setHorizontalSpacing(3);
    c.addButton = Button(g, u"按钮添加", u"添加");
    c.deleteButton = Button(g, u"按钮删除", u"删除");
    c.clearButton = Button(g, u"按钮清空", u"清空");
    c.stopSiteButton = Button(g, u"按钮停止更新", u"停止更新选定站点");
    edits->addWidget(c.addButton, 0, 0);
    edits->addWidget(c.deleteButton, 0, 1);
    edits->addWidget(c.clearButton, 0, 2);
    edits->addWidget(c.stopSiteButton, 0, 0, 1, 3);
    c.stopSiteButton->setVisible(false);
    grid->addLayout(edits, 2, 1, Qt::AlignBottom);
    grid->setColumnStretch(0, 3);
    grid->setColumnStretch(1, 2);
    grid->setRowStretch(1, 1);
    return g;
}

QGroupBox* BuildBackEndGroup(QWidget* window, MainControls& c)
{
    auto* grid = Group(window, c.backEndGroup, u"分组框后台选项", u"后台选项");
    QGroupBox* g = c.backEndGroup;

    c.keywordsButton = Button(g, u"按钮输入关键词组", u"输入关键词组");
    c.keywordsMin = Edit(g, u"编辑框关键词数1", u"2", 38);
    c.keywordsMax = Edit(g, u"编辑框关键词数2", u"5", 38);
    c.keywordsMode = Combo(g, u"组合框关键词方式", {u"随机词组", u"内置提词", u"使用标题", u"留空内容"});
    grid->addWidget(c.keywordsButton, 0, 0);
    grid->addWidget(Label(g, u"个数："), 0, 1);
    grid->addLayout(Range(g, c.keywordsMin, c.keywordsMax), 0, 2);
    grid->addWidget(c.keywordsMode, 0, 3);

    c.goodsButton = Button(g, u"按钮输入商品ID组", u"输入商品ID组");
    c.goodsMin = Edit(g, u"编辑框商品ID数1", u"1", 38);
    c.goodsMax = Edit(g, u"编辑框商品ID数2", u"3", 38);
    c.goodsMode = Combo(g, u"组合框商品ID方式", {u"随机商品", u"不使用"});
    grid->addWidget(c.goodsButton, 1, 0);
    grid->addWidget(Label(g, u"个数："), 1, 1);
    grid->addLayout(Range(g, c.goodsMin, c.goodsMax), 1, 2);
    grid->addWidget(c.goodsMode, 1, 3);

    c.authorsButton = Button(g, u"按钮输入作者组", u"输入作者组");
    c.descMin = Edit(g, u"编辑框内容摘要数1", u"100", 38);
    c.descMax = Edit(g, u"编辑框内容摘要数2", u"200", 38);
    grid->addWidget(c.authorsButton, 2, 0);
    grid->addWidget(Label(g, u"摘要字数："), 2, 1);
    grid->addLayout(Range(g, c.descMin, c.descMax), 2, 2);

    auto* attributes = new QHBoxLayout;
    attributes->setSpacing(8);
    attributes->addWidget(Label(g, u"文章属性："));
    c.top = Check(g, u"选择框置顶", u"置顶");
    c.recommend = Check(g, u"选择框推荐", u"推荐");
    c.featured = Check(g, u"选择框精选", u"精选");
    c.randomAttributes = Check(g, u"选择框随机属性", u"随机");
    for (QCheckBox* b : {c.top, c.recommend, c.featured, c.randomAttributes})
        attributes->addWidget(b);
    attributes->addStretch(1);
    grid->addLayout(attributes, 3, 0, 1, 4);

    auto* pictures = new QHBoxLayout;
    pictures->setSpacing(8);
    pictures->addWidget(Label(g, u"文章图片："));
    c.uploadThumb = Check(g, u"选择框上传缩略图", u"上传背景图");
    c.extractThumb = Check(g, u"选择框提取缩略图", u"提取背景图");
    c.localiseImages = Check(g, u"选择框图片本地化", u"图片本地化");
    for (QCheckBox* b : {c.uploadThumb, c.extractThumb, c.localiseImages})
        pictures->addWidget(b);
    pictures->addStretch(1);
    grid->addLayout(pictures, 4, 0, 1, 4);

    c.categoryTree = Named(new QTreeWidget(g), u"树型框");
    c.categoryTree->setHeaderHidden(true);
    c.categoryTree->setColumnCount(1);
    c.categoryTree->setMinimumHeight(80);
    grid->addWidget(c.categoryTree, 5, 0, 1, 4);

    auto* categoryRow = new QHBoxLayout;
    categoryRow->setSpacing(3);
    c.readCategoriesButton = Button(g, u"按钮读取分类列表", u"读取分类列表");
    c.checkAllCategories = Button(g, u"按钮全选", u"+");
    c.uncheckAllCategories = Button(g, u"按钮不选", u"-");
    c.invertCategories = Button(g, u"按钮反选", u"+ -");
    categoryRow->addWidget(c.readCategoriesButton);
    categoryRow->addStretch(1);
    for (QPushButton* b : {c.checkAllCategories, c.uncheckAllCategories, c.invertCategories}) {
        b->setMinimumWidth(30);
        categoryRow->addWidget(b);
    }
    grid->addLayout(categoryRow, 6, 0, 1, 4);
    grid->setRowStretch(5, 1);
    grid->setColumnStretch(3, 1);
    return g;
}

QGroupBox* BuildArticleGroup(QWidget* window, MainControls& c)
{
    auto* grid = Group(window, c.articleGroup, u"分组框文章选项", u"文章选项");
    QGroupBox* g = c.articleGroup;

    const QString defaultFolder = QDir::toNativeSeparators(QDir::homePath() + S(u"/用于更新的文章所在目录"));
    c.articleDir = Named(new QLineEdit(defaultFolder, g), u"编辑框文章目录");
    c.chooseDirButton = Button(g, u"按钮选择目录", u"..");
    c.chooseDirButton->setFixedWidth(30);
    c.chooseDirButton->setToolTip(QStringLiteral("单击选择文章目录，右击打开文章目录"));
    auto* folder = new QHBoxLayout;
    folder->setSpacing(3);
    folder->addWidget(c.articleDir, 1);
    folder->addWidget(c.chooseDirButton);
    grid->addWidget(Label(g, u"文章目录："), 0, 0);
    grid->addLayout(folder, 0, 1, 1, 3);

    c.fileEncoding = Combo(g, u"组合框文件编码", {u"自动识别", u"GBK", u"UTF-8", u"Unicode"});
    c.fileFilter = Edit(g, u"编辑框文件过滤", u"*.*");
    grid->addWidget(Label(g, u"文件编码："), 1, 0);
    grid->addWidget(c.fileEncoding, 1, 1);
    grid->addWidget(Label(g, u"文件过滤："), 1, 2);
    grid->addWidget(c.fileFilter, 1, 3);

    c.articleQuota = Edit(g, u"编辑框更新数量", u"0", 50);
    c.intervalMin = Edit(g, u"编辑框更新间隔1", u"0.01", 44);
    c.intervalMax = Edit(g, u"编辑框更新间隔2", u"0.03", 44);
    grid->addWidget(Label(g, u"更新数量："), 2, 0);
    grid->addWidget(c.articleQuota, 2, 1);
    grid->addWidget(Label(g, u"每篇间隔秒："), 2, 2);
    grid->addLayout(Range(g, c.intervalMin, c.intervalMax), 2, 3);

    auto* checks = new QHBoxLayout;
    checks->setSpacing(8);
    c.deleteAfter = Check(g, u"选择框删除已更新文章", u"删除已更新文章");
    c.firstLineTitle = Check(g, u"选择框首行标题", u"文章首行当标题");
    c.paragraphTags = Check(g, u"选择框段落标签", u"加入段落标签");
    for (QCheckBox* b : {c.deleteAfter, c.firstLineTitle, c.paragraphTags})
        checks->addWidget(b);
    checks->addStretch(1);
    grid->addLayout(checks, 3, 0, 1, 4);

    c.rewriteType = Combo(g, u"组合框伪原创类型", {u"不使用伪原创", u"5118智能原创"});
    grid->addWidget(Label(g, u"伪原创："), 4, 0);
    grid->addWidget(c.rewriteType, 4, 1);
    grid->setColumnStretch(1, 1);
    grid->setColumnStretch(3, 1);
    grid->setRowStretch(5, 1);
    return g;
}

QGroupBox* BuildEnhanceGroup(QWidget* window, MainControls& c)
{
    auto* grid = Group(window, c.enhanceGroup, u"分组框增强功能", u"增强功能");
    QGroupBox* g = c.enhanceGroup;
    int row = 0;

    c.customTitles = Check(g, u"选择框指定标题", u"自定义文章标题");
    c.customTitlesButton = Button(g, u"按钮输入标题列表", u"输入标题列表..");
    c.customTitlesInOrder = Check(g, u"选择框按顺序调用", u"按顺序调用");
    c.customTitlesDelete = Check(g, u"选择框删除标题", u"使用过的标题自动删除");
    grid->addWidget(c.customTitles, row, 0);
    grid->addWidget(c.customTitlesButton, row, 1);
    auto* customRow = new QHBoxLayout;
    customRow->addWidget(c.customTitlesInOrder);
    customRow->addWidget(c.customTitlesDelete);
    customRow->addStretch(1);
    grid->addLayout(customRow, row++, 2);

    c.bodyInsert = Check(g, u"选择框随机插入关键词", u"正文插入关键词");
    c.bodyInsertButton = Button(g, u"按钮输入关键词列表", u"输入关键词列表..");
    c.bodyInsertMin = Edit(g, u"编辑框插入次数1", u"2", 34);
    c.bodyInsertMax = Edit(g, u"编辑框插入次数2", u"3", 34);
    c.bodyInsertChange = Check(g, u"选择框每次换词", u"每次换词");
    c.bodyInsertFromTags = Check(g, u"选择框关键词与标签同步", u"与后台选项关键词同步");
    grid->addWidget(c.bodyInsert, row, 0);
    grid->addWidget(c.bodyInsertButton, row, 1);
    auto* bodyRow = new QHBoxLayout;
    bodyRow->addWidget(Label(g, u"次数："));
    bodyRow->addLayout(Range(g, c.bodyInsertMin, c.bodyInsertMax));
    bodyRow->addWidget(c.bodyInsertChange);
    bodyRow->addStretch(1);
    grid->addLayout(bodyRow, row++, 2);
    grid->addWidget(c.bodyInsertFromTags, row++, 1, 1, 2);

    c.tailInsert = Check(g, u"选择框尾部插入关键词", u"尾部插入关键词");
    c.tailInsertButton = Button(g, u"按钮输入尾部关键词列表", u"输入关键词列表..");
    c.tailInsertMin = Edit(g, u"编辑框尾部插入次数1", u"2", 34);
    c.tailInsertMax = Edit(g, u"编辑框尾部插入次数2", u"3", 34);
    c.tailInsertChange = Check(g, u"选择框尾部每次换词", u"每次换词");
    c.tailBlocks = Check(g, u"选择框尾部调用文章块", u"调用文章块");
    c.blockSeparator = Edit(g, u"编辑框尾部分块符", u"分块符", 70);
    grid->addWidget(c.tailInsert, row, 0);
    grid->addWidget(c.tailInsertButton, row, 1);
    auto* tailRow = new QHBoxLayout;
    tailRow->addWidget(Label(g, u"次数："));
    tailRow->addLayout(Range(g, c.tailInsertMin, c.tailInsertMax));
    tailRow->addWidget(c.tailInsertChange);
    tailRow->addStretch(1);
    grid->addLayout(tailRow, row++, 2);
    auto* blockRow = new QHBoxLayout;
    blockRow->addWidget(c.tailBlocks);
    blockRow->addWidget(Label(g, u"分块符："));
    blockRow->addWidget(c.blockSeparator);
    blockRow->addStretch(1);
    grid->addLayout(blockRow, row++, 1, 1, 2);

    c.titleInsert = Check(g, u"选择框标题插入关键词", u"标题插入关键词");
    c.titleInsertButton = Button(g, u"按钮输入标题关键词列表", u"输入关键词列表..");
    c.titleInsertPercent = Edit(g, u"编辑框插入概率", u"43", 34);
    c.titleInsertPlace = Combo(g, u"组合框标题插入方式", {u"标题前", u"标题后", u"随机位置"});
    c.titleInsertSeparator = Edit(g, u"编辑框标题插入分隔符", u"：", 44);
    grid->addWidget(c.titleInsert, row, 0);
    grid->addWidget(c.titleInsertButton, row, 1);
    auto* titleRow = new QHBoxLayout;
    titleRow->addWidget(Label(g, u"概率%："));
    titleRow->addWidget(c.titleInsertPercent);
    titleRow->addWidget(c.titleInsertPlace);
    titleRow->addStretch(1);
    grid->addLayout(titleRow, row++, 2);
    auto* separatorRow = new QHBoxLayout;
    separatorRow->addWidget(Label(g, u"关键词与标题间隔："));
    separatorRow->addWidget(c.titleInsertSeparator);
    separatorRow->addStretch(1);
    grid->addLayout(separatorRow, row++, 1, 1, 2);
    grid->setColumnStretch(2, 1);
    grid->setRowStretch(row, 1);
    return g;
}

QGroupBox* BuildRunGroup(QWidget* window, MainControls& c)
{
    auto* grid = Group(window, c.runGroup, u"分组框更新控制", u"更新控制");
    QGroupBox* g = c.runGroup;

    c.independent = Named(new QRadioButton(S(u"先后独立更新[同时更新站点数]："), g), u"单选框先后独立");
    c.independent->setChecked(true);
    c.concurrentSites = Edit(g, u"编辑框同时站点数", u"5", 44);
    c.synchronous = Named(new QRadioButton(S(u"同步循环更新[循环一次间隔秒]："), g), u"单选框同步循环");
    c.roundInterval = Edit(g, u"编辑框循环间隔", u"0.01", 44);
    c.globalQuotaEnabled = Check(g, u"选择框全局更新数量", u"全局更新数量:");
    c.globalQuota = Edit(g, u"编辑框全局更新数量", u"0", 50);
    c.globalQuota->setEnabled(false);
    auto pair = [&](QWidget* first, QWidget* second) {
        auto* row = new QHBoxLayout;
        row->setSpacing(2);
        row->addWidget(first);
        row->addWidget(second);
        row->addStretch(1);
        return row;
    };
    grid->addLayout(pair(c.independent, c.concurrentSites), 0, 0);
    grid->addLayout(pair(c.synchronous, c.roundInterval), 1, 0);
    grid->addLayout(pair(c.globalQuotaEnabled, c.globalQuota), 0, 1);

    c.shutDownWhenDone = Check(g, u"选择框完成关机", u"更新完成关机");
    c.retryOnFailure = Check(g, u"选择框失败时重复尝试", u"失败时重复尝试");
    c.publishInReadOrder = Check(g, u"选择框按读入顺序发布", u"按读入顺序发布");
    c.enhancedSubmit = Check(g, u"选择框增强提交", u"增强提交");
    c.allowDuplicates = Check(g, u"选择框允许添加重复站点", u"允许添加重复站点");
    c.accessMethod = Combo(g, u"组合框访问方式", {u"访问方式1", u"访问方式2"});
    grid->addWidget(c.shutDownWhenDone, 1, 1);
    grid->addWidget(c.retryOnFailure, 0, 2);
    grid->addWidget(c.publishInReadOrder, 1, 2);
    grid->addWidget(c.enhancedSubmit, 0, 3);
    grid->addWidget(c.allowDuplicates, 1, 3);
    c.accessMethod->setToolTip(QStringLiteral("访问方式"));
    grid->addWidget(c.accessMethod, 0, 4);

    c.logButton = Button(g, u"按钮查看日志", u"查看日志");
    c.startButton = Button(g, u"按钮开始更新", u"开始站群更新");
    c.logButton->setMinimumHeight(30);
    c.startButton->setMinimumSize(136, 44);
    QFont startFont = c.startButton->font();
    startFont.setBold(true);
    startFont.setPointSizeF(startFont.pointSizeF() * 1.2);
    c.startButton->setFont(startFont);
    grid->addWidget(c.logButton, 1, 4);
    grid->addWidget(c.startButton, 0, 5, 2, 1);
    grid->setColumnStretch(4, 1);
    return g;
}

} // namespace

MainControls BuildMainControls(QWidget* window)
{
    MainControls c;
    auto* outer = new QVBoxLayout(window);
    outer->setContentsMargins(0, 0, 0, 6);
    outer->setSpacing(4);
    BuildTopStrip(window, c, outer);

    auto* body = new QGridLayout;
    body->setContentsMargins(4, 0, 4, 0);
    body->setSpacing(5);
    body->addWidget(BuildSiteGroup(window, c), 0, 0);
    body->addWidget(BuildBackEndGroup(window, c), 0, 1);
    body->addWidget(BuildArticleGroup(window, c), 1, 0);
    body->addWidget(BuildEnhanceGroup(window, c), 1, 1);
    body->addWidget(BuildRunGroup(window, c), 2, 0, 1, 2);
    body->setRowStretch(0, 3);
    body->setRowStretch(1, 2);
    body->setColumnStretch(0, 1);
    body->setColumnStretch(1, 1);
    outer->addLayout(body, 1);

    const QString filter = QStringLiteral("配置文件 (*.ini);;全部文件 (*)");
    c.exportDialog = Named(
        new FileDialogControl(window, QStringLiteral("将站点配置文件导出"), filter, QStringLiteral("ini"), true),
        u"通用对话框导出");
    c.importDialog = Named(
        new FileDialogControl(window, QStringLiteral("将站点配置文件导入"), filter, {}, false), u"通用对话框导入");
    return c;
}

QString IdleStartCaption()
{
    return QStringLiteral("开始站群更新");
}
QString RunningStartCaption()
{
    return QStringLiteral("停止站群更新");
}
QString StoppingStartCaption()
{
    return QStringLiteral("正在停止中..");
}
QString ShowLogCaption()
{
    return QStringLiteral("查看日志");
}
QString HideLogCaption()
{
    return QStringLiteral("关闭日志");
}

bool IsRunActive(const MainControls& controls)
{
    return controls.startButton->text() != IdleStartCaption();
}

} // namespace kc::gui
