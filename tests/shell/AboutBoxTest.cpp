// SPDX-License-Identifier: GPL-2.0-or-later
// The about box: its two text variants, chosen by the system's language.
#include "shell/Unit1.h"
#include "shell/Version.h"

#include <QApplication>
#include <QLabel>
#include <QRegularExpression>

#include <gtest/gtest.h>

namespace {

TEST(AboutBox, TextsFollowTheSystemLanguage)
{
    static int argc = 1;
    static char name[] = "about_box_tests";
    static char* argv[] = { name, nullptr };
    QApplication app(argc, argv);
    TTessaly about;
    about.ApplyTexts(0x0412);
    EXPECT_EQ(about.windowTitle(), QStringLiteral("Tessaly ") + QString::fromUtf8("정보"));
    const QString korean = about.Label3->text();
    EXPECT_TRUE(korean.contains(QString::fromUtf8("권리"))) << korean.toStdString();
    EXPECT_EQ(about.Label3->width(), 305);

    about.ApplyTexts(0x0409);
    EXPECT_EQ(about.windowTitle(), QStringLiteral("Tessaly Information"));
    const QString english = about.Label3->text();
    EXPECT_TRUE(english.contains(QStringLiteral("All rights reserved")));
    about.ApplyTexts(0x0409);
    EXPECT_EQ(about.Label3->text(), english);
    // The project's version, in the about box's four-part form.
    EXPECT_EQ(about.Label2->text(), QStringLiteral("Version: " GLIMVIEW_VERSION));
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^Version: \\d+\\.\\d{4}\\.\\d{4}\\.\\d{2}$"))
                    .match(about.Label2->text())
                    .hasMatch())
        << about.Label2->text().toStdString();
    EXPECT_EQ(about.size(), QSize(338, 86));
}

} // namespace
