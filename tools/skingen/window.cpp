// SPDX-License-Identifier: GPL-2.0-or-later
#include "window.h"

#include "catalogue.h"

#include <QPainter>

using skin::State;

namespace {

QRectF iconBoxIn(const QRectF& r, qreal size)
{
    return QRectF(r.center().x() - size / 2, r.center().y() - size / 2, size, size);
}

void paintSmallKey(QPainter& p, const Key& key, State state)
{
    const QRectF r = QRectF(key.rect);
    const QPointF c = r.center();
    p.fillPath(skin::circle(c + QPointF(0, 0.8), 6.6), QColor(255, 255, 255, 26));
    p.fillPath(skin::circle(c, 6.6), QColor(6, 7, 9));
    QLinearGradient face(r.topLeft(), r.bottomLeft());
    QColor ink = skin::colour::ink;
    if (state == State::Rest) {
        face.setColorAt(0.0, QColor(92, 100, 110));
        face.setColorAt(1.0, QColor(50, 55, 62));
    } else {
        const QColor tint = state == State::Down ? key.tint.darker(135) : key.tint;
        face.setColorAt(0.0, tint.lighter(125));
        face.setColorAt(1.0, tint.darker(120));
        ink = skin::colour::inkOver;
    }
    p.fillPath(skin::circle(c, 5.4), face);
    if (state != State::Down) {
        p.setBrush(Qt::NoBrush);
        p.setPen(QPen(QColor(255, 255, 255, 60), 0.8));
        p.drawArc(QRectF(c.x() - 4.8, c.y() - 4.8, 9.6, 9.6), 30 * 16, 120 * 16);
    }
    key.icon(p, iconBoxIn(r, 9).translated(0, state == State::Down ? 0.5 : 0), ink, state);
}

void paintThumb(QPainter& p, const Key& key)
{
    const QRectF r = QRectF(key.rect).adjusted(0.5, 1, -0.5, -1);
    const QPainterPath pill = skin::roundedRect(r, r.height() / 2);
    p.fillPath(pill.translated(0, 1), QColor(0, 0, 0, 120));
    QLinearGradient face(r.topLeft(), r.bottomLeft());
    face.setColorAt(0.0, skin::colour::accent.lighter(130));
    face.setColorAt(0.5, skin::colour::accent);
    face.setColorAt(1.0, skin::colour::accentDeep);
    p.fillPath(pill, face);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(255, 255, 255, 110), 0.8));
    p.drawLine(QPointF(r.left() + 4, r.top() + 0.9), QPointF(r.right() - 4, r.top() + 0.9));
    // Grip ridges in the middle.
    for (int i = -1; i <= 1; ++i) {
        const qreal x = r.center().x() + i * 3.0;
        p.setPen(QPen(QColor(8, 40, 70, 170), 1.0));
        p.drawLine(QPointF(x, r.top() + 3), QPointF(x, r.bottom() - 3));
        p.setPen(QPen(QColor(255, 255, 255, 90), 1.0));
        p.drawLine(QPointF(x + 1, r.top() + 3), QPointF(x + 1, r.bottom() - 3));
    }
}

void paintKey(QPainter& p, const Key& key, State state)
{
    const QRectF r = QRectF(key.rect);
    switch (key.shape) {
    case KeyShape::Round: {
        const qreal radius = r.width() / 2;
        skin::drawSocket(p, skin::circle(r.center(), radius - 0.5));
        skin::drawCap(
            p, skin::circle(r.center(), radius - 4), state, iconBoxIn(r, r.width() * 0.5), key.icon);
        break;
    }
    case KeyShape::Square:
        skin::drawSocket(p, skin::roundedRect(r.adjusted(0.5, 0.5, -0.5, -0.5), 8));
        skin::drawCap(p, skin::roundedRect(r.adjusted(3, 3, -3, -3), 6), state, iconBoxIn(r, 17), key.icon);
        break;
    case KeyShape::Wide:
        skin::drawSocket(p, skin::roundedRect(r.adjusted(0.5, 0.5, -0.5, -0.5), 7));
        skin::drawCap(
            p, skin::roundedRect(r.adjusted(2.5, 2.5, -2.5, -2.5), 5), state, iconBoxIn(r, 15), key.icon);
        break;
    case KeyShape::Arrow: {
        // Just the glyph at the end of the track, lit when touched.
        skin::drawSocket(p, skin::roundedRect(r.adjusted(0.5, 1.5, -0.5, -1.5), 3));
        const QColor ink = state == State::Down ? skin::colour::accent
            : state == State::Over              ? skin::colour::accent.lighter(130)
                                                : QColor(150, 160, 172);
        key.icon(p, iconBoxIn(r, 10).translated(0, state == State::Down ? 0.5 : 0), ink, state);
        break;
    }
    case KeyShape::Small:
        paintSmallKey(p, key, state);
        break;
    case KeyShape::Thumb:
        paintThumb(p, key);
        break;
    }
}

