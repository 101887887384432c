// SPDX-License-Identifier: GPL-2.0-or-later
// skingen: draws every picture of Glimview's skin.
//   skingen <skins folder> [preview.png]
#include "catalogue.h"
#include "skinset.h"

#include <QGuiApplication>
#include <QTextStream>

int main(int argc, char* argv[])
{
    // Drawing text needs a GUI application but no display.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    QTextStream err(stderr);
    const QStringList args = app.arguments();
    if (args.size() < 2 || args.size() > 3) {
        err << "usage: skingen <skins folder> [preview.png]\n";
        return 2;
    }

    Catalogue catalogue;
    exportWindow(catalogue, mainWindowSkin(), QStringLiteral("main_back.png"));
    addGallerySkins(catalogue);
    addLiveBackdrops(catalogue);
    addProductIcons(catalogue);

    QString error;
    if (!catalogue.write(args.at(1), &error)) {
        err << "skingen: " << error << '\n';
        return 1;
    }
    if (args.size() == 3 && !composePreview(catalogue).save(args.at(2))) {
        err << "skingen: cannot write " << args.at(2) << '\n';
        return 1;
    }
    return 0;
}
