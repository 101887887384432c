// SPDX-License-Identifier: GPL-2.0-or-later
// The about box: its two text variants, chosen by the system's language,
// each naming the maker and the licence and shown whole; Esc closes it.
#include "shell/Unit1.h"
#include "shell/Version.h"

#include <QApplication>
#include <QLabel>
#include <QRegularExpression>
#include <QTest>

#include <gtest/gtest.h>

namespace {

TEST(AboutBox, TextsFollowTheSystemLanguage)
{
    static int argc = 1;
    static char name[] = "about_box_tests";
    static char* argv[] = { name, nullptr };
    QApplication app(argc, argv);
    TTessaly about;
    // The rights line fits the box's width and height, wrapped where it must.
    const auto expectWhole = [&] {
        const QRect line = about.Label3->geometry();
        EXPECT_LE(line.right(), about.width() - 8);
        EXPECT_LE(line.bottom(), about.height() - 8);
        EXPECT_GE(line.height(), about.Label3->heightForWidth(line.width()));
        EXPECT_EQ(about.width(), 338);
    };
    about.ApplyTexts(0x0412);
    EXPECT_EQ(about.windowTitle(), QStringLiteral("Tessaly ") + QString::fromUtf8("정보"));
    const QString korean = about.Label3->text();
    for (const char* part :
        { "Norvel Electronics Inc.", "GNU GPL", "버전 2 또는 그 이후", "자유 소프트웨어" })
        EXPECT_TRUE(korean.contains(QString::fromUtf8(part))) << korean.toStdString();
    EXPECT_FALSE(korean.contains(QString::fromUtf8("권리"))) << "no rights reserved in free software";
    expectWhole();

    about.ApplyTexts(0x0409);
    EXPECT_EQ(about.windowTitle(), QStringLiteral("Tessaly Information"));
    const QString english = about.Label3->text();
    for (const char* part : { "Norvel Electronics Inc.", "free software", "GNU GPL", "version 2 or later" })
        EXPECT_TRUE(english.contains(QString::fromUtf8(part), Qt::CaseInsensitive)) << english.toStdString();
    EXPECT_FALSE(english.contains(QStringLiteral("rights reserved"), Qt::CaseInsensitive));
    expectWhole();
    about.ApplyTexts(0x0409);
    EXPECT_EQ(about.Label3->text(), english);
    // The project's version, in the about box's four-part form.
    EXPECT_EQ(about.Label2->text(), QStringLiteral("Version: " GLIMVIEW_VERSION));
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^Version: \\d+\\.\\d{4}\\.\\d{4}\\.\\d{2}$"))
                    .match(about.Label2->text())
                    .hasMatch())
        << about.Label2->text().toStdString();

    about.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&about));
    QTest::keyClick(&about, Qt::Key_Escape);
    EXPECT_FALSE(about.isVisible());
}

} // namespace
