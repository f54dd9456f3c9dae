// The named controls of the main window, built with their captions, defaults and group boxes.
#pragma once

#include <QString>

class QCheckBox;
class QComboBox;
class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QToolButton;
class QTreeWidget;
class QWidget;

namespace kc::gui {

class CheckListBox;
class FileDialogControl;

// Every pointer is owned by the window the controls were built into. Inside the four site group boxes each
// control is a direct child of its group box, because the settings walker tells the site's controls from
// the window's own by their direct parent.
struct MainControls {
    // Top strip and its separator line.
    QFrame* topStrip = nullptr; // 图片框1
    QLabel* separator = nullptr; // 标签13
    QToolButton* serviceIcon = nullptr; // 图片框接口
    QLabel* serviceLink = nullptr; // 超级链接框接口 "外调接口"
    QToolButton* batchIcon = nullptr;
    QLabel* batchLink = nullptr; // "批处理工具"
    QToolButton* captchaIcon = nullptr;
    QLabel* captchaLink = nullptr; // "关闭验证码"
    QToolButton* scheduleIcon = nullptr;
    QLabel* scheduleLink = nullptr; // "计划任务"
    QLabel* helpLink = nullptr; // "疑点说明"

    // The site group box: the list, its buttons and the site's login fields.
    QGroupBox* siteGroup = nullptr; // 分组框网站列表
    QPushButton* importButton = nullptr; // 按钮导入
    QPushButton* exportButton = nullptr; // 按钮导出
    QPushButton* upButton = nullptr; // 按钮上移
    QPushButton* downButton = nullptr; // 按钮下移
    QPushButton* enableAllButton = nullptr; // 按钮启用 "+"
    QPushButton* disableAllButton = nullptr; // 按钮不启 "-"
    QPushButton* invertAllButton = nullptr; // 按钮反启 "+ -"
    CheckListBox* siteList = nullptr; // 选择列表框
    QPushButton* addButton = nullptr; // 按钮添加
    QPushButton* deleteButton = nullptr; // 按钮删除
    QPushButton* clearButton = nullptr; // 按钮清空
    QPushButton* stopSiteButton = nullptr; // 按钮停止更新
    QLineEdit* domain = nullptr; // 编辑框域名
    QLineEdit* user = nullptr; // 编辑框用户
    QLineEdit* password = nullptr; // 编辑框密码
    QComboBox* siteEncoding = nullptr; // 组合框编码
    QLineEdit* adminDir = nullptr; // 编辑框后台
    QLineEdit* securityCode = nullptr; // 编辑框安全码
    QCheckBox* useHttps = nullptr; // 选择框https

    // Back-end options.
    QGroupBox* backEndGroup = nullptr; // 分组框后台选项
    QPushButton* keywordsButton = nullptr; // 按钮输入关键词组
    QLineEdit* keywordsMin = nullptr; // 编辑框关键词数1
    QLineEdit* keywordsMax = nullptr; // 编辑框关键词数2
    QComboBox* keywordsMode = nullptr; // 组合框关键词方式
    QPushButton* goodsButton = nullptr; // 按钮输入商品ID组
    QLineEdit* goodsMin = nullptr; // 编辑框商品ID数1
    QLineEdit* goodsMax = nullptr; // 编辑框商品ID数2
    QComboBox* goodsMode = nullptr; // 组合框商品ID方式
    QLineEdit* descMin = nullptr; // 编辑框内容摘要数1
    QLineEdit* descMax = nullptr; // 编辑框内容摘要数2
    QPushButton* authorsButton = nullptr; // 按钮输入作者组
    QCheckBox* top = nullptr; // 选择框置顶
    QCheckBox* recommend = nullptr; // 选择框推荐
    QCheckBox* featured = nullptr; // 选择框精选
    QCheckBox* randomAttributes = nullptr; // 选择框随机属性
    QCheckBox* uploadThumb = nullptr; // 选择框上传缩略图
    QCheckBox* extractThumb = nullptr; // 选择框提取缩略图
    QCheckBox* localiseImages = nullptr; // 选择框图片本地化
    QTreeWidget* categoryTree = nullptr; // 树型框
    QPushButton* readCategoriesButton = nullptr; // 按钮读取分类列表
    QPushButton* checkAllCategories = nullptr; // 按钮全选
    QPushButton* uncheckAllCategories = nullptr; // 按钮不选
    QPushButton* invertCategories = nullptr; // 按钮反选

