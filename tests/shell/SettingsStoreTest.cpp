// SPDX-License-Identifier: GPL-2.0-or-later
#include "core/SettingsStore.h"
#include "core/RegFile.h"
#include "core/WindowPositions.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <fcntl.h>
#include <functional>
#include <grp.h>
#include <limits>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

const QSize MainWindowSize(354, 124);
constexpr int ImageGalleryHeight = 148;

class ShellSettingsStore : public ::testing::Test {
protected:
    QString StorePath() const { return FDir.filePath("Tessaly/settings.reg"); }

    void WriteStoreFile(const QByteArray& text)
    {
        QDir().mkpath(FDir.filePath("Tessaly"));
        QFile file(StorePath());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(text);
    }

    QByteArray StoreFileText() const
    {
        QFile file(StorePath());
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    QTemporaryDir FDir;
};

const QByteArray Header = "Windows Registry Editor Version 5.00\n\n";

QByteArray GoodStoreText()
{
    return Header + "[HKEY_CURRENT_USER\\Software\\Tessaly\\SMTP]\n\"SmtpHost\"=\"mail.example.org\"\n";
}

} // namespace

TEST_F(ShellSettingsStore, FirstRunCreatesTheStoreAndPlacesTheWindowsByDefault)
{
    TSettingsStore store(StorePath());
    ASSERT_TRUE(QFile::exists(StorePath()));
    EXPECT_TRUE(StoreFileText().contains("[HKEY_CURRENT_USER\\Software\\Tessaly]"));

    const TWindowPositions p = ReadWindowPositions(store, MainWindowSize, ImageGalleryHeight);
    EXPECT_EQ(p.MainController.Left, 50);
    EXPECT_EQ(p.MainController.Top, 50);
    EXPECT_EQ(p.CamViewer.Left, 404);
    EXPECT_EQ(p.CamViewer.Top, 50);
    EXPECT_EQ(p.ImageGallery.Left, 50);
    EXPECT_EQ(p.ImageGallery.Top, 174);
    EXPECT_TRUE(p.ImageGallery.Visible);
    EXPECT_EQ(p.VideoGallery.Left, 50);
    EXPECT_EQ(p.VideoGallery.Top, 322);
    EXPECT_TRUE(p.VideoGallery.Visible);
}

TEST_F(ShellSettingsStore, DefaultPathFollowsXdgConfigHome)
{
    const QByteArray saved = qgetenv("XDG_CONFIG_HOME");
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(FDir.path()));
    EXPECT_EQ(TSettingsStore::DefaultFilePath(), StorePath());
    qputenv("XDG_CONFIG_HOME", saved);
}

TEST_F(ShellSettingsStore, HiddenPhotoGalleryStillPlacesTheVideoGalleryUnderIt)
{
    WriteStoreFile(Header
        + "[HKEY_CURRENT_USER\\Software\\Tessaly\\ImageGallery]\n"
          "\"Top\"=dword:000000c8\n\"Visible\"=\"0\"\n");
    TSettingsStore store(StorePath());
    const TWindowPositions p = ReadWindowPositions(store, MainWindowSize, ImageGalleryHeight);
    EXPECT_EQ(p.ImageGallery.Top, 200);
    EXPECT_FALSE(p.ImageGallery.Visible);
    EXPECT_EQ(p.VideoGallery.Top, 348);
    EXPECT_TRUE(p.VideoGallery.Visible);
}

TEST_F(ShellSettingsStore, NumbersStoredAsTextReadAsNumbersAndStayText)
{
    WriteStoreFile(Header
        + "[HKEY_CURRENT_USER\\Software\\Tessaly\\MainController]\n"
          "\"Left\"=\"120\"\n\"Top\"=\"abc\"\n");
    TSettingsStore store(StorePath());
    TWindowPositions p = ReadWindowPositions(store, MainWindowSize, ImageGalleryHeight);
    EXPECT_EQ(p.MainController.Left, 120);
    EXPECT_EQ(p.MainController.Top, 50);

    WriteWindowPositions(store, p);
    const QByteArray text = StoreFileText();
    EXPECT_TRUE(text.contains("\"Left\"=\"120\"\n\"Top\"=\"50\"\n")) << text.constData();
    // Values that did not exist are written as numbers.
    EXPECT_TRUE(text.contains("[HKEY_CURRENT_USER\\Software\\Tessaly\\CamViewer]\n"
                              "\"Left\"=dword:00000194\n\"Top\"=dword:00000032\n\"Visible\"=\"1\"\n"))
        << text.constData();
    EXPECT_EQ(store.ReadString("MainController", "Top", "x"), "50");
}

