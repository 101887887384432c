// SPDX-License-Identifier: GPL-2.0-or-later
#include "LiveViewPicture.h"

#include <QColor>
#include <QProcess>
#include <QTest>

#include <algorithm>
#include <array>
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

int BarDirection(const std::function<QColor(int x)>& pixel, int width)
{
    // The bars' colours as red, green and blue bits, in the camera's order.
    static constexpr std::array<int, 7> order { 7, 6, 3, 2, 5, 4, 1 };
    auto rank = [](QColor c) {
        const int bits = (c.red() > 96) << 2 | (c.green() > 96) << 1 | (c.blue() > 96);
        const auto found = std::find(order.begin(), order.end(), bits);
        return found == order.end() ? -1 : int(found - order.begin());
    };
    int direction = 0;
    int previous = -1; // the last bar seen whole
    int current = -1;
    int run = 0;
    for (int x = 0; x < width; ++x) {
        const int bar = rank(pixel(x));
        run = bar == current ? run + 1 : 1;
        current = bar;
        // A few pixels of one colour make a bar; the blends at its edges do not.
        if (run != 4 || bar < 0 || bar == previous)
            continue;
        if (previous >= 0)
            direction += bar == (previous + 1) % 7 ? 1 : previous == (bar + 1) % 7 ? -1 : 0;
        previous = bar;
    }
    return direction;
}

int BarDirectionOnRow(const QImage& shot, int x0, int x1, int y)
{
    if (shot.isNull() || y < 0 || y >= shot.height())
        return 0;
    x0 = std::max(x0, 0);
    x1 = std::min(x1, shot.width());
    return BarDirection([&](int x) { return QColor::fromRgb(shot.pixel(x0 + x, y)); }, x1 - x0);
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