    // Article options.
    QGroupBox* articleGroup = nullptr; // 分组框文章选项
    QLineEdit* articleDir = nullptr; // 编辑框文章目录
    QPushButton* chooseDirButton = nullptr; // 按钮选择目录 ".."
    QComboBox* fileEncoding = nullptr; // 组合框文件编码
    QLineEdit* fileFilter = nullptr; // 编辑框文件过滤
    QLineEdit* articleQuota = nullptr; // 编辑框更新数量
    QLineEdit* intervalMin = nullptr; // 编辑框更新间隔1
    QLineEdit* intervalMax = nullptr; // 编辑框更新间隔2
    QCheckBox* deleteAfter = nullptr; // 选择框删除已更新文章
    QCheckBox* firstLineTitle = nullptr; // 选择框首行标题
    QCheckBox* paragraphTags = nullptr; // 选择框段落标签
    QComboBox* rewriteType = nullptr; // 组合框伪原创类型

    // Enhancements.
    QGroupBox* enhanceGroup = nullptr; // 分组框增强功能
    QCheckBox* customTitles = nullptr; // 选择框指定标题
    QPushButton* customTitlesButton = nullptr; // 按钮输入标题列表
    QCheckBox* customTitlesInOrder = nullptr; // 选择框按顺序调用
    QCheckBox* customTitlesDelete = nullptr; // 选择框删除标题
    QCheckBox* bodyInsert = nullptr; // 选择框随机插入关键词
    QPushButton* bodyInsertButton = nullptr; // 按钮输入关键词列表
    QLineEdit* bodyInsertMin = nullptr; // 编辑框插入次数1
    QLineEdit* bodyInsertMax = nullptr; // 编辑框插入次数2
    QCheckBox* bodyInsertChange = nullptr; // 选择框每次换词
    QCheckBox* bodyInsertFromTags = nullptr; // 选择框关键词与标签同步
    QCheckBox* tailInsert = nullptr; // 选择框尾部插入关键词
    QPushButton* tailInsertButton = nullptr; // 按钮输入尾部关键词列表
    QLineEdit* tailInsertMin = nullptr; // 编辑框尾部插入次数1
    QLineEdit* tailInsertMax = nullptr; // 编辑框尾部插入次数2
    QCheckBox* tailInsertChange = nullptr; // 选择框尾部每次换词
    QCheckBox* tailBlocks = nullptr; // 选择框尾部调用文章块
    QLineEdit* blockSeparator = nullptr; // 编辑框尾部分块符
    QCheckBox* titleInsert = nullptr; // 选择框标题插入关键词
    QPushButton* titleInsertButton = nullptr; // 按钮输入标题关键词列表
    QLineEdit* titleInsertPercent = nullptr; // 编辑框插入概率
    QComboBox* titleInsertPlace = nullptr; // 组合框标题插入方式
    QLineEdit* titleInsertSeparator = nullptr; // 编辑框标题插入分隔符

    // The window's own options, saved in the window's section.
    QGroupBox* runGroup = nullptr;
    QRadioButton* independent = nullptr; // 单选框先后独立
    QLineEdit* concurrentSites = nullptr; // 编辑框同时站点数
    QRadioButton* synchronous = nullptr; // 单选框同步循环
    QLineEdit* roundInterval = nullptr; // 编辑框循环间隔
    QCheckBox* globalQuotaEnabled = nullptr; // 选择框全局更新数量
    QLineEdit* globalQuota = nullptr; // 编辑框全局更新数量
    QCheckBox* shutDownWhenDone = nullptr; // 选择框完成关机
    QCheckBox* retryOnFailure = nullptr; // 选择框失败时重复尝试
    QCheckBox* publishInReadOrder = nullptr; // 选择框按读入顺序发布
    QComboBox* accessMethod = nullptr; // 组合框访问方式
    QCheckBox* enhancedSubmit = nullptr; // 选择框增强提交
    QCheckBox* allowDuplicates = nullptr; // 选择框允许添加重复站点
    QPushButton* logButton = nullptr; // 按钮查看日志
    QPushButton* startButton = nullptr; // 按钮开始更新

    FileDialogControl* exportDialog = nullptr; // 通用对话框导出
    FileDialogControl* importDialog = nullptr; // 通用对话框导入
};

// Builds the controls into window with their layout and returns them.
MainControls BuildMainControls(QWidget* window);

// Captions that change at run time.
QString IdleStartCaption(); // "开始站群更新"
QString RunningStartCaption(); // "停止站群更新"
QString StoppingStartCaption(); // "正在停止中.."
QString ShowLogCaption(); // "查看日志"
QString HideLogCaption(); // "关闭日志"

// A run is in progress exactly while the start button shows anything but its idle caption.
bool IsRunActive(const MainControls& controls);

} // namespace kc::gui
