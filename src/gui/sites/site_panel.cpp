// The binding of panel controls to site fields, the enabling rules and the article folder button.
#include "gui/sites/site_panel.h"

#include "config/config_store.h"
#include "gui/common/check_list_box.h"
#include "gui/common/control_tag.h"
#include "gui/common/message_box.h"
#include "gui/common/qt_text.h"
#include "gui/main/main_controls.h"
#include "gui/state/control_state.h"
#include "gui/state/tree_items.h"
#include "platform/desktop.h"
#include "sites/site_list.h"
#include "text/domain.h"
#include "text/native_path.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>

#include <charconv>
#include <cmath>
#include <limits>

namespace kc::gui {
namespace {

int32_t ToCount(const QLineEdit* edit)
{
    const double number = config::ParseNumber(FromQString(edit->text()));
    if (!std::isfinite(number))
        return 0;
    const double truncated = std::trunc(number);
    if (truncated >= static_cast<double>(std::numeric_limits<int32_t>::max()))
        return std::numeric_limits<int32_t>::max();
    if (truncated <= static_cast<double>(std::numeric_limits<int32_t>::min()))
        return std::numeric_limits<int32_t>::min();
    return static_cast<int32_t>(truncated);
}

float ToInterval(const QLineEdit* edit)
{
    const double number = config::ParseNumber(FromQString(edit->text()));
    if (!std::isfinite(number) || std::fabs(number) > static_cast<double>(std::numeric_limits<float>::max()))
        return 0;
    return static_cast<float>(number);
}

int32_t Index(const QComboBox* combo)
{
    return combo->currentIndex();
}

void SetIndex(QComboBox* combo, int32_t index)
{
    combo->setCurrentIndex(index >= 0 && index < combo->count() ? index : -1);
}

// A list button's tag holds its TextList source as it is, CR LF line breaks included.
std::string TagText(const QPushButton* button)
{
    return FromQString(Tag(button));
}

void SetTagText(QPushButton* button, std::string_view text)
{
    SetTag(button, ToQString(text));
}

} // namespace

QString PanelNumberText(int32_t value)
{
    return QString::number(value);
}

QString PanelNumberText(float value)
{
    char buffer[32];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    return QString::fromLatin1(buffer, static_cast<qsizetype>(result.ptr - buffer));
}

SitePanel::SitePanel(MainControls& controls, QWidget* window)
    : m_c(controls)
    , m_window(window)
{
}

void SitePanel::Connect()
{
    for (QCheckBox* box : {m_c.randomAttributes, m_c.bodyInsert, m_c.bodyInsertFromTags, m_c.tailInsert,
             m_c.titleInsert, m_c.customTitles})
        QObject::connect(box, &QCheckBox::toggled, m_window, [this] { ApplyEnablingRules(); });
    for (QComboBox* combo : {m_c.keywordsMode, m_c.goodsMode})
        QObject::connect(combo, &QComboBox::currentIndexChanged, m_window, [this] { ApplyEnablingRules(); });
    QObject::connect(m_c.tailBlocks, &QCheckBox::toggled, m_window, [this] { UpdateTailBlockMode(); });
    QObject::connect(m_c.globalQuotaEnabled, &QCheckBox::toggled, m_window, [this] { UpdateGlobalQuota(); });
    QObject::connect(m_c.chooseDirButton, &QPushButton::clicked, m_window, [this] { ChooseArticleFolder(); });
    QObject::connect(m_c.checkAllCategories, &QPushButton::clicked, m_window, [this] { SetCategoryChecks(1); });
    QObject::connect(m_c.uncheckAllCategories, &QPushButton::clicked, m_window, [this] { SetCategoryChecks(0); });
    QObject::connect(m_c.invertCategories, &QPushButton::clicked, m_window, [this] { SetCategoryChecks(-1); });
    m_c.chooseDirButton->setContextMenuPolicy(Qt::CustomContextMenu);
    QObject::connect(
        m_c.chooseDirButton, &QPushButton::customContextMenuRequested, m_window, [this] { OpenArticleFolder(); });
}

sites::SiteConfig SitePanel::ReadPanel() const
{
    sites::SiteConfig site;
    site.domain = text::NormaliseDomain(FromQString(m_c.domain->text()));
    site.user = FromQString(m_c.user->text());
    site.password = FromQString(m_c.password->text());
    site.siteEncoding = Index(m_c.siteEncoding);
    site.adminDir = text::NormaliseDomain(FromQString(m_c.adminDir->text()));
    if (site.adminDir.empty())
        site.adminDir = sites::kDefaultAdminDir;
    site.securityCode = FromQString(m_c.securityCode->text());
    site.useHttps = m_c.useHttps->isChecked();
    site.keywordsSource = TagText(m_c.keywordsButton);
    site.keywordsMin = ToCount(m_c.keywordsMin);
    site.keywordsMax = ToCount(m_c.keywordsMax);
    site.keywordsMode = Index(m_c.keywordsMode);
    site.goodsSource = TagText(m_c.goodsButton);
    site.goodsMin = ToCount(m_c.goodsMin);
    site.goodsMax = ToCount(m_c.goodsMax);
    site.goodsMode = Index(m_c.goodsMode);
    site.descMin = ToCount(m_c.descMin);
    site.descMax = ToCount(m_c.descMax);
    site.authorsSource = TagText(m_c.authorsButton);
    site.top = m_c.top->isChecked();
    site.recommend = m_c.recommend->isChecked();
    site.featured = m_c.featured->isChecked();
    site.randomAttributes = m_c.randomAttributes->isChecked();
    site.uploadThumb = m_c.uploadThumb->isChecked();
    site.extractThumb = m_c.extractThumb->isChecked();
    site.localiseImages = m_c.localiseImages->isChecked();
    site.categoryData = config::JoinTreeItems(ReadTreeItems(m_c.categoryTree));
    std::string ids;
    for (int64_t value : CheckedTreeValues(m_c.categoryTree)) {
        if (!ids.empty())
            ids += ',';
        ids += std::to_string(value);
    }
    site.categoryIds = ids;
    site.categorySelected = SelectedTreeIndex(m_c.categoryTree);
    site.articleDir = FromQString(m_c.articleDir->text());
    site.fileEncoding = Index(m_c.fileEncoding);
    site.fileFilter = FromQString(m_c.fileFilter->text());
    site.articleQuota = ToCount(m_c.articleQuota);
    site.intervalMin = ToInterval(m_c.intervalMin);
    site.intervalMax = ToInterval(m_c.intervalMax);
    site.deleteAfter = m_c.deleteAfter->isChecked();
    site.firstLineTitle = m_c.firstLineTitle->isChecked();
    site.paragraphTags = m_c.paragraphTags->isChecked();
    site.rewriteType = Index(m_c.rewriteType);
    site.customTitles = m_c.customTitles->isChecked();
    site.customTitlesSource = TagText(m_c.customTitlesButton);
    site.customTitlesInOrder = m_c.customTitlesInOrder->isChecked();
    site.customTitlesDelete = m_c.customTitlesDelete->isChecked();
    site.bodyInsert = m_c.bodyInsert->isChecked();
    site.bodyInsertSource = TagText(m_c.bodyInsertButton);
    site.bodyInsertMin = ToCount(m_c.bodyInsertMin);
    site.bodyInsertMax = ToCount(m_c.bodyInsertMax);
    site.bodyInsertChange = m_c.bodyInsertChange->isChecked();
    site.bodyInsertFromTags = m_c.bodyInsertFromTags->isChecked();
    site.tailInsert = m_c.tailInsert->isChecked();
    site.tailInsertSource = TagText(m_c.tailInsertButton);
    site.tailInsertMin = ToCount(m_c.tailInsertMin);
    site.tailInsertMax = ToCount(m_c.tailInsertMax);
    site.tailInsertChange = m_c.tailInsertChange->isChecked();
    site.tailBlocks = m_c.tailBlocks->isChecked();
    site.blockSeparator = FromQString(m_c.blockSeparator->text());
    site.titleInsert = m_c.titleInsert->isChecked();
    site.titleInsertSource = TagText(m_c.titleInsertButton);
    site.titleInsertPercent = ToCount(m_c.titleInsertPercent);
    site.titleInsertPlace = Index(m_c.titleInsertPlace);
    site.titleInsertSeparator = FromQString(m_c.titleInsertSeparator->text());
    return site;
}

void SitePanel::ShowSite(const sites::SiteConfig& site)
{
    m_c.domain->setText(ToQString(site.domain));
    m_c.user->setText(ToQString(site.user));
    m_c.password->setText(ToQString(site.password));
    SetIndex(m_c.siteEncoding, site.siteEncoding);
    m_c.adminDir->setText(ToQString(site.adminDir));
    m_c.securityCode->setText(ToQString(site.securityCode));
    m_c.useHttps->setChecked(site.useHttps);
    SetTagText(m_c.keywordsButton, site.keywordsSource);
    m_c.keywordsMin->setText(PanelNumberText(site.keywordsMin));
    m_c.keywordsMax->setText(PanelNumberText(site.keywordsMax));
    SetIndex(m_c.keywordsMode, site.keywordsMode);
    SetTagText(m_c.goodsButton, site.goodsSource);
    m_c.goodsMin->setText(PanelNumberText(site.goodsMin));
    m_c.goodsMax->setText(PanelNumberText(site.goodsMax));
    SetIndex(m_c.goodsMode, site.goodsMode);
    m_c.descMin->setText(PanelNumberText(site.descMin));
    m_c.descMax->setText(PanelNumberText(site.descMax));
    SetTagText(m_c.authorsButton, site.authorsSource);
    m_c.top->setChecked(site.top);
    m_c.recommend->setChecked(site.recommend);
    m_c.featured->setChecked(site.featured);
    m_c.randomAttributes->setChecked(site.randomAttributes);
    m_c.uploadThumb->setChecked(site.uploadThumb);
    m_c.extractThumb->setChecked(site.extractThumb);
    m_c.localiseImages->setChecked(site.localiseImages);
    WriteTreeItems(m_c.categoryTree, config::SplitTreeItems(site.categoryData));
    SelectTreeIndex(m_c.categoryTree, site.categorySelected);
    m_c.articleDir->setText(ToQString(site.articleDir));
    SetIndex(m_c.fileEncoding, site.fileEncoding);
    m_c.fileFilter->setText(ToQString(site.fileFilter));
    m_c.articleQuota->setText(PanelNumberText(site.articleQuota));
    m_c.intervalMin->setText(PanelNumberText(site.intervalMin));
    m_c.intervalMax->setText(PanelNumberText(site.intervalMax));
    m_c.deleteAfter->setChecked(site.deleteAfter);
    m_c.firstLineTitle->setChecked(site.firstLineTitle);
    m_c.paragraphTags->setChecked(site.paragraphTags);
    SetIndex(m_c.rewriteType, site.rewriteType);
    m_c.customTitles->setChecked(site.customTitles);
    SetTagText(m_c.customTitlesButton, site.customTitlesSource);
    m_c.customTitlesInOrder->setChecked(site.customTitlesInOrder);
    m_c.customTitlesDelete->setChecked(site.customTitlesDelete);
    m_c.bodyInsert->setChecked(site.bodyInsert);
    SetTagText(m_c.bodyInsertButton, site.bodyInsertSource);
    m_c.bodyInsertMin->setText(PanelNumberText(site.bodyInsertMin));
    m_c.bodyInsertMax->setText(PanelNumberText(site.bodyInsertMax));
    m_c.bodyInsertChange->setChecked(site.bodyInsertChange);
    m_c.bodyInsertFromTags->setChecked(site.bodyInsertFromTags);
    m_c.tailInsert->setChecked(site.tailInsert);
    SetTagText(m_c.tailInsertButton, site.tailInsertSource);
    m_c.tailInsertMin->setText(PanelNumberText(site.tailInsertMin));
    m_c.tailInsertMax->setText(PanelNumberText(site.tailInsertMax));
    m_c.tailInsertChange->setChecked(site.tailInsertChange);
    m_c.tailBlocks->setChecked(site.tailBlocks);
    m_c.blockSeparator->setText(ToQString(site.blockSeparator));
    m_c.titleInsert->setChecked(site.titleInsert);
    SetTagText(m_c.titleInsertButton, site.titleInsertSource);
    m_c.titleInsertPercent->setText(PanelNumberText(site.titleInsertPercent));
    SetIndex(m_c.titleInsertPlace, site.titleInsertPlace);
    m_c.titleInsertSeparator->setText(ToQString(site.titleInsertSeparator));
    ApplyEnablingRules();
}

std::string SitePanel::PanelFingerprint() const
{
    WalkOptions options;
    options.excludedNames = {m_c.siteList->objectName()};
    return WindowFingerprint(m_window, options);
}

void SitePanel::ApplyEnablingRules()
{
    const bool randomAttributes = m_c.randomAttributes->isChecked();
    for (QWidget* w :
        {static_cast<QWidget*>(m_c.top), static_cast<QWidget*>(m_c.recommend), static_cast<QWidget*>(m_c.featured)})
        w->setEnabled(!randomAttributes);

    const int keywordsMode = m_c.keywordsMode->currentIndex();
    m_c.keywordsButton->setEnabled(keywordsMode == 0);
    const bool keywordCounts = keywordsMode != 2 && keywordsMode != 3;
    m_c.keywordsMin->setEnabled(keywordCounts);
    m_c.keywordsMax->setEnabled(keywordCounts);

    const bool goods = m_c.goodsMode->currentIndex() == 0;
    m_c.goodsButton->setEnabled(goods);
    m_c.goodsMin->setEnabled(goods);
    m_c.goodsMax->setEnabled(goods);

    const bool body = m_c.bodyInsert->isChecked();
    const bool ownBodyList = body && !m_c.bodyInsertFromTags->isChecked();
    m_c.bodyInsertButton->setEnabled(ownBodyList);
    m_c.bodyInsertMin->setEnabled(ownBodyList);
    m_c.bodyInsertMax->setEnabled(ownBodyList);
    m_c.bodyInsertChange->setEnabled(ownBodyList);
    m_c.bodyInsertFromTags->setEnabled(body);

    const bool tail = m_c.tailInsert->isChecked();
    m_c.tailInsertButton->setEnabled(tail);
    m_c.tailInsertMin->setEnabled(tail);
    m_c.tailInsertMax->setEnabled(tail);
    m_c.tailInsertChange->setEnabled(tail);
    m_c.tailBlocks->setEnabled(tail);

    const bool title = m_c.titleInsert->isChecked();
    m_c.titleInsertButton->setEnabled(title);
    m_c.titleInsertPercent->setEnabled(title);
    m_c.titleInsertPlace->setEnabled(title);
    m_c.titleInsertSeparator->setEnabled(title);

    const bool custom = m_c.customTitles->isChecked();
    m_c.customTitlesButton->setEnabled(custom);
    m_c.customTitlesDelete->setEnabled(custom);
    m_c.customTitlesInOrder->setEnabled(custom);

    UpdateTailBlockMode();
}

void SitePanel::UpdateTailBlockMode()
{
    const bool blocks = m_c.tailBlocks->isChecked();
    m_c.blockSeparator->setEnabled(blocks && m_c.tailInsert->isChecked());
    m_c.tailInsert->setText(blocks ? QStringLiteral("尾部插入文章块") : QStringLiteral("尾部插入关键词"));
    m_c.tailInsertButton->setText(blocks ? QStringLiteral("输入路径列表..") : QStringLiteral("输入关键词列表.."));
}

void SitePanel::SetCategoryChecks(int mode)
{
    // Only ordinary categories (image 0) take check marks; the shop's own categories stay locked.
    for (QTreeWidgetItemIterator it(m_c.categoryTree); *it; ++it) {
        QTreeWidgetItem* item = *it;
        if (TreeItemImage(item) != 0 || TreeItemCheck(item) == kTreeLocked)
            continue;
        const int64_t check = mode >= 0 ? mode : (TreeItemCheck(item) == kTreeChecked ? kTreeUnchecked : kTreeChecked);
        SetTreeItemCheck(item, check);
    }
}

void SitePanel::UpdateGlobalQuota()
{
    m_c.globalQuota->setEnabled(m_c.globalQuotaEnabled->isChecked());
}

void SitePanel::ChooseArticleFolder()
{
    const std::optional<QString> folder
        = ChooseFolder(m_window, QStringLiteral("请选择一个文件夹"), m_c.articleDir->text());
    if (folder)
        m_c.articleDir->setText(folder->trimmed());
}

void SitePanel::OpenArticleFolder()
{
    const QString path = m_c.articleDir->text();
    const std::filesystem::path native = text::NativePath(FromQString(path));
    if (path.endsWith(QStringLiteral(".exe"), Qt::CaseInsensitive))
        platform::StartProgram(native);
    else
        platform::OpenFolder(native);
}

} // namespace kc::gui