TEST_F(ShellSettingsStore, WritesInTheKeyTableOrder)
{
    TSettingsStore store(StorePath());
    TWindowPositions p;
    p.MainController = { 1, 2, true };
    p.CamViewer = { 3, 4, false };
    p.ImageGallery = { 5, 6, true };
    p.VideoGallery = { 7, 8, false };
    WriteWindowPositions(store, p);
    const QByteArray text = StoreFileText();
    qsizetype last = -1;
    for (const char* section : { "MainController", "CamViewer", "ImageGallery", "VideoGallery" }) {
        const qsizetype at = text.indexOf(QByteArray("Tessaly\\") + section + "]");
        EXPECT_GT(at, last) << section;
        last = at;
    }
    const TWindowPositions back = ReadWindowPositions(store, MainWindowSize, ImageGalleryHeight);
    EXPECT_EQ(back.VideoGallery.Top, 8);
    EXPECT_FALSE(back.VideoGallery.Visible);
    EXPECT_EQ(store.ReadString("CamViewer", "Visible", "?"), "0");
}

TEST_F(ShellSettingsStore, IntegersKeepTheirFullRangeAndBooleansAreText)
{
    TSettingsStore store(StorePath());
    store.WriteInteger("S", "Negative", -5);
    store.WriteInteger("S", "Min", INT_MIN);
    store.WriteInteger("S", "Max", INT_MAX);
    store.WriteBool("S", "On", true);
    store.WriteBool("S", "Off", false);
    EXPECT_TRUE(StoreFileText().contains("\"Negative\"=dword:fffffffb\n"));
    EXPECT_TRUE(StoreFileText().contains("\"On\"=\"1\"\n\"Off\"=\"0\"\n"));

    TSettingsStore other(StorePath()); // every write has landed in the file at once
    EXPECT_EQ(other.ReadInteger("S", "Negative", 0), -5);
    EXPECT_EQ(other.ReadInteger("S", "Min", 0), INT_MIN);
    EXPECT_EQ(other.ReadInteger("S", "Max", 0), INT_MAX);
    EXPECT_TRUE(other.ReadBool("S", "On", false));
    EXPECT_FALSE(other.ReadBool("S", "Off", true));
    EXPECT_TRUE(other.ReadBool("S", "Missing", true));
    EXPECT_FALSE(other.ReadBool("Missing", "Missing", false));
    other.WriteInteger("S", "Max", 7);
    EXPECT_EQ(TSettingsStore(StorePath()).ReadInteger("S", "Max", 0), 7);
    // Any number other than 0 is true.
    store.WriteInteger("S", "Two", 2);
    EXPECT_TRUE(store.ReadBool("S", "Two", false));
}

TEST_F(ShellSettingsStore, StringsSurviveQuotesBackslashesLineBreaksAndNonAscii)
{
    const QString tricky
        = QString::fromUtf8("C:\\Temp\\\"quoted\"\nline two \xed\x95\x9c\xea\xb8\x80 \xf0\x9f\x93\xb7");
    {
        TSettingsStore store(StorePath());
        store.WriteString("SMTP", "Server", tricky);
        store.WriteString("SMTP", "Empty", "");
        store.WriteInteger("SMTP", "Empty", 3); // an empty string value stays a string
    }
    const QByteArray text = StoreFileText();
    EXPECT_TRUE(text.contains("\"Server\"=\"C:\\\\Temp\\\\\\\"quoted\\\"\\nline two \xed\x95\x9c"))
        << text.constData();
    EXPECT_TRUE(text.contains("\"Empty\"=\"3\"")) << text.constData();
    TSettingsStore store(StorePath());
    EXPECT_EQ(store.ReadString("SMTP", "Server", ""), tricky);
    EXPECT_EQ(store.ReadString("SMTP", "Missing", "default"), "default");
}

