// Conversions between internal text and QString through UTF-8, where the text library does the work.
#include "gui/common/qt_text.h"

#include "text/literal.h"

namespace kc::gui {

QString ToQString(std::string_view internal)
{
    if (internal.empty())
        return {};
    const std::string utf8 = text::ToUtf8(internal);
    return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

std::string FromQString(const QString& text)
{
    if (text.isEmpty())
        return {};
    const QByteArray utf8 = text.toUtf8();
    return text::FromUtf8(std::string_view(utf8.constData(), static_cast<size_t>(utf8.size())));
}

QString ToQStringLines(std::string_view internal)
{
    QString text = ToQString(internal);
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    return text;
}

std::string FromQStringLines(const QString& text)
{
    QString lines = text;
    lines.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    lines.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
    return FromQString(lines);
}

} // namespace kc::gui
