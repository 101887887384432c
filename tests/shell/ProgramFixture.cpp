// SPDX-License-Identifier: GPL-2.0-or-later
#include "ProgramFixture.h"

#include "SanitizedBuild.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

void ProgramTest::ExpectClosedAsByItsCloseButton(
    QProcess& program, const QString& temp, const QString& kept) const
{
    EXPECT_EQ(program.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(program.exitCode(), 0);
    EXPECT_TRUE(ClipFiles(temp).isEmpty()); // deleted as at a normal close
    EXPECT_GT(ProbedDuration(kept), 0.5); // and complete when it was
    QFile settings(Folder.filePath(QStringLiteral("config/Tessaly/settings.reg")));
    ASSERT_TRUE(settings.open(QIODevice::ReadOnly));
    const QByteArray text = settings.readAll();
    EXPECT_TRUE(
        text.contains("[HKEY_CURRENT_USER\\Software\\Tessaly\\MainController]\n\"Left\"=dword:00000032"))
        << text.toStdString();
    EXPECT_TRUE(text.contains("VideoGallery"));
    ExpectNothingLeftInTheRuntimeFolder();
}

void ProgramTest::ExpectNothingLeftInTheRuntimeFolder() const
{
    EXPECT_FALSE(FileExists(MapFile("readsync4snapwell_Quillon")));
    EXPECT_FALSE(FileExists(MapFile("writesync4snapwell_Quillon")));
    EXPECT_FALSE(FileExists(RuntimeFile(ProductTitle)));
    // Nor anything in the shared memory of the machine.
    const QString suffix = QString::fromLocal8Bit(qgetenv("GLIMVIEW_SHM_SUFFIX"));
    EXPECT_TRUE(QDir(QStringLiteral("/dev/shm"))
                    .entryList({ u'*' + suffix + u'*' }, QDir::AllEntries | QDir::System)
                    .isEmpty());
}

int ViewableWindowsNamed(const TXvfb& x, const QString& title)
{
    const QList<quint32> windows = x.WindowsNamed(title);
    return int(
        std::count_if(windows.begin(), windows.end(), [&](quint32 window) { return x.Viewable(window); }));
}

void Click(const TXvfb& x, int left, int top, int button)
{
    x.Run(QStringLiteral("xdotool"),
        { QStringLiteral("mousemove"), QString::number(left), QString::number(top), QStringLiteral("click"),
            QString::number(button) });
}

void PressKeys(const TXvfb& x, const QString& window, const QStringList& keys)
{
    x.Run(QStringLiteral("xdotool"), { QStringLiteral("windowfocus"), QStringLiteral("--sync"), window });
    for (const QString& key : keys)
        x.Run(QStringLiteral("xdotool"), { QStringLiteral("key"), key });
}

bool EndBySignal(QProcess& program, int number, int timeoutMs)
{
    // One that has ended already has the id 0, and kill(0) would signal the
    // whole process group: CTest and whatever started it.
    if (const qint64 pid = program.processId(); pid > 0)
        ::kill(pid_t(pid), number);
    return program.waitForFinished(timeoutMs);
}

bool FileExists(const QString& path)
{
    struct stat info { };
    return ::lstat(QFile::encodeName(path).constData(), &info) == 0;
}

QStringList ClipFiles(const QString& temp)
{
    return QDir(temp).entryList({ QStringLiteral("GLV_temp_*") }, QDir::Files);
}

double ProbedDuration(const QString& path, bool pictureOnly)
{
    QProcess probe;
    probe.start(QStringLiteral("ffprobe"),
        QStringList { QStringLiteral("-v"), QStringLiteral("error") }
            + (pictureOnly
                    ? QStringList { QStringLiteral("-select_streams"), QStringLiteral("v:0"),
                        QStringLiteral("-show_entries"), QStringLiteral("stream=duration") }
                    : QStringList { QStringLiteral("-show_entries"), QStringLiteral("format=duration") })
            + QStringList { QStringLiteral("-of"), QStringLiteral("csv=p=0"), path });
    probe.waitForFinished(30000);
    bool ok = false;
    const double duration = probe.readAllStandardOutput().trimmed().toDouble(&ok);
    return probe.exitCode() == 0 && ok ? duration : -1;
}

QString RecordUntilAClipGrows(const TXvfb& x, const QString& temp, const QString& keptPath)
{
    const bool recording = QTest::qWaitFor(
        [&] {
            if (ClipFiles(temp).isEmpty())
                Click(x, 183, 120);
            // Pressed again before the clip shows, the button would end it.
            return QTest::qWaitFor(
                [&] { return !ClipFiles(temp).isEmpty(); }, int(glimview_test::Allowance(1500, 6000)));
        },
        60000);
    if (!recording) {
        ADD_FAILURE() << "no clip appeared in " << temp.toStdString();
        return {};
    }
    const QString clip = temp + u'/' + ClipFiles(temp).first();
    const qint64 grown = qint64(glimview_test::Allowance(200000, 50000));
    const int within = int(glimview_test::Allowance(20000, 90000));
    if (!QTest::qWaitFor([&] { return QFileInfo(clip).size() > grown; }, within)) {
        ADD_FAILURE() << clip.toStdString() << " stayed at " << QFileInfo(clip).size()
                      << " bytes; in Temp: " << ClipFiles(temp).join(u' ').toStdString();
        return {};
    }
    const QString kept = keptPath + u'.' + QFileInfo(clip).suffix();
    if (::link(QFile::encodeName(clip).constData(), QFile::encodeName(kept).constData()) != 0) {
        ADD_FAILURE() << "cannot link " << clip.toStdString() << ": " << std::strerror(errno);
        return {};
    }
    return kept;
}

bool TakeSnapshotWithSpace(const TXvfb& x)
{
    if (!test_support::WaitForLiveViewPicture(x.Display, 40000))
        return false;
    PressKeys(x, QString::number(x.WindowNamed(ProductTitle)), { QStringLiteral("space") });
    return QTest::qWaitFor(
        [&] {
            const quint32 gallery = x.WindowNamed(QStringLiteral("Photos"));
            if (!gallery)
                return false;
            const QRect g = x.Geometry(gallery);
            // The first thumbnail: 80 x 60 at 17,18 in the gallery.
            return g.width() > 0
                && test_support::SaturatedColoursOnRow(
                       x.Shot(), g.left() + 17, g.left() + 17 + 79, g.top() + 18 + 20)
                >= 3;
        },
        20000);
}

QProcessEnvironment WithRecordingTrace(QProcessEnvironment env)
{
    env.insert(QStringLiteral("GST_DEBUG"), QStringLiteral("vidcore:4"));
    env.insert(QStringLiteral("GST_DEBUG_NO_COLOR"), QStringLiteral("1"));
    return env;
}
