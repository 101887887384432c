// SPDX-License-Identifier: GPL-2.0-or-later
// The real program after a recording was cut off by kill -9: the next start
// copies each cut clip whole into the videos folder, once.
#include "ProgramFixture.h"

#include <QHash>
#include <QRegularExpression>
#include <QtEndian>

#include <algorithm>
#include <cstring>
#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// The time of the last packet in a media file, as ffprobe reads the packets
// themselves (a cut clip's header says nothing true); negative when none.
double LastPacketTime(const QString& path)
{
    QProcess probe;
    probe.start(QStringLiteral("ffprobe"),
        { QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-select_streams"),
            QStringLiteral("v:0"), QStringLiteral("-show_entries"), QStringLiteral("packet=pts_time"),
            QStringLiteral("-of"), QStringLiteral("csv=p=0"), path });
    probe.waitForFinished(30000);
    const QList<QByteArray> lines = probe.readAllStandardOutput().trimmed().split('\n');
    bool ok = false;
    const double last = lines.isEmpty() ? -1 : lines.last().toDouble(&ok);
    return ok ? last : -1;
}

int EntriesStartingWith(const QByteArray& folder, const char* prefix)
{
    int count = 0;
    if (DIR* dir = ::opendir(folder.constData())) {
        while (const dirent* entry = ::readdir(dir))
            count += std::strncmp(entry->d_name, prefix, std::strlen(prefix)) == 0;
        ::closedir(dir);
    }
    return count;
}

// Removes what Qt cannot name: the shell's glob handles any bytes.
struct TRemoveRaw {
    QString Folder;
    const char* Pattern;
    ~TRemoveRaw()
    {
        QProcess::execute(QStringLiteral("/bin/sh"),
            { QStringLiteral("-c"), QStringLiteral("rm -rf -- \"$0\"/") + QLatin1String(Pattern), Folder });
    }
};

// The boxes at the top of an MP4 file, in order: "ftyp", "moov", "moof" ...
QList<QByteArray> TopLevelBoxes(const QString& path)
{
    QFile file(path);
    QList<QByteArray> boxes;
    if (!file.open(QIODevice::ReadOnly))
        return boxes;
    while (!file.atEnd()) {
        const QByteArray head = file.read(16);
        if (head.size() < 8)
            break;
        quint64 size = qFromBigEndian<quint32>(head.constData());
        if (size == 1 && head.size() == 16)
            size = qFromBigEndian<quint64>(head.constData() + 8);
        boxes << head.mid(4, 4);
        if (size == 0 || !file.seek(file.pos() - head.size() + qint64(size)))
            break; // the last box, to the end of the file
    }
    return boxes;
}

// A clip whose recording was cut off. AVI and ASF: the header tells less
// than the packets hold (how much less depends on when the muxer last wrote
// it). MP4: its last fragment is not followed by the table a finished clip
// ends with. WebM: it tells no length at all.
bool CutShort(const QString& clip)
{
    if (clip.endsWith(QLatin1String(".mp4")))
        return !TopLevelBoxes(clip).contains("mfra");
    return ProbedDuration(clip) < LastPacketTime(clip) - 0.5;
}

QStringList RecoveredFiles(const QString& folder)
{
    return QDir(folder).entryList({ QStringLiteral("Glimview recovered *") }, QDir::Files, QDir::Name);
}

