// A rounded square with the product's initial, drawn at the sizes the desktop asks for.
#include "gui/main/app_icon.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace kc::gui {

QIcon AppIcon()
{
    QIcon icon;
    for (int size : {16, 22, 32, 48, 64}) {
        QPixmap pixmap(size, size);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        painter.setRenderHint(QPainter::Antialiasing);
        QPainterPath square;
        square.addRoundedRect(QRectF(0.5, 0.5, size - 1.0, size - 1.0), size / 5.0, size / 5.0);
        painter.fillPath(square, QColor(0x1f, 0x6f, 0xb2));
        QFont font = painter.font();
        font.setBold(true);
        font.setPixelSize(size * 2 / 3);
        painter.setFont(font);
        painter.setPen(Qt::white);
        painter.drawText(QRect(0, 0, size, size), Qt::AlignCenter, QStringLiteral("K"));
        painter.end();
        icon.addPixmap(pixmap);
    }
    return icon;
}

} // namespace kc::gui
