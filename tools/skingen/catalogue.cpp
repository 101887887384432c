// SPDX-License-Identifier: GPL-2.0-or-later
#include "catalogue.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QImageWriter>
#include <QPainter>
#include <QSaveFile>
#include <QSvgGenerator>

void Catalogue::add(const QString& name, const QImage& image, const QString& usage)
{
    m_files.append({ name, image, usage, {} });
}

void Catalogue::addScalable(
    const QString& name, QSize size, const std::function<void(QPainter&)>& drawing, const QString& usage)
{
    // The bitmap gives the README its size and the preview a picture.
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    drawing(p);
    p.end();
    m_files.append({ name, image, usage, drawing });
}

QImage Catalogue::image(const QString& name) const
{
    for (const SkinFile& f : m_files)
        if (f.name == name)
            return f.image;
    return {};
}

namespace {

bool writeText(const QString& path, const QString& text, QString* error)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(text.toUtf8()) < 0 || !file.commit()) {
        *error = QStringLiteral("%1: %2").arg(path, file.errorString());
        return false;
    }
    return true;
}

QByteArray svgText(const SkinFile& f)
{
    QBuffer out;
    out.open(QIODevice::WriteOnly);
    QSvgGenerator svg;
    svg.setOutputDevice(&out);
    svg.setSize(f.image.size());
    svg.setViewBox(QRect(QPoint(0, 0), f.image.size()));
    svg.setTitle(QStringLiteral("Glimview"));
    QPainter p(&svg);
    f.drawing(p);
    p.end();
    return out.data();
}

} // namespace

bool Catalogue::write(const QString& folder, QString* error) const
{
    if (!QDir().mkpath(folder)) {
        *error = QStringLiteral("cannot create %1").arg(folder);
        return false;
    }
    for (const SkinFile& f : m_files) {
        const QString path = QDir(folder).filePath(f.name);
        if (f.drawing) {
            if (!writeText(path, QString::fromUtf8(svgText(f)), error))
                return false;
            continue;
        }
        QImageWriter writer(path);
        if (f.name.endsWith(QLatin1String(".jpg"))) {
            writer.setFormat("jpeg");
            writer.setQuality(92);
            writer.setOptimizedWrite(true);
        } else {
            writer.setFormat("png");
            // Fixed compression keeps regenerated files byte-identical.
            writer.setCompression(9);
        }
        // Skins with a colour key stay free of an alpha channel; only the
        // product icon keeps its alpha.
        const QImage out = f.image.hasAlphaChannel() ? f.image.convertToFormat(QImage::Format_ARGB32)
                                                     : f.image.convertToFormat(QImage::Format_RGB888);
        if (!writer.write(out)) {
            *error = QStringLiteral("%1: %2").arg(path, writer.errorString());
            return false;
        }
    }
    return writeText(QDir(folder).filePath(QStringLiteral("skins.qrc")), qrcText(), error)
        && writeText(QDir(folder).filePath(QStringLiteral("README.md")), readmeText(), error);
}

QString Catalogue::qrcText() const
{
    QString text = QStringLiteral("<!DOCTYPE RCC>\n<RCC version=\"1.0\">\n<qresource prefix=\"/skins\">\n");
    for (const SkinFile& f : m_files)
        if (!f.drawing)
            text += QStringLiteral("  <file>%1</file>\n").arg(f.name);
    text += QStringLiteral("</qresource>\n</RCC>\n");
    return text;
}

QString Catalogue::readmeText() const
{
    QString text
        = QStringLiteral("# Skins\n"
                         "\n"
                         "Generated artwork of Glimview's skinned windows. Do not edit these pictures by\n"
                         "hand: change `tools/skingen/` and run `tools/make-skins.sh`, which rebuilds the\n"
                         "generator, rewrites every file listed here (this README and `skins.qrc`\n"
                         "included) and draws a preview into `build-skins/preview.png`.\n"
                         "\n"
                         "The CMake target `glimview_skins` (a static library) carries them as Qt\n"
                         "resources: a program linking it loads `:/skins/<file>`.\n"
                         "\n"
                         "- Window backgrounds (`*_back.png`) are opaque RGB; pure fuchsia (255, 0, 255)\n"
                         "  marks the outside of the window's shape, with hard edges, for\n"
                         "  `QImage::createMaskFromColor(qRgb(255, 0, 255))` and `QWidget::setMask`.\n"
                         "- Every button's resting look is drawn into its window's background. Each button\n"
                         "  picture is the background's rectangle under the button, redrawn in that state,\n"
                         "  opaque and without fuchsia, so it fits seamlessly whether it is drawn with or\n"
                         "  without transparency.\n"
                         "- The gallery pictures named `gallery_*` serve both galleries: both backgrounds\n"
                         "  are identical under those buttons.\n"
                         "- The live view backdrops are JPEG. The video panel sits at 16,11 in every\n"
                         "  backdrop; a dark frame of a few pixels around it absorbs a backdrop placed a\n"
                         "  pixel or two off. Their panel area is black, like the panel itself.\n"
                         "- The strip viewport of the galleries (17,18, 320x60) is drawn as a dark well\n"
                         "  whose floor is RGB(12, 14, 18); a viewport panel of that colour blends in.\n"
                         "- The status line of the main window (text at 48,25, in the highlight-text\n"
                         "  colour) sits in a dark well from 42,19 to 179,43.\n"
                         "\n"
                         "| File | Size | Where it goes |\n"
                         "|---|---|---|\n");
    for (const SkinFile& f : m_files)
        text += QStringLiteral("| `%1` | %2x%3 | %4 |\n")
                    .arg(f.name)
                    .arg(f.image.width())
                    .arg(f.image.height())
                    .arg(f.usage);
    return text;
}
