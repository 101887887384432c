// SPDX-License-Identifier: GPL-2.0-or-later
#include "ConverterTestSupport.h"
#include "GalleryTestSupport.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

namespace {

const QString Converter = QStringLiteral(GLIMVIEW_RUN_DIR "/uncompAvitoWMV2");
const QString VgaProfile = QStringLiteral(GLIMVIEW_RUN_DIR "/VGA_local.prx");
const QString SifProfile = QStringLiteral(GLIMVIEW_RUN_DIR "/SIF_local.prx");

struct TConversion {
    int ExitCode = -1;
    QList<TPortMessage> Messages;
};

TConversion Convert(const QStringList& arguments)
{
    TConvertPortListener listener;
    EXPECT_TRUE(listener.Port().IsListening());
    QProcess process;
    process.setProcessChannelMode(QProcess::ForwardedChannels);
    process.start(Converter, arguments);
    EXPECT_TRUE(QTest::qWaitFor([&] { return process.state() == QProcess::NotRunning; }, 60000));
    // The end report was sent before the program ended; let the port take it in.
    EXPECT_TRUE(QTest::qWaitFor([&] { return listener.Ended(); }, 5000));
    return { process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1, listener.Messages };
}

QString Probe(const QString& file)
{
    return QString::fromUtf8(
        RunTool(QStringLiteral("ffprobe"),
            { QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-show_entries"),
                QStringLiteral("format=format_name:stream=codec_name,width,height"), QStringLiteral("-of"),
                QStringLiteral("compact=p=0:nk=1"), file }))
        .trimmed();
}

} // namespace

TEST(Converter, TurnsAnAviClipIntoACleanWmvAndReportsStartProgressAndEnd)
{
    EnsureApplication();
    QTemporaryDir dir;
    const QString input = dir.filePath(QStringLiteral("clip with spaces.avi"));
    ASSERT_TRUE(MakeAviClip(input, 640, 480, 60, true));
    const QString output = dir.filePath(QStringLiteral("out \"quoted\".wmv"));

    const TConversion run = Convert(
        { QStringLiteral("-i"), input, QStringLiteral("-o"), output, QStringLiteral("-pf"), VgaProfile });
    EXPECT_EQ(run.ExitCode, 0);
    EXPECT_EQ(Probe(output), QStringLiteral("wmv2|640|480\nwmav2\nasf"));
    // ffmpeg decodes every packet without a single complaint.
    EXPECT_EQ(RunTool(QStringLiteral("ffmpeg"),
                  { QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-i"), output,
                      QStringLiteral("-f"), QStringLiteral("null"), QStringLiteral("-") }),
        QByteArray());

    ASSERT_GE(run.Messages.size(), 3);
    for (const TPortMessage& message : run.Messages)
        EXPECT_EQ(message.Number, 33667u);
    EXPECT_EQ(run.Messages.first().WParam, 1);
    EXPECT_EQ(run.Messages.last().WParam, 2);
    const TPortMessage& last = run.Messages.at(run.Messages.size() - 2);
    EXPECT_EQ(last.WParam, 3);
    EXPECT_EQ(last.LParam, 100);
    qint64 previous = -1;
    for (int i = 1; i + 1 < run.Messages.size(); ++i) {
        EXPECT_EQ(run.Messages[i].WParam, 3);
        EXPECT_GT(run.Messages[i].LParam, previous) << "progress only grows";
        previous = run.Messages[i].LParam;
    }
}

TEST(Converter, TheSmallProfileGivesTheSmallSizeAndVideoAloneStaysVideoAlone)
{
    EnsureApplication();
    QTemporaryDir dir;
    const QString input = dir.filePath(QStringLiteral("clip.avi"));
    ASSERT_TRUE(MakeAviClip(input, 640, 480, 30, false));
    const QString output = dir.filePath(QStringLiteral("out.wmv"));
    const TConversion run = Convert(
        { QStringLiteral("-i"), input, QStringLiteral("-o"), output, QStringLiteral("-pf"), SifProfile });
    EXPECT_EQ(run.ExitCode, 0);
    EXPECT_EQ(Probe(output), QStringLiteral("wmv2|320|240\nasf"));
}

TEST(Converter, AFailedConversionStillReportsItsEndShortOfComplete)
{
    EnsureApplication();
    QTemporaryDir dir;
    const QString input = dir.filePath(QStringLiteral("not a clip.avi"));
    QFile junk(input);
    ASSERT_TRUE(junk.open(QIODevice::WriteOnly));
    junk.write(QByteArray(4096, 'j'));
    junk.close();
    const TConversion broken = Convert({ QStringLiteral("-i"), input, QStringLiteral("-o"),
        dir.filePath(QStringLiteral("o.wmv")), QStringLiteral("-pf"), VgaProfile });
    EXPECT_NE(broken.ExitCode, 0);
    ASSERT_GE(broken.Messages.size(), 2);
    EXPECT_EQ(broken.Messages.first().WParam, 1);
    EXPECT_EQ(broken.Messages.last().WParam, 2);
    for (const TPortMessage& message : broken.Messages)
        EXPECT_FALSE(message.WParam == 3 && message.LParam == 100);

    const TConversion noProfile
        = Convert({ QStringLiteral("-i"), input, QStringLiteral("-o"), dir.filePath(QStringLiteral("o.wmv")),
            QStringLiteral("-pf"), dir.filePath(QStringLiteral("missing.prx")) });
    EXPECT_NE(noProfile.ExitCode, 0);
    ASSERT_FALSE(noProfile.Messages.isEmpty());
    EXPECT_EQ(noProfile.Messages.last().WParam, 2);
}
