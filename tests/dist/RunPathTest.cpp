// SPDX-License-Identifier: GPL-2.0-or-later
// The build's programs and libraries find the project's libraries beside
// themselves only: a library planted in the folder a program is started from
// is never loaded.
#include "CoreApplication.h"
#include "ElfFiles.h"
#include "TempHome.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTest>

#include <gtest/gtest.h>

namespace {

const QString RunFolder = QStringLiteral(GLIMVIEW_RUN_DIR);
const QString PlantedLibrary = QStringLiteral(PLANTED_LIBRARY);

using test_support::EnsureApplication;

TEST(RunPath, EveryEntryOfTheRunFolderIsBesideItsFile)
{
    const QStringList files = ElfFilesUnder(RunFolder);
    // The program, libvidcore, the plugin, the converter, setgate and Probix.
    ASSERT_GE(files.size(), 6) << files.join(u' ').toStdString();
    for (const QString& file : files)
        EXPECT_EQ(EntriesNotBesideTheFile(RunPathEntries(file)), QStringList())
            << file.toStdString() << " searches outside its folder";
    EXPECT_EQ(
        RunPathEntries(RunFolder + QStringLiteral("/glimview")), QStringList { QStringLiteral("$ORIGIN") });
}

// A start of the real program from a folder holding the planted library
// under the name of every library that the program, libvidcore and the
// plugin need; the loader's own trace (LD_DEBUG) says which files it tried.
TEST(RunPath, PlantedLibrariesInTheStartFolderAreNeverLoaded)
{
    EnsureApplication();
    test_support::TempHome folder;
    ASSERT_TRUE(folder.isValid());
    QDir start(folder.filePath(QStringLiteral("start")));
    ASSERT_TRUE(start.mkpath(QStringLiteral("Temp")));
    QFile::link(
        QStringLiteral(GLIMVIEW_SOURCE_DIR "/Languages"), start.filePath(QStringLiteral("Languages")));
    QStringList names;
    for (const QString& file :
        { RunFolder + QStringLiteral("/glimview"), RunFolder + QStringLiteral("/libvidcore.so"),
            RunFolder + QStringLiteral("/plugins/libgstsnapwell.so") })
        names << NeededLibraries(file);
    names.removeDuplicates();
    ASSERT_TRUE(names.contains(QStringLiteral("libvidcore.so"))) << names.join(u' ').toStdString();
    ASSERT_TRUE(names.contains(QStringLiteral("libjpeg.so.62"))) << names.join(u' ').toStdString();
    for (const QString& name : names)
        ASSERT_TRUE(QFile::copy(PlantedLibrary, start.filePath(name))) << name.toStdString();

    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("VIDCORE_TEST_DEVICES"), QStringLiteral("1"));
    env.remove(QStringLiteral("GST_PLUGIN_PATH"));
    env.insert(QStringLiteral("GST_REGISTRY"), folder.filePath(QStringLiteral("registry.bin")));
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), folder.filePath(QStringLiteral("config")));
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), folder.Runtime());
    env.insert(QStringLiteral("LD_DEBUG"), QStringLiteral("libs"));
    env.insert(QStringLiteral("LD_DEBUG_OUTPUT"), folder.filePath(QStringLiteral("loader")));

    QProcess program;
    program.setProcessEnvironment(env);
    program.setWorkingDirectory(start.path());
    program.start(RunFolder + QStringLiteral("/glimview"), {});
    ASSERT_TRUE(program.waitForStarted());

    // The trace of every process (the program and GStreamer's plugin scanner)
    // lands in loader.<pid>.
    QString trace;
    const auto readTrace = [&] {
        trace.clear();
        const QStringList logs = QDir(folder.path()).entryList({ QStringLiteral("loader.*") }, QDir::Files);
        for (const QString& log : logs) {
            QFile f(folder.filePath(log));
            if (f.open(QIODevice::ReadOnly))
                trace += QString::fromUtf8(f.readAll());
        }
        return trace;
    };
    // The camera is open once the program has initialised the plugin itself.
    const bool pluginLoaded = QTest::qWaitFor(
                                  [&] {
                                      return readTrace().contains(QStringLiteral("calling init: ") + RunFolder
                                                 + QStringLiteral("/plugins/libgstsnapwell.so"))
                                          || program.state() == QProcess::NotRunning;
                                  },
                                  60000)
        && program.state() == QProcess::Running;
    program.kill();
    program.waitForFinished(10000);
    readTrace();

    EXPECT_TRUE(pluginLoaded) << "the program did not reach its camera; it said: "
                              << program.readAllStandardError().toStdString();
    EXPECT_FALSE(QFile::exists(start.filePath(QStringLiteral("planted-library-loaded"))));
    QStringList tried;
    for (const QString& line : trace.split(u'\n'))
        if (line.contains(QStringLiteral("trying file=") + start.path())
            || line.contains(QLatin1String("trying file=./")))
            tried << line.trimmed();
    EXPECT_EQ(tried, QStringList()) << "the loader looked in the start folder";
    EXPECT_TRUE(trace.contains(QStringLiteral("trying file=") + RunFolder + QStringLiteral("/libvidcore.so")))
        << "no loader trace to judge by";
}

} // namespace