// A recording cut off by kill -9 (ASF by the program itself; uncompressed AVI,
// which the menus do not offer, MP4 and WebM by the capture library) is copied whole into
// the videos folder at the next start, and one message says so. The Temp
// files stay and are not listed (the close would delete a listed one); a
// further start copies nothing again. The second run's folder has a name
// that is not UTF-8: its Temp is still the one found.
TEST_F(ProgramTest, RecordingsCutByAKillAreSavedWholeAtTheNextStartOnce)
{
    const QString videos = Folder.filePath(QStringLiteral("videos"));
    ASSERT_TRUE(QDir().mkpath(Folder.filePath(QStringLiteral("config"))));
    QFile dirs(Folder.filePath(QStringLiteral("config/user-dirs.dirs")));
    ASSERT_TRUE(dirs.open(QIODevice::WriteOnly));
    dirs.write("XDG_VIDEOS_DIR=\"" + QFile::encodeName(videos) + "\"\n");
    dirs.close();
    // A folder named in Latin-1, reached through a link: Qt cannot spell it.
    const QByteArray runBytes = QFile::encodeName(Folder.path()) + "/run-caf\xe9";
    const TRemoveRaw cleanup { Folder.path(), "run-caf*" };
    ASSERT_EQ(::mkdir(runBytes.constData(), 0700), 0);
    ASSERT_EQ(::mkdir((runBytes + "/Temp").constData(), 0700), 0);
    ASSERT_EQ(::symlink(GLIMVIEW_RUN_DIR "/Languages", (runBytes + "/Languages").constData()), 0);
    const QString run = Folder.filePath(QStringLiteral("run"));
    ASSERT_EQ(::symlink("run-caf\xe9", QFile::encodeName(run).constData()), 0);
    const QString temp = run + QStringLiteral("/Temp");
    // Started in the folder itself, not through the link's name.
    const auto startInRun = [&](const QProcessEnvironment& env) {
        auto* p = new QProcess();
        p->setProcessEnvironment(env);
        p->start(QStringLiteral("/bin/sh"),
            { QStringLiteral("-c"), QStringLiteral("cd -P \"$0\" && exec \"$1\""), run, Program });
        Started.push_back(p);
        return p;
    };

    TXvfb x;
    ASSERT_FALSE(x.Display.isEmpty());
    {
        QProcess* program = startInRun(x.For(Env));
        ASSERT_FALSE(RecordUntilAClipGrows(x, temp, Folder.filePath(QStringLiteral("kept"))).isEmpty())
            << program->readAllStandardError().toStdString();
        // A second copy on the same folder, with a runtime folder of its own
        // (so it starts as well): the recording it finds is running, not cut.
        test_support::TempHome otherHome;
        QProcessEnvironment other = x.For(Env);
        other.insert(QStringLiteral("XDG_RUNTIME_DIR"), otherHome.Runtime());
        QProcess* second = startInRun(other);
        ASSERT_TRUE(second->waitForStarted());
        QTest::qWait(3000); // the clip's length, and the second copy's time to recover it by mistake
        EXPECT_TRUE(RecoveredFiles(videos).isEmpty());
        ASSERT_EQ(second->state(), QProcess::Running) << second->readAllStandardError().toStdString();
        second->kill();
        ASSERT_TRUE(second->waitForFinished(10000));
        program->kill();
        ASSERT_TRUE(program->waitForFinished(10000));
    }
    // The other types by the capture library, each killed once over a second
    // of it is in the file: 640x480 BGR frames, or the compressed types'
    // packets as the file tells them.
    struct CutType {
        const char* name;
        const char* type;
    };
    for (const auto& [name, type] : { CutType { "GLV_temp_1.00000000000000E-001.avi", "0" },
             CutType { "GLV_temp_2.00000000000000E-001.mp4", "2" },
             CutType { "GLV_temp_3.00000000000000E-001.webm", "3" } }) {
        QProcess recorder;
        recorder.setProcessEnvironment(Offscreen(true));
        const QString clip = temp + u'/' + QLatin1String(name);
        recorder.start(QStringLiteral(CUT_RECORDER), { clip, QLatin1String(type) });
        ASSERT_TRUE(recorder.waitForReadyRead(30000)) << recorder.readAllStandardError().toStdString();
        ASSERT_TRUE(QTest::qWaitFor(
            [&] {
                return clip.endsWith(QLatin1String(".avi")) ? QFileInfo(clip).size() > 40'000'000
                                                            : LastPacketTime(clip) > 1.5;
            },
            30000))
            << name;
        recorder.kill();
        ASSERT_TRUE(recorder.waitForFinished(10000));
    }
    const QStringList cut = ClipFiles(temp);
    ASSERT_EQ(cut.size(), 4);
    // Cut: the header tells less than the packets hold.
    QHash<QString, double> recordedLength;
    for (const QString& clip : cut) {
        ASSERT_TRUE(CutShort(temp + u'/' + clip)) << "not cut: " << clip.toStdString();
        recordedLength[clip] = LastPacketTime(temp + u'/' + clip);
    }

    // The videos folder cannot be made (a file stands at its name): a
    // failure that may pass, so the next start tries again.
    {
        QFile blocker(videos);
        ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        QProcess* failing = startInRun(x.For(Env));
        ASSERT_TRUE(QTest::qWaitFor([&] { return ViewableWindowsNamed(x, ProductTitle) >= 2; }, 60000))
            << failing->readAllStandardError().toStdString();
        ASSERT_TRUE(EndBySignal(*failing));
        ASSERT_TRUE(QFile::remove(videos));
        EXPECT_EQ(ClipFiles(temp), cut);
    }

    QProcess* program = startInRun(x.For(Env));
    ASSERT_TRUE(QTest::qWaitFor([&] { return ViewableWindowsNamed(x, ProductTitle) >= 2; }, 60000))
        << program->readAllStandardError().toStdString();
    const QStringList recovered = RecoveredFiles(videos);
    ASSERT_EQ(recovered.size(), 4) << recovered.join(u',').toStdString();
    for (const QString& clip : cut) {
        const QString extension = QFileInfo(clip).suffix();
        const auto copy = std::find_if(recovered.begin(), recovered.end(),
            [&](const QString& name) { return name.endsWith(u'.' + extension); });
        ASSERT_NE(copy, recovered.end()) << extension.toStdString();
        EXPECT_TRUE(QRegularExpression(
            QStringLiteral("^Glimview recovered \\d{4}-\\d\\d-\\d\\d \\d\\d-\\d\\d-\\d\\d\\.") + extension
            + u'$')
                        .match(*copy)
                        .hasMatch())
            << copy->toStdString();
        // Whole: as long as the recorded packets, not the 0.046 s of the cut header.
        const double recorded = recordedLength[clip];
        EXPECT_GT(recorded, 1.0) << clip.toStdString();
        // WebM tells the length of the whole clip only.
        const bool pictureOnly = extension != QLatin1String("webm");
        // A cut MP4 keeps its whole fragments: it may lose the last one (a second).
        const double lost = extension == QLatin1String("mp4") ? 1.1 : 0.5;
        EXPECT_NEAR(ProbedDuration(videos + u'/' + *copy, pictureOnly), recorded, lost)
            << copy->toStdString();
        // A repaired MP4 is an ordinary one, its index in front of its packets.
        if (extension == QLatin1String("mp4")) {
            const QList<QByteArray> boxes = TopLevelBoxes(videos + u'/' + *copy);
            EXPECT_LT(boxes.indexOf("moov"), boxes.indexOf("mdat")) << boxes.join(' ').toStdString();
            EXPECT_FALSE(boxes.contains("moof")) << boxes.join(' ').toStdString();
        }
    }
    ASSERT_TRUE(EndBySignal(*program));
    EXPECT_EQ(program->exitCode(), 0);
    EXPECT_TRUE(ClipFiles(temp).isEmpty()); // the cut originals went once their copies were saved
    // Nothing was written beside the folder under a name Qt made up.
    EXPECT_EQ(EntriesStartingWith(QFile::encodeName(Folder.path()), "run-caf"), 1);

    // Once only.
    program = startInRun(x.For(Env));
    ASSERT_TRUE(QTest::qWaitFor([&] { return ViewableWindowsNamed(x, ProductTitle) == 1; }, 30000));
    EXPECT_FALSE(QTest::qWaitFor([&] { return ViewableWindowsNamed(x, ProductTitle) >= 2; }, 3000));
    EXPECT_EQ(RecoveredFiles(videos), recovered);
}

} // namespace
