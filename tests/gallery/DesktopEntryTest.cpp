// SPDX-License-Identifier: GPL-2.0-or-later
#include "gallery/DesktopEntry.h"
#include "gallery/DesktopExec.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

namespace {

const QString Clip = QStringLiteral("/media/my clip's \"1\" $HOME.wmv");

QStringList Expand(const QString& exec, const QString& icon = QStringLiteral("player-icon"))
{
    TDesktopEntry entry;
    entry.FilePath = QStringLiteral("/apps/player.desktop");
    entry.Name = QStringLiteral("Clip Player");
    entry.Icon = icon;
    entry.Exec = exec;
    return ExecArguments(entry, Clip);
}

void WriteFile(const QString& path, const QByteArray& content)
{
    QDir().mkpath(path.section(u'/', 0, -2));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(content);
}

// The applications folders of a desktop of the test's own.
class DesktopEntries : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(Root.isValid());
        qputenv("XDG_DATA_HOME", QFile::encodeName(Root.filePath(QStringLiteral("user"))));
        qputenv("XDG_DATA_DIRS", QFile::encodeName(Root.filePath(QStringLiteral("system"))));
    }
    void TearDown() override
    {
        SavedDataHome.isNull() ? qunsetenv("XDG_DATA_HOME") : qputenv("XDG_DATA_HOME", SavedDataHome);
        SavedDataDirs.isNull() ? qunsetenv("XDG_DATA_DIRS") : qputenv("XDG_DATA_DIRS", SavedDataDirs);
    }
    QString User() const { return Root.filePath(QStringLiteral("user/applications")); }
    QString System() const { return Root.filePath(QStringLiteral("system/applications")); }

    QTemporaryDir Root;
    const QByteArray SavedDataHome
        = qEnvironmentVariableIsSet("XDG_DATA_HOME") ? qgetenv("XDG_DATA_HOME") : QByteArray();
    const QByteArray SavedDataDirs
        = qEnvironmentVariableIsSet("XDG_DATA_DIRS") ? qgetenv("XDG_DATA_DIRS") : QByteArray();
};

} // namespace

TEST(DesktopExec, ExpandsTheExecLineAsTheDesktopEntryFormatSays)
{
    // Each file code takes the path as one argument, spaces and quotes included.
    for (const char* code : { "%f", "%F", "%u", "%U" })
        EXPECT_EQ(Expand(QStringLiteral("player ") + QLatin1String(code)), (QStringList { "player", Clip }))
            << code;
    // Name, icon and the entry's own file; no file code: the file comes last.
    EXPECT_EQ(Expand(QStringLiteral("\"/opt/my player/run\" --title=%c %i %k")),
        (QStringList { "/opt/my player/run", "--title=Clip Player", "--icon", "player-icon",
            "/apps/player.desktop", Clip }));
    EXPECT_EQ(Expand(QStringLiteral("player %i %f"), QString()), (QStringList { "player", Clip }));
    // Only one file, so only the first file code gets it.
    EXPECT_EQ(Expand(QStringLiteral("player --uri=%u %F")), (QStringList { "player", "--uri=" + Clip }));
    // Deprecated and unknown codes go, with any argument they leave empty.
    EXPECT_EQ(Expand(QStringLiteral("player %d %D %n %N %v %m %z %f")), (QStringList { "player", Clip }));
    // Quoting: \" \` \$ \\ inside quotes, an empty quoted argument stays, %% is a percent sign.
    EXPECT_EQ(Expand(QStringLiteral("player \"a \\\"b\\\" \\$c \\\\ \\`\" \"\" 100%% %f")),
        (QStringList { "player", "a \"b\" $c \\ `", "", "100%", Clip }));
    EXPECT_EQ(Expand(QStringLiteral("  player\t-x  %f  ")), (QStringList { "player", "-x", Clip }));
    // A quote that never closes, or no program at all: nothing to start.
    EXPECT_TRUE(Expand(QStringLiteral("player \"unclosed %f")).isEmpty());
    EXPECT_TRUE(Expand(QStringLiteral(" %m ")).isEmpty());
}

TEST_F(DesktopEntries, AreFoundByIdAndReadWithTheirEscapes)
{
    // The string escapes come off first, then the Exec quoting: four
    // backslashes in the file are one in the argument.
    WriteFile(System() + QStringLiteral("/kde/player.desktop"),
        "# a comment\n[Desktop Entry]\nType=Application\nName=Player\nIcon=player\nPath=/srv\n"
        "Exec=player\\s--title \"a\\\\\\\\b \\\\$x\" %u\nTerminal=true\n"
        "[Desktop Action other]\nExec=other %u\n");
    const auto entry = FindDesktopEntry(QStringLiteral("kde-player.desktop"));
    ASSERT_TRUE(entry.has_value());
    EXPECT_EQ(entry->FilePath, System() + QStringLiteral("/kde/player.desktop"));
    EXPECT_EQ(entry->Name, QStringLiteral("Player"));
    EXPECT_EQ(entry->WorkingFolder, QStringLiteral("/srv"));
    EXPECT_TRUE(entry->Terminal);
    EXPECT_EQ(ExecArguments(*entry, Clip), (QStringList { "player", "--title", "a\\b $x", Clip }));

    // The user's entry comes first, and hiding it takes the system's away.
    WriteFile(
        System() + QStringLiteral("/shared.desktop"), "[Desktop Entry]\nType=Application\nExec=system %f\n");
    ASSERT_TRUE(FindDesktopEntry(QStringLiteral("shared.desktop")).has_value());
    WriteFile(
        User() + QStringLiteral("/shared.desktop"), "[Desktop Entry]\nType=Application\nExec=user %f\n");
    EXPECT_EQ(FindDesktopEntry(QStringLiteral("shared.desktop"))->Exec, QStringLiteral("user %f"));
    WriteFile(User() + QStringLiteral("/shared.desktop"),
        "[Desktop Entry]\nType=Application\nHidden=true\nExec=user %f\n");
    EXPECT_FALSE(FindDesktopEntry(QStringLiteral("shared.desktop")).has_value());

    // Entries that must not be started.
    WriteFile(User() + QStringLiteral("/link.desktop"), "[Desktop Entry]\nType=Link\nURL=file:///\n");
    WriteFile(User() + QStringLiteral("/noexec.desktop"), "[Desktop Entry]\nType=Application\n");
    WriteFile(User() + QStringLiteral("/gone.desktop"),
        "[Desktop Entry]\nType=Application\nTryExec=no-such-player-here\nExec=no-such-player-here %f\n");
    WriteFile(User() + QStringLiteral("/there.desktop"),
        "[Desktop Entry]\nType=Application\nTryExec=sh\nExec=sh %f\n");
    EXPECT_FALSE(FindDesktopEntry(QStringLiteral("link.desktop")).has_value());
    EXPECT_FALSE(FindDesktopEntry(QStringLiteral("noexec.desktop")).has_value());
    EXPECT_FALSE(FindDesktopEntry(QStringLiteral("gone.desktop")).has_value());
    EXPECT_TRUE(FindDesktopEntry(QStringLiteral("there.desktop")).has_value());
    EXPECT_FALSE(FindDesktopEntry(QStringLiteral("missing.desktop")).has_value());
    EXPECT_FALSE(FindDesktopEntry(QString()).has_value());
    EXPECT_FALSE(FindDesktopEntry(QStringLiteral("../applications/there.desktop")).has_value());
}
