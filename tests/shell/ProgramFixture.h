// SPDX-License-Identifier: GPL-2.0-or-later
// What the tests of the real program share: the program started as a user
// starts it, with runtime and settings folders of the test's own; an X
// server of the test's own with the X client tools; and what they read back
// of the program's windows, files and clips.
#pragma once

#include "CoreApplication.h"
#include "LiveViewPicture.h"
#include "TempHome.h"
#include "XvfbServer.h"
#include "core/MessagePort.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QProcess>
#include <QRect>
#include <QString>
#include <QStringList>
#include <QTest>

#include <gtest/gtest.h>

#include <csignal>
#include <vector>

inline const QString ProductTitle = QStringLiteral("Tessaly - Norvel Electronics Inc.");
inline const QString Program = QStringLiteral(GLIMVIEW_RUN_DIR "/glimview");

class ProgramTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { test_support::EnsureApplication(); }

    void SetUp() override
    {
        ASSERT_TRUE(Folder.isValid());
        // The program and this test must agree on where the ports live.
        qputenv("XDG_RUNTIME_DIR", Folder.Runtime().toUtf8());
        Env = QProcessEnvironment::systemEnvironment();
        Env.insert(QStringLiteral("XDG_CONFIG_HOME"), Folder.filePath(QStringLiteral("config")));
        Env.insert(QStringLiteral("LC_ALL"), QStringLiteral("en_US.UTF-8"));
    }

    void TearDown() override
    {
        for (QProcess* p : Started) {
            p->kill();
            p->waitForFinished(5000);
            delete p;
        }
    }

    QProcess* Start(
        const QProcessEnvironment& env, const QString& workingFolder = QStringLiteral(GLIMVIEW_RUN_DIR))
    {
        auto* p = new QProcess();
        p->setProcessEnvironment(env);
        p->setWorkingDirectory(workingFolder);
        p->start(Program, {});
        Started.push_back(p);
        return p;
    }

    // A run folder of the test's own: the languages, and a Temp folder when asked.
    QString MakeRunFolder(bool withTemp)
    {
        const QString run = Folder.filePath(QStringLiteral("run"));
        QDir().mkpath(run);
        QFile::link(QStringLiteral(GLIMVIEW_RUN_DIR "/Languages"), run + QStringLiteral("/Languages"));
        if (withTemp)
            QDir().mkpath(run + QStringLiteral("/Temp"));
        return run;
    }

    QString RuntimeFile(const QString& name) const { return Folder.Runtime() + u'/' + name; }
    // The map files under the names this test process gives them.
    QString MapFile(const char* mapName) const
    {
        return RuntimeFile(
            QString::fromLatin1(mapName) + QString::fromLocal8Bit(qgetenv("GLIMVIEW_SHM_SUFFIX")));
    }

    QProcessEnvironment Offscreen(bool withCamera = false) const
    {
        QProcessEnvironment env = Env;
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        env.insert(
            QStringLiteral("VIDCORE_TEST_DEVICES"), withCamera ? QStringLiteral("1") : QStringLiteral("0"));
        return env;
    }

    // What the close button leaves: the clip files deleted (the kept name
    // shows the clip was complete), the window positions saved, the maps and
    // the port gone.
    void ExpectClosedAsByItsCloseButton(QProcess& program, const QString& temp, const QString& kept) const;
    // The maps and the port are gone, in the runtime folder and in /dev/shm.
    void ExpectNothingLeftInTheRuntimeFolder() const;

    test_support::TempHome Folder;
    QProcessEnvironment Env;
    std::vector<QProcess*> Started;
};

