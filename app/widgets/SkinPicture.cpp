// SPDX-License-Identifier: GPL-2.0-or-later
#include "widgets/SkinPicture.h"

#include "widgets/WidgetsLogging.h"

#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QString>

namespace {

constexpr QRgb ColourKey = 0xFFFF00FF;
// Far enough for any rounding of the outline at a fractional density.
constexpr int BleedPasses = 2;

QString DoubleDensityName(const QString& name)
{
    const qsizetype dot = name.lastIndexOf(u'.');
    return dot < 0 ? name + QStringLiteral("@2x") : name.left(dot) + QStringLiteral("@2x") + name.mid(dot);
}

} // namespace

QPixmap SkinPicture(const QString& name, qreal devicePixelRatio)
{
    const QString base = QStringLiteral(":/skins/") + name;
    if (devicePixelRatio > 1.0) {
        const QString twice = QStringLiteral(":/skins/") + DoubleDensityName(name);
        if (QFile::exists(twice)) {
            QPixmap picture(twice);
            picture.setDevicePixelRatio(2.0);
            return picture;
        }
    }
    QPixmap picture(base);
    if (picture.isNull())
        qCDebug(lcWidgets, "no skin picture %s", qPrintable(base));
    return picture;
}

QPixmap SkinPicture(const QString& name)
{
    return SkinPicture(name, qGuiApp ? qGuiApp->devicePixelRatio() : 1.0);
}

QPixmap WithoutColourKey(const QPixmap& background)
{
    if (background.isNull())
        return background;
    QImage image = background.toImage().convertToFormat(QImage::Format_RGB32);
    const int w = image.width();
    const int h = image.height();
    for (int pass = 0; pass < BleedPasses; ++pass) {
        const QImage before = image;
        for (int y = 0; y < h; ++y) {
            auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
            for (int x = 0; x < w; ++x) {
                if ((row[x] | 0xFF000000) != ColourKey)
                    continue;
                // The first neighbour that is skin lends its colour.
                for (int dy = -1; dy <= 1 && (row[x] | 0xFF000000) == ColourKey; ++dy)
                    for (int dx = -1; dx <= 1; ++dx) {
                        const int nx = x + dx;
                        const int ny = y + dy;
                        if (nx < 0 || ny < 0 || nx >= w || ny >= h)
                            continue;
                        const QRgb near = before.pixel(nx, ny) | 0xFF000000;
                        if (near != ColourKey) {
                            row[x] = near;
                            break;
                        }
                    }
            }
        }
    }
    // What lies further out is never on screen; it is darkened all the same.
    for (int y = 0; y < h; ++y) {
        auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < w; ++x)
            if ((row[x] | 0xFF000000) == ColourKey)
                row[x] = 0xFF000000;
    }
    QPixmap drawn = QPixmap::fromImage(image);
    drawn.setDevicePixelRatio(background.devicePixelRatio());
    return drawn;
}
