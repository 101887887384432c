// SPDX-License-Identifier: GPL-2.0-or-later
// The real program as a user starts it: one copy at a time, the foreign
// camera program, and the live picture on a real X server.
#include "MessagePort.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <set>

namespace {

const QString ProductTitle = QStringLiteral("Tessaly - Norvel Electronics Inc.");
const QString ForeignTitle = QStringLiteral("[::Vigilo::] - Tarsel Telecom. Inc.");
const QString Program = QStringLiteral(GLIMVIEW_RUN_DIR "/glimview");

class ProgramTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        static int argc = 1;
        static char name[] = "program_tests";
        static char* argv[] = { name, nullptr };
        if (!QCoreApplication::instance())
            new QCoreApplication(argc, argv);
    }

    void SetUp() override
    {
        ASSERT_TRUE(Folder.isValid());
        QDir(Folder.path()).mkpath(QStringLiteral("runtime"));
        QFile::setPermissions(Folder.filePath(QStringLiteral("runtime")),
            QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        // The program and this test must agree on where the ports live.
        qputenv("XDG_RUNTIME_DIR", Folder.filePath(QStringLiteral("runtime")).toUtf8());
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

    QProcess* Start(const QProcessEnvironment& env)
    {
        auto* p = new QProcess();
        p->setProcessEnvironment(env);
        p->setWorkingDirectory(QStringLiteral(GLIMVIEW_RUN_DIR));
        p->start(Program, {});
        Started.push_back(p);
        return p;
    }

    QTemporaryDir Folder;
    QProcessEnvironment Env;
    std::vector<QProcess*> Started;
};

TEST_F(ProgramTest, SecondStartHandsOverAndEnds)
{
    QProcessEnvironment env = Env;
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("VIDCORE_TEST_DEVICES"), QStringLiteral("0"));
    QProcess* first = Start(env);
    ASSERT_TRUE(first->waitForStarted());
    ASSERT_TRUE(QTest::qWaitFor([] { return MessagePortExists(ProductTitle); }, 20000));

    QProcess* second = Start(env);
    ASSERT_TRUE(second->waitForFinished(20000));
    EXPECT_EQ(second->exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(second->exitCode(), 0);
    EXPECT_EQ(first->state(), QProcess::Running);
    EXPECT_TRUE(MessagePortExists(ProductTitle));
}

TEST_F(ProgramTest, ForeignCameraProgramStopsTheStartSilently)
{
    TMessagePort foreign(ForeignTitle);
    ASSERT_TRUE(foreign.IsListening());
    QProcessEnvironment env = Env;
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    QProcess* program = Start(env);
    // The foreign port must keep answering while the program probes it.
    ASSERT_TRUE(QTest::qWaitFor([&] { return program->state() == QProcess::NotRunning; }, 20000));
    EXPECT_EQ(program->exitCode(), 0);
    EXPECT_FALSE(MessagePortExists(ProductTitle));
    EXPECT_TRUE(program->readAllStandardError().trimmed().isEmpty());
}

// Distinct saturated colours along a line of the picture: the test picture's
// colour bars give six or more, an empty or black panel none.
int SaturatedColoursOnRow(const QImage& shot, int x0, int x1, int y)
{
    std::set<QRgb> colours;
    for (int x = x0; x < x1; x += 4) {
        const QColor c = QColor::fromRgb(shot.pixel(x, y));
        if (c.hsvSaturation() > 150 && c.value() > 150)
            colours.insert(qRgb(c.red() & 0xC0, c.green() & 0xC0, c.blue() & 0xC0));
    }
    return static_cast<int>(colours.size());
}

TEST_F(ProgramTest, LiveViewShowsTheCameraPictureOnARealDisplay)
{
    QProcess xvfb;
    xvfb.start(QStringLiteral("Xvfb"), { QStringLiteral("-displayfd"), QStringLiteral("1"), QStringLiteral("-screen"),
                                          QStringLiteral("0"), QStringLiteral("1280x800x24"), QStringLiteral("-nolisten"),
                                          QStringLiteral("tcp") });
    ASSERT_TRUE(xvfb.waitForStarted());
    ASSERT_TRUE(QTest::qWaitFor([&] { return xvfb.canReadLine(); }, 20000));
    const QString display = QStringLiteral(":") + QString::fromLatin1(xvfb.readLine().trimmed());

    QProcessEnvironment env = Env;
    env.remove(QStringLiteral("QT_QPA_PLATFORM"));
    env.insert(QStringLiteral("DISPLAY"), display);
    env.insert(QStringLiteral("VIDCORE_TEST_DEVICES"), QStringLiteral("1"));
    QProcess* program = Start(env);
    ASSERT_TRUE(program->waitForStarted());

    // The live view opens at (404,50) with its panel at 16,11 inside.
    const QRect panel(404 + 16, 50 + 11, 640, 480);
    QImage shot;
    const bool seen = QTest::qWaitFor(
        [&] {
            QProcess import;
            import.start(QStringLiteral("import"), { QStringLiteral("-display"), display, QStringLiteral("-window"),
                                                       QStringLiteral("root"), QStringLiteral("png:-") });
            if (!import.waitForFinished(10000))
                return false;
            shot = QImage::fromData(import.readAllStandardOutput(), "PNG");
            return !shot.isNull() && SaturatedColoursOnRow(shot, panel.left(), panel.right(), panel.top() + 150) >= 5;
        },
        40000);
    if (!seen && !shot.isNull())
        shot.save(Folder.filePath(QStringLiteral("last-shot.png")));
    EXPECT_TRUE(seen) << "no camera picture in the live view; program output: "
                      << program->readAllStandardError().toStdString();
    // The main window's skin stands at (50,50): not the desktop's black.
    if (!shot.isNull()) {
        EXPECT_NE(shot.pixel(50 + 177, 50 + 100), qRgb(0, 0, 0));
    }

    program->kill();
    program->waitForFinished(5000);
    xvfb.terminate();
    xvfb.waitForFinished(5000);
}

} // namespace