TEST_F(ShellSettingsStore, NamesMatchWithoutRegardToCase)
{
    WriteStoreFile(
        Header + "[HKEY_CURRENT_USER\\Software\\Tessaly\\MainController]\n\"Left\"=dword:00000007\n");
    TSettingsStore store(StorePath());
    EXPECT_EQ(store.ReadInteger("maincontroller", "LEFT", 0), 7);
    store.WriteInteger("MAINCONTROLLER", "left", 8);
    const QByteArray text = StoreFileText();
    EXPECT_EQ(text.count("MainController"), 1);
    EXPECT_EQ(text.count("Left"), 1);
    EXPECT_FALSE(text.contains("MAINCONTROLLER"));
    EXPECT_EQ(store.ReadInteger("MainController", "Left", 0), 8);
}

TEST_F(ShellSettingsStore, DamagedFileGivesDefaultsOneWarningAndIsKeptAside)
{
    const QList<QByteArray> damaged {
        "garbage\x01\x02",
        Header + "[HKEY_CURRENT_USER\\Software\\Tessaly\\MainController]\n\"Left\"=dwo",
        Header + "[HKEY_LOCAL_MACHINE\\Software\\Other]\n\"Left\"=dword:00000001\n",
        Header + "[HKEY_CURRENT_USER\\Software\\Tessaly\\MainController]\n\"Left\"=hex:01,02\n",
        Header + "[HKEY_CURRENT_USER\\Software\\Tessaly\\MainController]\n\"Left\"=\"unterminated\n",
        "[HKEY_CURRENT_USER\\Software\\Tessaly\\MainController]\n\"Left\"=dword:00000001\n",
        Header + "\"Left\"=dword:00000001\n",
        Header + "[HKEY_CURRENT_USER\\Software\\Tessaly\\MainController]\n\"Left\"=\"\xff\xfe\"\n",
    };
    for (const QByteArray& bytes : damaged) {
        SCOPED_TRACE(bytes.constData());
        QFile::remove(StorePath() + ".bad");
        WriteStoreFile(bytes);
        testing::internal::CaptureStderr();
        TSettingsStore store(StorePath());
        EXPECT_EQ(store.ReadInteger("MainController", "Left", 50), 50);
        EXPECT_EQ(store.ReadInteger("MainController", "Left", 51), 51);
        const std::string warnings = testing::internal::GetCapturedStderr();
        EXPECT_EQ(std::count(warnings.begin(), warnings.end(), '\n'), 1) << warnings;
        EXPECT_NE(warnings.find("damaged"), std::string::npos) << warnings;

        QFile bad(StorePath() + ".bad");
        ASSERT_TRUE(bad.open(QIODevice::ReadOnly));
        EXPECT_EQ(bad.readAll(), bytes);

        store.WriteInteger("MainController", "Left", 9);
        EXPECT_EQ(store.ReadInteger("MainController", "Left", 0), 9);
        EXPECT_TRUE(ParseRegText(StoreFileText(), nullptr).has_value());
    }
}

TEST_F(ShellSettingsStore, LogsToItsCategoryDebugOnlyWhenSwitchedOnWarningsAlways)
{
    struct Line {
        QtMsgType Type;
        QString Text;
    };
    static QList<Line> lines;
    lines.clear();
    const QtMessageHandler previous
        = qInstallMessageHandler([](QtMsgType type, const QMessageLogContext& context, const QString& text) {
              if (QByteArray(context.category) == "glimview.settings")
                  lines.append({ type, text });
          });

    WriteStoreFile("garbage");
    TSettingsStore(StorePath()).ReadInteger("MainController", "Left", 0);
    ASSERT_EQ(lines.size(), 1);
    EXPECT_EQ(lines[0].Type, QtWarningMsg);
    EXPECT_TRUE(lines[0].Text.contains("damaged")) << lines[0].Text.toStdString();

    // A fresh file is made, read back and written without a word by default.
    lines.clear();
    TSettingsStore(StorePath()).WriteInteger("MainController", "Left", 7);
    TSettingsStore(StorePath()).WriteInteger("MainController", "Left", 8);
    EXPECT_TRUE(lines.isEmpty());

    // The rule the README gives for every module.
    QLoggingCategory::setFilterRules(QStringLiteral("glimview.*.debug=true"));
    TSettingsStore(StorePath()).WriteInteger("MainController", "Left", 9);
    QLoggingCategory::setFilterRules(QString());
    qInstallMessageHandler(previous);
    ASSERT_EQ(lines.size(), 2);
    EXPECT_EQ(lines[0].Type, QtDebugMsg);
    EXPECT_EQ(lines[0].Text.toStdString(), "read " + StorePath().toStdString());
    EXPECT_EQ(lines[1].Type, QtDebugMsg);
    EXPECT_EQ(lines[1].Text.toStdString(), "wrote " + StorePath().toStdString());
}

