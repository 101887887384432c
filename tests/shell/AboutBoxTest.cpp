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

struct TTessalyTestAccess {
    static const QLabel* Version(const TTessaly& box) { return box.Label2; }
    static const QLabel* Rights(const TTessaly& box) { return box.Label3; }
};

namespace {

TEST(AboutBox, TextsFollowTheSystemLanguage)
{
    static int argc = 1;
    static char name[] = "about_box_tests";
    static char* argv[] = { name, nullptr };
    QApplication app(argc, argv);
    TTessaly about;
    const QLabel* rights = TTessalyTestAccess::Rights(about);
    const QLabel* version = TTessalyTestAccess::Version(about);
    // The rights line fits the box's width and height, wrapped where it must.
    const auto expectWhole = [&] {
        const QRect line = rights->geometry();
        EXPECT_LE(line.right(), about.width() - 8);
        EXPECT_LE(line.bottom(), about.height() - 8);
        EXPECT_GE(line.height(), rights->heightForWidth(line.width()));
        EXPECT_EQ(about.width(), 338);
    };
    about.ApplyTexts(0x0412);
    EXPECT_EQ(about.windowTitle(), QStringLiteral("Tessaly ") + QString::fromUtf8("정보"));
    const QString korean = rights->text();
    for (const char* part :
        { "Norvel Electronics Inc.", "GNU GPL", "버전 2 또는 그 이후", "자유 소프트웨어" })
        EXPECT_TRUE(korean.contains(QString::fromUtf8(part))) << korean.toStdString();
    EXPECT_FALSE(korean.contains(QString::fromUtf8("권리"))) << "no rights reserved in free software";
    expectWhole();

    about.ApplyTexts(0x0409);
    EXPECT_EQ(about.windowTitle(), QStringLiteral("Tessaly Information"));
    const QString english = rights->text();
    for (const char* part : { "Norvel Electronics Inc.", "free software", "GNU GPL", "version 2 or later" })
        EXPECT_TRUE(english.contains(QString::fromUtf8(part), Qt::CaseInsensitive)) << english.toStdString();
    EXPECT_FALSE(english.contains(QStringLiteral("rights reserved"), Qt::CaseInsensitive));
    expectWhole();
    about.ApplyTexts(0x0409);
    EXPECT_EQ(rights->text(), english);
    // The project's version, in the about box's four-part form.
    EXPECT_EQ(version->text(), QStringLiteral("Version: " GLIMVIEW_VERSION));
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^Version: \\d+\\.\\d{4}\\.\\d{4}\\.\\d{2}$"))
                    .match(version->text())
                    .hasMatch())
        << version->text().toStdString();

    about.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&about));
    QTest::keyClick(&about, Qt::Key_Escape);
    EXPECT_FALSE(about.isVisible());
}

} // namespace
