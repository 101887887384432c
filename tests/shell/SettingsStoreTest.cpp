// SPDX-License-Identifier: GPL-2.0-or-later
#include "SettingsStore.h"
#include "RegFile.h"
#include "WindowPositions.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <climits>
#include <sys/stat.h>

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

    TSettingsStore other(StorePath()); // no cache: a second store sees every write at once
    EXPECT_EQ(other.ReadInteger("S", "Negative", 0), -5);
    EXPECT_EQ(other.ReadInteger("S", "Min", 0), INT_MIN);
    EXPECT_EQ(other.ReadInteger("S", "Max", 0), INT_MAX);
    EXPECT_TRUE(other.ReadBool("S", "On", false));
    EXPECT_FALSE(other.ReadBool("S", "Off", true));
    EXPECT_TRUE(other.ReadBool("S", "Missing", true));
    EXPECT_FALSE(other.ReadBool("Missing", "Missing", false));
    other.WriteInteger("S", "Max", 7);
    EXPECT_EQ(store.ReadInteger("S", "Max", 0), 7);
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
        TSettingsStore store(StorePath());

        testing::internal::CaptureStderr();
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