TEST_F(ShellSettingsStore, RegeditExportsInUtf16AndCrLfAreRead)
{
    const QString text = "Windows Registry Editor Version 5.00\r\n\r\n"
                         "[HKEY_CURRENT_USER\\Software\\Tessaly\\MainController]\r\n"
                         "\"Left\"=dword:0000007b\r\n\"Top\"=\"-20\"\r\n";
    QByteArray utf16("\xFF\xFE", 2);
    for (const QChar c : text) {
        utf16.append(char(c.unicode() & 0xFF));
        utf16.append(char(c.unicode() >> 8));
    }
    WriteStoreFile(utf16);
    TSettingsStore store(StorePath());
    testing::internal::CaptureStderr();
    EXPECT_EQ(store.ReadInteger("MainController", "Left", 0), 123);
    EXPECT_EQ(store.ReadInteger("MainController", "Top", 0), -20);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
}

TEST_F(ShellSettingsStore, WritesReplaceTheFileWholeAndLeaveNoTemporaryFiles)
{
    TSettingsStore store(StorePath());
    for (int i = 0; i < 50; ++i)
        store.WriteInteger("Loop", QString("Key%1").arg(i % 5), i);
    EXPECT_EQ(
        QDir(FDir.filePath("Tessaly")).entryList(QDir::Files | QDir::Hidden), QStringList { "settings.reg" });
    EXPECT_EQ(store.ReadInteger("Loop", "Key4", 0), 49);
    struct stat info { };
    ASSERT_EQ(::stat(QFile::encodeName(StorePath()).constData(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u); // settings are the user's own
}

// A run killed between writing a rewrite and renaming it leaves the
// temporary file; the next open removes those older than a day, and only
// those (a younger one may be another copy's rewrite under way).
TEST_F(ShellSettingsStore, TemporaryFilesOfAKilledRewriteGoAtTheNextOpenOnceADayOld)
{
    WriteStoreFile(GoodStoreText());
    const QString folder = FDir.filePath("Tessaly");
    const auto make = [&](const QString& name, qint64 ageSeconds) {
        QFile file(folder + u'/' + name);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("half a rewrite");
        file.close();
        const timespec then { ::time(nullptr) - ageSeconds, 0 };
        const timespec times[2] { then, then };
        ASSERT_EQ(::utimensat(AT_FDCWD, QFile::encodeName(file.fileName()).constData(), times, 0), 0);
    };
    make("settings.reg.Ab12Cd", 2 * 86400);
    make("settings.reg.Xy34Zw", 3600);
    make("settings.reg.bad", 2 * 86400); // a damaged file kept aside
    make("settings.reg.bad.12", 2 * 86400);
    make("settings.reg.Ab12Cde", 2 * 86400); // not a rewrite's name
    TSettingsStore store(StorePath());
    EXPECT_EQ(store.ReadString("SMTP", "SmtpHost", ""), "mail.example.org");
    EXPECT_EQ(QDir(folder).entryList(QDir::Files | QDir::Hidden, QDir::Name),
        QStringList({ "settings.reg", "settings.reg.Ab12Cde", "settings.reg.Xy34Zw", "settings.reg.bad",
            "settings.reg.bad.12" }));
}

namespace {

QByteArray FileBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

const QByteArray GoodStore
    = Header + "[HKEY_CURRENT_USER\\Software\\Tessaly\\SMTP]\n\"SmtpHost\"=\"mail.example.org\"\n";

} // namespace

TEST_F(ShellSettingsStore, FilesThatAreNotPlainReadableFilesAreSetAsideAndNeverOverwritten)
{
    QDir().mkpath(FDir.filePath("Tessaly"));
    const QByteArray path = QFile::encodeName(StorePath());
    // Each case leaves its own numbered ".bad"; none replaces an older one.
    const QList<std::function<void()>> cases {
        [&] { ASSERT_EQ(::symlink("/dev/zero", path.constData()), 0); },
        [&] { ASSERT_EQ(::mkfifo(path.constData(), 0600), 0); },
        [&] { WriteStoreFile(GoodStore + QByteArray(17 * 1024 * 1024, ';')); },
        [&] { WriteStoreFile("garbage"); },
    };
    QStringList expectedBad;
    for (int i = 0; i < cases.size(); ++i) {
        SCOPED_TRACE(i);
        cases[i]();
        testing::internal::CaptureStderr();
        TSettingsStore store(StorePath());
        const std::string warnings = testing::internal::GetCapturedStderr();
        EXPECT_NE(warnings.find("damaged"), std::string::npos) << warnings;
        EXPECT_EQ(store.ReadString("SMTP", "SmtpHost", "default"), QString("default"));
        expectedBad << (i == 0 ? QString("settings.reg.bad") : QString("settings.reg.bad.%1").arg(i));
        store.WriteInteger("MainController", "Left", 7);
        EXPECT_TRUE(QFileInfo(StorePath()).isFile());
        EXPECT_FALSE(QFileInfo(StorePath()).isSymLink());
        EXPECT_EQ(TSettingsStore(StorePath()).ReadInteger("MainController", "Left", 0), 7);
        QFile::remove(StorePath());
    }
    QStringList bad
        = QDir(FDir.filePath("Tessaly")).entryList({ "settings.reg.bad*" }, QDir::AllEntries | QDir::System);
    bad.sort();
    expectedBad.sort();
    EXPECT_EQ(bad, expectedBad);
    EXPECT_EQ(QFileInfo(FDir.filePath("Tessaly/settings.reg.bad")).symLinkTarget(), QString("/dev/zero"));
    EXPECT_EQ(FileBytes(FDir.filePath("Tessaly/settings.reg.bad.3")), QByteArray("garbage"));
}

// Runs `check` as an ordinary account (root reads every file), in a child
// process; true when it passed. The folder is handed to that account.
bool RunAsAnotherUser(const QString& folder, const std::function<bool()>& check)
{
    constexpr uid_t Nobody = 65534;
    if (::geteuid() == 0 && ::chown(QFile::encodeName(folder).constData(), Nobody, Nobody) != 0)
        return false;
    const pid_t child = ::fork();
    if (child == 0) {
        if (::geteuid() == 0
            && (::setgroups(0, nullptr) != 0 || ::setresgid(Nobody, Nobody, Nobody) != 0
                || ::setresuid(Nobody, Nobody, Nobody) != 0))
            ::_exit(2);
        ::_exit(check() ? 0 : 1);
    }
    int status = 0;
    return child > 0 && ::waitpid(child, &status, 0) == child && WIFEXITED(status)
        && WEXITSTATUS(status) == 0;
}

TEST_F(ShellSettingsStore, AFileTheUserCannotReadIsKeptAsideNotReplaced)
{
    const QString folder = FDir.filePath("Tessaly");
    ASSERT_EQ(
        ::chmod(QFile::encodeName(FDir.path()).constData(), 0711), 0); // the other account passes through
    for (const bool rootOwned : { false, true }) {
        SCOPED_TRACE(rootOwned ? "left owned by root after a run under sudo" : "mode 000");
        if (rootOwned && ::geteuid() != 0)
            continue; // only root can leave a file of root's behind
        QDir(folder).removeRecursively();
        WriteStoreFile(GoodStore);
        const QByteArray path = QFile::encodeName(StorePath());
        if (rootOwned) {
            ASSERT_EQ(::chmod(path.constData(), 0600), 0);
        } else {
            ASSERT_EQ(::chmod(path.constData(), 0000), 0);
            if (::geteuid() == 0) {
                ASSERT_EQ(::chown(path.constData(), 65534, 65534), 0);
            }
        }
        const bool passed = RunAsAnotherUser(folder, [&] {
            TSettingsStore store(StorePath());
            if (store.ReadString("SMTP", "SmtpHost", "default") != "default")
                return false;
            store.WriteInteger("MainController", "Left", 5);
            return TSettingsStore(StorePath()).ReadInteger("MainController", "Left", 0) == 5;
        });
        EXPECT_TRUE(passed);
        // The unreadable file keeps its contents, the SMTP section with them.
        QFile::setPermissions(StorePath() + ".bad", QFileDevice::ReadOwner);
        EXPECT_EQ(FileBytes(StorePath() + ".bad"), GoodStore);
        EXPECT_EQ(TSettingsStore(StorePath()).ReadInteger("MainController", "Left", 0), 5);
    }
}

TEST_F(ShellSettingsStore, ALinkedFileIsWrittenThroughToItsTarget)
{
    QTemporaryDir elsewhere;
    const QString target = elsewhere.filePath("kept-settings.reg");
    {
        QFile file(target);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(GoodStore);
    }
    QDir().mkpath(FDir.filePath("Tessaly"));
    ASSERT_TRUE(QFile::link(target, StorePath()));
    {
        TSettingsStore store(StorePath());
        EXPECT_EQ(store.ReadString("SMTP", "SmtpHost", ""), QString("mail.example.org"));
        store.WriteInteger("MainController", "Left", 77);
    }
    EXPECT_TRUE(QFileInfo(StorePath()).isSymLink());
    EXPECT_EQ(TSettingsStore(target).ReadInteger("MainController", "Left", 0), 77);
    EXPECT_EQ(TSettingsStore(target).ReadString("SMTP", "SmtpHost", ""), QString("mail.example.org"));
}

TEST_F(ShellSettingsStore, ReadsComeFromOneParseAndSavingThePositionsIsOneRewrite)
{
    WriteStoreFile(
        Header + "[HKEY_CURRENT_USER\\Software\\Tessaly\\MainController]\n\"Left\"=dword:00000011\n");
    TSettingsStore store(StorePath());
    // A change made behind the store's back after it opened is not read.
    WriteStoreFile(
        Header + "[HKEY_CURRENT_USER\\Software\\Tessaly\\MainController]\n\"Left\"=dword:00000022\n");
    EXPECT_EQ(store.ReadInteger("MainController", "Left", 0), 0x11);

    // Every replacement of the file is a rename onto its name.
    const int watch = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    ASSERT_GE(watch, 0);
    ASSERT_GE(
        ::inotify_add_watch(watch, QFile::encodeName(FDir.filePath("Tessaly")).constData(), IN_MOVED_TO), 0);
    TWindowPositions positions = ReadWindowPositions(store, MainWindowSize, ImageGalleryHeight);
    positions.MainController.Left = 3;
    WriteWindowPositions(store, positions);
    int renames = 0;
    alignas(inotify_event) char buffer[4096];
    for (ssize_t length; (length = ::read(watch, buffer, sizeof buffer)) > 0;)
        for (char* at = buffer; at < buffer + length;) {
            const auto* event = reinterpret_cast<const inotify_event*>(at);
            renames += event->len > 0 && QByteArray(event->name) == "settings.reg";
            at += sizeof(inotify_event) + event->len;
        }
    ::close(watch);
    EXPECT_EQ(renames, 1);
    EXPECT_EQ(TSettingsStore(StorePath()).ReadInteger("MainController", "Left", 0), 3);
}

namespace {

QByteArray ManySections(int sections)
{
    QByteArray text = Header;
    for (int i = 0; i < sections; ++i)
        text += "[HKEY_CURRENT_USER\\Software\\Tessaly\\Section" + QByteArray::number(i)
            + "]\n\"Key\"=dword:" + QByteArray::number(i, 16).rightJustified(8, '0') + "\n";
    return text;
}

// The shortest of three parses, in nanoseconds.
qint64 ParseTime(const QByteArray& text)
{
    qint64 best = std::numeric_limits<qint64>::max();
    for (int run = 0; run < 3; ++run) {
        QElapsedTimer timer;
        timer.start();
        const auto document = ParseRegText(text, nullptr);
        best = std::min(best, timer.nsecsElapsed());
        EXPECT_TRUE(document.has_value());
    }
    return best;
}

} // namespace

// Eight times the sections take about eight times as long, nowhere near the
// sixty-four times of a search through all sections at every header (80,000
// sections once took 20 s). The speed itself is the benchmark's.
TEST_F(ShellSettingsStore, ParsingIsLinearInTheNumberOfSections)
{
    const QByteArray few = ManySections(10000);
    const QByteArray many = ManySections(80000);
    const auto document = ParseRegText(many, nullptr);
    ASSERT_TRUE(document.has_value());
    ASSERT_EQ(document->Sections.size(), 80000u);
    const TRegSection* last = document->FindSection("section79999");
    ASSERT_NE(last, nullptr);
    EXPECT_EQ(last->FindValue("Key")->Number, 79999u);
    const double ratio = double(ParseTime(many)) / double(ParseTime(few));
    EXPECT_LT(ratio, 30.0);
}
