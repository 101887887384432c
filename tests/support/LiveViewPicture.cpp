// SPDX-License-Identifier: GPL-2.0-or-later
#include "LiveViewPicture.h"

#include <QColor>
#include <QProcess>
#include <QTest>

#include <set>

namespace test_support {

QImage ScreenShot(const QString& display)
{
    QProcess import;
    import.start(QStringLiteral("import"),
        { QStringLiteral("-display"), display, QStringLiteral("-window"), QStringLiteral("root"),
            QStringLiteral("png:-") });
    if (!import.waitForFinished(10000))
        return {};
    return QImage::fromData(import.readAllStandardOutput(), "PNG");
}

int SaturatedColoursOnRow(const QImage& shot, int x0, int x1, int y)
{
    std::set<QRgb> colours;
    for (int x = x0; x < x1; x += 4) {
        const QColor c = QColor::fromRgb(shot.pixel(x, y));
        if (c.hsvSaturation() > 150 && c.value() > 150)
            colours.insert(qRgb(c.red() & 0xC0, c.green() & 0xC0, c.blue() & 0xC0));
    }
    return static_cast<int>(colours.size());
}

bool WaitForLiveViewPicture(const QString& display, int timeoutMs, QImage* lastShot)
{
    QImage shot;
    const bool seen = QTest::qWaitFor(
        [&] {
            shot = ScreenShot(display);
            return !shot.isNull()
                && SaturatedColoursOnRow(
                       shot, LiveViewPanel.left(), LiveViewPanel.right(), LiveViewPanel.top() + 150)
                >= 5;
        },
        timeoutMs);
    if (lastShot)
        *lastShot = shot;
    return seen;
}

} // namespace test_support
