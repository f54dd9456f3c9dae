// A control's tag: free text kept with the control, as the settings walker and the list buttons read it.
#pragma once

#include <QString>

class QWidget;

namespace kc::gui {

// Tag values the settings walker reads as markers.
QString NoSaveTag(); // "禁止保存": never saved, restored, fingerprinted or copied
QString ByteValueTag(); // "字节集方式": the value is kept as a byte file

QString Tag(const QWidget* control);
void SetTag(QWidget* control, const QString& tag);

} // namespace kc::gui
