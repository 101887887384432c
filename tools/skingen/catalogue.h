// SPDX-License-Identifier: GPL-2.0-or-later
// The list of pictures the generator makes: each with its file name, its
// image and a line saying where it is used. It writes the pictures, the
// resource list and the README table from the same list, so the three never
// disagree.
#pragma once

#include <QImage>
#include <QList>
#include <QString>

#include <functional>

class QPainter;

struct SkinFile {
    QString name; // file name inside skins/, e.g. "main_snapshot_over.png"
    QImage image;
    QString usage; // window, control and state, for the README
    // Set for a scalable picture (.svg): its drawing, replayed into SVG. Such
    // files are for the desktop and stay out of the program's resources.
    std::function<void(QPainter&)> drawing;
};

class Catalogue {
public:
    void add(const QString& name, const QImage& image, const QString& usage);
    void addScalable(
        const QString& name, QSize size, const std::function<void(QPainter&)>& drawing, const QString& usage);
    const QList<SkinFile>& files() const { return m_files; }
    QImage image(const QString& name) const;

    // Writes every picture (PNG, or JPEG for names ending .jpg), skins.qrc and
    // README.md into `folder`. Returns false with a message on the first failure.
    bool write(const QString& folder, QString* error) const;

private:
    QString qrcText() const;
    QString readmeText() const;

    QList<SkinFile> m_files;
};