// The test's own X server (see XvfbServer), with the X client tools the
// window checks need.
class TXvfb {
public:
    explicit TXvfb(int width = 1280, int height = 800, bool withOpenGL = true)
        : FServer(width, height, withOpenGL)
        , Display(QString::fromStdString(FServer.display()))
    {
    }
    // Runs an X client tool against this display; its standard output.
    QByteArray Run(const QString& tool, QStringList arguments) const
    {
        QProcess process;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("DISPLAY"), Display);
        process.setProcessEnvironment(env);
        process.start(tool, arguments);
        process.waitForFinished(10000);
        return process.readAllStandardOutput();
    }
    QImage Shot() const { return test_support::ScreenShot(Display); }
    // The top-level windows named exactly `title`.
    QList<quint32> WindowsNamed(const QString& title) const
    {
        QList<quint32> windows;
        const QString tree = QString::fromUtf8(
            Run(QStringLiteral("xwininfo"), { QStringLiteral("-root"), QStringLiteral("-children") }));
        for (const QString& line : tree.split(u'\n')) {
            const QString trimmed = line.trimmed();
            // 0x200051 "name": ("glimview" "Glimview")  363x86+36+313  +36+313
            if (trimmed.startsWith(QStringLiteral("0x"))
                && trimmed.section(u' ', 1).startsWith(u'"' + title + QStringLiteral("\":")))
                windows << trimmed.section(u' ', 0, 0).toUInt(nullptr, 16);
        }
        return windows;
    }
    // The first of them; 0 when there is none.
    quint32 WindowNamed(const QString& title) const { return WindowsNamed(title).value(0); }
    bool Viewable(quint32 window) const
    {
        return window
            && Run(QStringLiteral("xwininfo"), { QStringLiteral("-id"), QString::number(window) })
                   .contains("IsViewable");
    }
    QString Property(quint32 window, const QString& name) const
    {
        return QString::fromUtf8(
            Run(QStringLiteral("xprop"), { QStringLiteral("-id"), QString::number(window), name }))
            .trimmed();
    }
    QRect Geometry(quint32 window) const
    {
        const QString info = QString::fromUtf8(
            Run(QStringLiteral("xwininfo"), { QStringLiteral("-id"), QString::number(window) }));
        const auto value = [&](const char* label) {
            const qsizetype at = info.indexOf(QLatin1String(label));
            return at < 0 ? -1 : info.mid(at + qstrlen(label)).section(u'\n', 0, 0).trimmed().toInt();
        };
        return QRect(value("Absolute upper-left X:"), value("Absolute upper-left Y:"), value("Width:"),
            value("Height:"));
    }
    QProcessEnvironment For(const QProcessEnvironment& base) const
    {
        QProcessEnvironment env = base;
        env.remove(QStringLiteral("QT_QPA_PLATFORM"));
        env.insert(QStringLiteral("DISPLAY"), Display);
        env.insert(QStringLiteral("VIDCORE_TEST_DEVICES"), QStringLiteral("1"));
        return env;
    }

private:
    test_support::XvfbServer FServer;

public:
    const QString Display;
};

// How many windows of this name are mapped on the display.
int ViewableWindowsNamed(const TXvfb& x, const QString& title);
void Click(const TXvfb& x, int left, int top, int button = 1);
// Focuses the window and presses the keys in it, one after the other.
void PressKeys(const TXvfb& x, const QString& window, const QStringList& keys);

// Signals the started program and waits for its end; whether it ended.
bool EndBySignal(QProcess& program, int number = SIGTERM, int timeoutMs = 10000);
bool FileExists(const QString& path);
QStringList ClipFiles(const QString& temp);
// The duration of a media file as ffprobe reads it; negative when it cannot.
// The file's length as its header tells it: of the whole file, or of its
// picture alone (the whole also counts the sound's late start, if it started
// late).
double ProbedDuration(const QString& path, bool pictureOnly = false);

// Presses the record button (at 133,70 in the window at 50,50) until a clip
// is being written and has grown. A second name keeps the clip's contents
// once the program deletes it; that name, or empty when nothing recorded.
QString RecordUntilAClipGrows(const TXvfb& x, const QString& temp, const QString& keptPath);
// Once the live picture shows, Space on the panel takes a snapshot into the
// photo gallery's strip; true when its thumbnail shows there.
bool TakeSnapshotWithSpace(const TXvfb& x);
// The library's account of a recording on the program's standard error,
// for when a clip does not grow.
QProcessEnvironment WithRecordingTrace(QProcessEnvironment env);