// File name suffix and README wording of each state picture.
struct StateText {
    QString suffix;
    QString usage;
};

StateText textOf(State s)
{
    switch (s) {
    case State::Rest:
        return { QStringLiteral("up"), QStringLiteral("resting picture (initial `Picture`, `PictureUp`)") };
    case State::Over:
        return { QStringLiteral("over"), QStringLiteral("pointer over (`PictureOver`)") };
    case State::Down:
        break;
    }
    return { QStringLiteral("down"), QStringLiteral("pressed (`PictureDown`)") };
}

} // namespace

QImage WindowSkin::render(qsizetype active, State state, int scale) const
{
    QImage art = skin::canvas(size.width() * scale, size.height() * scale);
    {
        QPainter p(&art);
        skin::prepare(p);
        p.scale(scale, scale);
        skin::drawBody(p, shape, QRectF(QPointF(0, 0), QSizeF(size)));
        decorate(p);
        for (qsizetype i = 0; i < keys.size(); ++i) {
            if (i == active)
                paintKey(p, keys[i], state);
            else if (keys[i].inBackground)
                paintKey(p, keys[i], State::Rest);
        }
    }
    return skin::hardMasked(art, shape, scale);
}

QImage WindowSkin::picture(qsizetype key, State state, int scale) const
{
    const QRect r(keys[key].rect.topLeft() * scale, keys[key].rect.size() * scale);
    QImage out = render(key, state, scale).copy(r);
    const QImage under = render(-1, State::Rest, scale).copy(r);
    // A transparent image button treats its picture's bottom-left colour as
    // see-through. That corner shows the background, so wherever the same
    // colour appears elsewhere but the background differs, shift it by one
    // step of blue: then the picture looks the same drawn either way.
    const QRgb see = out.pixel(0, out.height() - 1);
    if (see != under.pixel(0, under.height() - 1))
        qFatal("%s: bottom-left pixel differs from the background", qPrintable(keys[key].file));
    for (int y = 0; y < out.height(); ++y)
        for (int x = 0; x < out.width(); ++x)
            if (out.pixel(x, y) == see && under.pixel(x, y) != see)
                out.setPixel(x, y, see ^ 0x01);
    return out;
}

QString doubleDensityName(const QString& name)
{
    const qsizetype dot = name.lastIndexOf(u'.');
    return name.left(dot) + QStringLiteral("@2x") + name.mid(dot);
}

void exportWindow(Catalogue& catalogue, const WindowSkin& window, const QString& backName,
    const QStringList& keyFiles, const QString& owner)
{
    if (!backName.isEmpty()) {
        const QString usage = QStringLiteral("%1 background `imgBack`, %2x%3; fuchsia outside the shape")
                                  .arg(window.title)
                                  .arg(window.size.width())
                                  .arg(window.size.height());
        catalogue.add(backName, window.render(), usage);
        catalogue.add(doubleDensityName(backName), window.render(-1, State::Rest, 2),
            usage + QStringLiteral(" (twice the density)"));
    }
    for (qsizetype i = 0; i < window.keys.size(); ++i) {
        const Key& key = window.keys[i];
        if (!keyFiles.isEmpty() && !keyFiles.contains(key.file))
            continue;
        for (State s : key.pictures) {
            const QString name = QStringLiteral("%1_%2.png").arg(key.file, textOf(s).suffix);
            const QString usage = QStringLiteral("%1 `%2` at %3,%4: %5")
                                      .arg(owner.isEmpty() ? window.title : owner, key.component)
                                      .arg(key.rect.x())
                                      .arg(key.rect.y())
                                      .arg(textOf(s).usage);
            catalogue.add(name, window.picture(i, s), usage);
            catalogue.add(doubleDensityName(name), window.picture(i, s, 2),
                usage + QStringLiteral(" (twice the density)"));
        }
    }
}
