// The one crossing between internal text (GB18030 bytes) and Qt's QString.
#pragma once

#include <QString>

#include <string>
#include <string_view>

namespace kc::gui {

// Internal text to a QString; bytes that are not GB18030 become replacement characters.
QString ToQString(std::string_view internal);
// A QString to internal text.
std::string FromQString(const QString& text);

// Multi-line editors hold "\n"; internal text separates lines with CR LF.
QString ToQStringLines(std::string_view internal);
std::string FromQStringLines(const QString& text);

} // namespace kc::gui
