// The tag lives in a dynamic property, so every widget class can carry one.
#include "gui/common/control_tag.h"

#include <QVariant>
#include <QWidget>

namespace kc::gui {
namespace {

const char* const kTagProperty = "kcTag";

} // namespace

QString NoSaveTag()
{
    return QStringLiteral("禁止保存");
}

QString ByteValueTag()
{
    return QStringLiteral("字节集方式");
}

QString Tag(const QWidget* control)
{
    return control->property(kTagProperty).toString();
}

void SetTag(QWidget* control, const QString& tag)
{
    control->setProperty(kTagProperty, tag);
}

} // namespace kc::gui
