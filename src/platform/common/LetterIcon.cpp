#include "platform/common/LetterIcon.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QPainter>
#include <QPixmap>

namespace vantorel {

QIcon letterIcon(const QString& name) {
    if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
        return {};
    QPixmap pixmap(64, 64);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor::fromHsv(static_cast<int>(qHash(name) % 360), 150, 210));
    p.drawRoundedRect(QRectF(4, 4, 56, 56), 13, 13);
    QFont font = p.font();
    font.setPixelSize(32);
    font.setBold(true);
    p.setFont(font);
    p.setPen(Qt::white);
    p.drawText(QRectF(4, 4, 56, 56), Qt::AlignCenter, name.trimmed().left(1).toUpper());
    p.end();
    return QIcon(pixmap);
}

} // namespace vantorel
