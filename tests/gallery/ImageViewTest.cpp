// SPDX-License-Identifier: GPL-2.0-or-later
#include "GalleryTestSupport.h"
#include "core/LanguageTexts.h"
#include "gallery/FileCreateError.h"
#include "gallery/ImageViewFrm.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QDir>
#include <QFile>
#include <QMenuBar>
#include <QMessageBox>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

namespace {

// A paint program that writes the arguments it got, one per line, beside itself.
QString WriteFakePaint(const QString& folder, const QString& name)
{
    const QString program = QDir(folder).filePath(name);
    QFile script(program);
    script.open(QIODevice::WriteOnly);
    script.write("#!/bin/sh\nfor a in \"$@\"; do printf '%s\\n' \"$a\"; done > \"$0.args.tmp\"\nmv "
                 "\"$0.args.tmp\" \"$0.args\"\n");
    script.close();
    script.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    return program;
}

// Points the user's documents folder at the given one, as the desktop's
// user-dirs.dirs does.
void SetDocumentsFolder(const QString& configHome, const QString& documents)
{
    QDir().mkpath(configHome);
    QFile dirs(QDir(configHome).filePath(QStringLiteral("user-dirs.dirs")));
    dirs.open(QIODevice::WriteOnly | QIODevice::Truncate);
    dirs.write("XDG_DOCUMENTS_DIR=\"" + QFile::encodeName(documents) + "\"\n");
}

QByteArray ReadAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

TEST(ImageView, EditWritesTheBitmapToTheDocumentsFolderAndStartsThePaintProgram)
{
    EnsureApplication();
    QTemporaryDir home;
    // A documents folder whose name needs quoting in any shell.
    const QString documents = home.filePath(QStringLiteral("My Docs; touch pwned"));
    ASSERT_TRUE(QDir().mkpath(documents));
    const QString bin = home.filePath(QStringLiteral("bin"));
    ASSERT_TRUE(QDir().mkpath(bin));
    const QString paint = WriteFakePaint(bin, QStringLiteral("mspaint"));
    const QByteArray savedPath = qgetenv("PATH");
    const QByteArray savedConfig = qgetenv("XDG_CONFIG_HOME");
    const QString config = home.filePath(QStringLiteral("config"));
    qputenv("PATH", QFile::encodeName(bin) + ':' + savedPath);
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(config));
    SetDocumentsFolder(config, documents);

    auto* viewer = new TImageViewForm(nullptr);
    viewer->SetPicture(QuarteredPicture(320, 240));
    viewer->show();
    // The menu bar's one item.
    QAction* miEdit = viewer->menuBar()->actions().value(0);
    ASSERT_TRUE(miEdit);
    EXPECT_EQ(miEdit->text(), QStringLiteral("&Edit in MS-Paint"));
    const QString expected = QDir(documents).filePath(QStringLiteral("snapshot.bmp"));
    EXPECT_EQ(TImageViewForm::ExportFileName(), expected);

    miEdit->trigger();
    ASSERT_TRUE(QTest::qWaitFor([&] { return QFile::exists(paint + QStringLiteral(".args")); }, 10000));
    EXPECT_EQ(ReadAll(paint + QStringLiteral(".args")), QFile::encodeName(expected) + '\n');
    const QImage exported(expected, "BMP");
    ASSERT_EQ(exported.size(), QSize(320, 240));
    EXPECT_EQ(exported.pixel(300, 200), QuarteredPicture(320, 240).pixel(300, 200));

    // A second edit overwrites the same file.
    QFile::remove(paint + QStringLiteral(".args"));
    viewer->SetPicture(QuarteredPicture(160, 120));
    miEdit->trigger();
    ASSERT_TRUE(QTest::qWaitFor([&] { return QFile::exists(paint + QStringLiteral(".args")); }, 10000));
    EXPECT_EQ(QImage(expected, "BMP").size(), QSize(160, 120));

    // A documents folder that does not exist yet is created for the export.
    QFile::remove(paint + QStringLiteral(".args"));
    const QString fresh = home.filePath(QStringLiteral("missing/folder"));
    SetDocumentsFolder(config, fresh);
    viewer->miEditClick();
    ASSERT_TRUE(QTest::qWaitFor([&] { return QFile::exists(paint + QStringLiteral(".args")); }, 10000));
    EXPECT_EQ(QImage(QDir(fresh).filePath(QStringLiteral("snapshot.bmp")), "BMP").size(), QSize(160, 120));

    // An export that cannot be written (a file stands where the folder
    // would be) raises the creation error and starts nothing.
    QFile::remove(paint + QStringLiteral(".args"));
    QFile blocker(home.filePath(QStringLiteral("blocker")));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    SetDocumentsFolder(config, home.filePath(QStringLiteral("blocker/folder")));
    EXPECT_THROW(viewer->miEditClick(), EFCreateError);
    EXPECT_FALSE(QFile::exists(paint + QStringLiteral(".args")));

    // With no paint program and no desktop program for bitmaps the user is
    // told so, in the language of the loaded file.
    QFile::remove(paint);
    SetDocumentsFolder(config, documents);
    qputenv("PATH", QFile::encodeName(bin));
    const QByteArray savedDesktop = qgetenv("XDG_CURRENT_DESKTOP");
    qunsetenv("XDG_CURRENT_DESKTOP");
    const TLanguageTexts savedTexts = LanguageTexts;
    LanguageTexts = TLanguageTexts({ { "NoPaintProgramMsg", QStringLiteral("Nothing here paints.") } });
    QStringList messages;
    {
        TModalHand hand([&](QWidget* modal) {
            if (auto* box = qobject_cast<QMessageBox*>(modal))
                messages << box->text();
            ClickMessageBoxButton(modal, QStringLiteral("OK"));
        });
        miEdit->trigger();
    }
    EXPECT_EQ(messages, QStringList { QStringLiteral("Nothing here paints.") });
    LanguageTexts = savedTexts;
    qputenv("XDG_CURRENT_DESKTOP", savedDesktop);

    qputenv("PATH", savedPath);
    qputenv("XDG_CONFIG_HOME", savedConfig);
    viewer->close();
}
