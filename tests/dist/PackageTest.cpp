// SPDX-License-Identifier: GPL-2.0-or-later
// The Debian package as a user gets it: built by CPack from this build tree
// (the test dist_package_build), unpacked into a folder of its own, and started from there on a real X
// server with the synthetic camera and a fresh home.
#include "CoreApplication.h"
#include "ElfFiles.h"
#include "LiveViewPicture.h"
#include "TempHome.h"
#include "XvfbServer.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <memory>
#include <set>

namespace {

const QString Version = QStringLiteral(GLIMVIEW_VERSION);
const QString AppId = QStringLiteral(GLIMVIEW_APP_ID);
const QString ProgramDir = QStringLiteral("usr/" GLIMVIEW_PROGRAM_INSTALL_DIR);
const QString MainWindowTitle = QStringLiteral("Tessaly - Norvel Electronics Inc.");

struct ToolRun {
    int exitCode = -1;
    QString out;
    QString err;
};

ToolRun RunTool(const QString& program, const QStringList& arguments, int timeoutMs = 120000,
    const QProcessEnvironment& env = QProcessEnvironment::systemEnvironment())
{
    QProcess p;
    p.setProcessEnvironment(env);
    p.start(program, arguments);
    ToolRun run;
    if (!p.waitForFinished(timeoutMs)) {
        p.kill();
        p.waitForFinished();
        run.err = program + QStringLiteral(" did not finish");
        return run;
    }
    run.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    run.out = QString::fromUtf8(p.readAllStandardOutput());
    run.err = QString::fromUtf8(p.readAllStandardError());
    return run;
}

// Ends a started process whatever way the test leaves.
struct Stopper {
    QProcess* process;
    ~Stopper()
    {
        if (process->state() != QProcess::NotRunning) {
            process->terminate();
            if (!process->waitForFinished(5000)) {
                process->kill();
                process->waitForFinished(5000);
            }
        }
    }
};

class PackageTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { test_support::EnsureApplication(); }

    // The package comes from the test dist_package_build; each test process
    // unpacks it once.
    void SetUp() override
    {
        if (QStandardPaths::findExecutable(QStringLiteral("dpkg-deb")).isEmpty())
            GTEST_SKIP() << "dpkg-deb is not installed: no Debian package can be built or unpacked here";
        if (!Folder) {
            Folder = std::make_unique<QTemporaryDir>();
            ASSERT_TRUE(Folder->isValid());
            Deb = QStringLiteral(PACKAGE_DIR "/glimview_%1_amd64.deb").arg(Version);
            ASSERT_TRUE(QFile::exists(Deb))
                << Deb.toStdString() << " is missing: the test dist_package_build makes it; found: "
                << QDir(QStringLiteral(PACKAGE_DIR)).entryList().join(u' ').toStdString();
            Root = Folder->filePath(QStringLiteral("root"));
            const ToolRun unpack = RunTool(QStringLiteral("dpkg-deb"), { QStringLiteral("-x"), Deb, Root });
            ASSERT_EQ(unpack.exitCode, 0) << unpack.err.toStdString();
        }
        ASSERT_FALSE(Root.isEmpty()) << "the package could not be unpacked";
    }

    static QString Field(const QString& name)
    {
        return RunTool(QStringLiteral("dpkg-deb"), { QStringLiteral("-f"), Deb, name }).out.trimmed();
    }

    static QString InRoot(const QString& path) { return Root + u'/' + path; }

    static inline std::unique_ptr<QTemporaryDir> Folder;
    static inline QString Deb;
    static inline QString Root;
};

TEST_F(PackageTest, ControlFieldsNameTheVersionAndEveryRunTimeNeed)
{
    EXPECT_EQ(Field(QStringLiteral("Package")), QStringLiteral("glimview"));
    EXPECT_EQ(Field(QStringLiteral("Version")), Version);
    EXPECT_EQ(Field(QStringLiteral("Architecture")), QStringLiteral("amd64"));
    const QString depends = Field(QStringLiteral("Depends"));
    const QStringList names = { // Loaded or started at run time: declared by hand.
        QStringLiteral("gstreamer1.0-plugins-base"), QStringLiteral("gstreamer1.0-plugins-good"),
        QStringLiteral("gstreamer1.0-plugins-bad"), QStringLiteral("gstreamer1.0-plugins-ugly"),
        QStringLiteral("gstreamer1.0-libav"), QStringLiteral("gstreamer1.0-x"),
        QStringLiteral("gstreamer1.0-gl"), QStringLiteral("gstreamer1.0-alsa"),
        QStringLiteral("gstreamer1.0-pulseaudio"), QStringLiteral("qt6-qpa-plugins"),
        QStringLiteral("qt6-translations-l10n"), QStringLiteral("fonts-dejavu-core"),
        QStringLiteral("fonts-liberation2"), QStringLiteral("fonts-hosny-amiri"),
        QStringLiteral("fonts-wqy-microhei"), QStringLiteral("xdg-utils"), QStringLiteral("pkexec"),
        // Linked: found by dpkg-shlibdeps.
        QStringLiteral("libqt6widgets6"), QStringLiteral("libgstreamer1.0-0"), QStringLiteral("libcurl4"),
        QStringLiteral("libjpeg62-turbo"), QStringLiteral("libc6")
    };
    for (const QString& name : names)
        EXPECT_TRUE(
            QRegularExpression(QStringLiteral("(^|, )%1( |,|$)").arg(QRegularExpression::escape(name)))
                .match(depends)
                .hasMatch())
            << name.toStdString() << " missing from Depends: " << depends.toStdString();
    // The small fonts cover every language; the large CJK collections are
    // nobody's dependency.
    EXPECT_FALSE(depends.contains(QStringLiteral("fonts-noto-cjk")));
    EXPECT_FALSE(depends.contains(QStringLiteral("fonts-nanum")));
    EXPECT_EQ(Field(QStringLiteral("Recommends")), QStringLiteral("fonts-nanum"));
}

// The libraries are private to the program: no ldconfig, hence no
// maintainer scripts at all.
TEST_F(PackageTest, ControlArchiveHoldsNoMaintainerScripts)
{
    const QString control = Folder->filePath(QStringLiteral("control"));
    const ToolRun extract = RunTool(QStringLiteral("dpkg-deb"), { QStringLiteral("-e"), Deb, control });
    ASSERT_EQ(extract.exitCode, 0) << extract.err.toStdString();
    EXPECT_EQ(QDir(control).entryList(QDir::Files, QDir::Name),
        QStringList({ QStringLiteral("control"), QStringLiteral("md5sums") }));
    EXPECT_TRUE(
        Field(QStringLiteral("Description")).contains(QStringLiteral("saved as JPEG or deleted; clips")))
        << Field(QStringLiteral("Description")).toStdString();
}

TEST_F(PackageTest, HoldsExactlyTheInstalledFiles)
{
    std::set<QString> expected = {
        QStringLiteral("usr/bin/glimview"),
        QStringLiteral("usr/bin/setgate"),
        ProgramDir + QStringLiteral("/glimview"),
        ProgramDir + QStringLiteral("/libvidcore.so"),
        ProgramDir + QStringLiteral("/plugins/libgstsnapwell.so"),
        ProgramDir + QStringLiteral("/uncompAvitoWMV2"),
        ProgramDir + QStringLiteral("/SIF_local.prx"),
        ProgramDir + QStringLiteral("/VGA_local.prx"),
        ProgramDir + QStringLiteral("/Probix.so"),
        QStringLiteral("usr/share/applications/%1.desktop").arg(AppId),
        QStringLiteral("usr/share/metainfo/%1.metainfo.xml").arg(AppId),
        QStringLiteral("usr/share/icons/hicolor/scalable/apps/glimview.svg"),
        QStringLiteral("usr/share/man/man1/glimview.1.gz"),
        QStringLiteral("usr/share/man/man1/setgate.1.gz"),
        QStringLiteral("usr/share/doc/glimview/copyright"),
        QStringLiteral("usr/share/doc/glimview/changelog.gz"),
    };
    for (int size : { 16, 32, 48, 64, 128, 256 })
        expected.insert(QStringLiteral("usr/share/icons/hicolor/%1x%1/apps/glimview.png").arg(size));
    for (const QString& ini :
        QDir(QStringLiteral(GLIMVIEW_SOURCE_DIR "/Languages")).entryList({ QStringLiteral("*.ini") }))
        expected.insert(QStringLiteral("usr/share/glimview/Languages/") + ini);
    ASSERT_EQ(
        std::count_if(expected.begin(), expected.end(),
            [](const QString& p) { return p.startsWith(QLatin1String("usr/share/glimview/Languages/")); }),
        22);

    std::set<QString> found;
    QDirIterator it(Root, QDir::Files | QDir::System, QDirIterator::Subdirectories);
    while (it.hasNext())
        found.insert(QDir(Root).relativeFilePath(it.next()));
    std::vector<QString> missing, extra;
    std::set_difference(
        expected.begin(), expected.end(), found.begin(), found.end(), std::back_inserter(missing));
    std::set_difference(
        found.begin(), found.end(), expected.begin(), expected.end(), std::back_inserter(extra));
    EXPECT_TRUE(missing.empty()) << "missing: "
                                 << QStringList(missing.begin(), missing.end()).join(u' ').toStdString();
    EXPECT_TRUE(extra.empty()) << "unexpected: "
                               << QStringList(extra.begin(), extra.end()).join(u' ').toStdString();

    // Programs stay executable; the pictures are what their names say.
    for (const QString& program :
        { QStringLiteral("usr/bin/glimview"), ProgramDir + QStringLiteral("/glimview") })
        EXPECT_TRUE(QFileInfo(InRoot(program)).isExecutable()) << program.toStdString();
    for (int size : { 16, 32, 48, 64, 128, 256 }) {
        const QString icon
            = InRoot(QStringLiteral("usr/share/icons/hicolor/%1x%1/apps/glimview.png").arg(size));
        EXPECT_EQ(QImage(icon).size(), QSize(size, size)) << icon.toStdString();
    }
}

TEST_F(PackageTest, DesktopEntryMetainfoAndManualPagesValidate)
{
    const ToolRun desktop = RunTool(QStringLiteral("desktop-file-validate"),
        { InRoot(QStringLiteral("usr/share/applications/%1.desktop").arg(AppId)) });
    EXPECT_EQ(desktop.exitCode, 0);
    EXPECT_EQ(desktop.out + desktop.err, QString()) << "desktop-file-validate is not silent";

    const QString metainfo = InRoot(QStringLiteral("usr/share/metainfo/%1.metainfo.xml").arg(AppId));
    const ToolRun appstream = RunTool(QStringLiteral("appstreamcli"),
        { QStringLiteral("validate"), QStringLiteral("--no-net"), QStringLiteral("--no-color"), metainfo });
    EXPECT_EQ(appstream.exitCode, 0) << appstream.out.toStdString();
    EXPECT_FALSE(appstream.out.contains(
        QRegularExpression(QStringLiteral("^[EW]: "), QRegularExpression::MultilineOption)))
        << appstream.out.toStdString();
    QFile xml(metainfo);
    ASSERT_TRUE(xml.open(QIODevice::ReadOnly));
    EXPECT_TRUE(
        QString::fromUtf8(xml.readAll()).contains(QStringLiteral("<release version=\"%1\"").arg(Version)));

    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("LC_ALL"), QStringLiteral("C.UTF-8"));
    env.insert(QStringLiteral("MANWIDTH"), QStringLiteral("80"));
    for (const QString& page : { QStringLiteral("glimview"), QStringLiteral("setgate") }) {
        const ToolRun man = RunTool(QStringLiteral("man"),
            { QStringLiteral("--warnings"), QStringLiteral("-l"),
                InRoot(QStringLiteral("usr/share/man/man1/%1.1.gz").arg(page)) },
            60000, env);
        EXPECT_EQ(man.exitCode, 0) << page.toStdString();
        EXPECT_EQ(man.err, QString()) << page.toStdString();
        EXPECT_TRUE(man.out.contains(Version)) << page.toStdString();
        EXPECT_TRUE(man.out.contains(QStringLiteral("takes no options"))) << page.toStdString();
    }
}

TEST_F(PackageTest, ProgramsSearchLibrariesOnlyBesideThemselves)
{
    const QStringList files = ElfFilesUnder(Root);
    EXPECT_EQ(files.size(), 6) << files.join(u' ').toStdString();
    for (const QString& file : files)
        EXPECT_EQ(EntriesNotBesideTheFile(RunPathEntries(file)), QStringList()) << file.toStdString();
    EXPECT_EQ(RunPathEntries(InRoot(ProgramDir + QStringLiteral("/glimview"))),
        QStringList { QStringLiteral("$ORIGIN") });

    // The unpacked plugin declares its licence to GStreamer.
    QTemporaryDir registry;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("GST_PLUGIN_PATH"), InRoot(ProgramDir + QStringLiteral("/plugins")));
    env.insert(QStringLiteral("GST_REGISTRY"), registry.filePath(QStringLiteral("registry.bin")));
    const ToolRun inspect
        = RunTool(QStringLiteral("gst-inspect-1.0"), { QStringLiteral("snapwell") }, 60000, env);
    EXPECT_EQ(inspect.exitCode, 0) << inspect.err.toStdString();
    EXPECT_TRUE(inspect.out.contains(QRegularExpression(QStringLiteral("License\\s+LGPL\\n"))))
        << inspect.out.toStdString();
    EXPECT_TRUE(inspect.out.contains(
        QRegularExpression(QStringLiteral("Version\\s+") + QRegularExpression::escape(Version))))
        << inspect.out.toStdString();
}

// The unpacked launcher, started as the menu entry starts it: the main window
// appears and the live view shows the synthetic camera's colour bars, which
// it can only do with the Snapwell sink from the unpacked plugin folder in the
// capture pipeline.
TEST_F(PackageTest, UnpackedLauncherStartsGlimviewWithItsPlugin)
{
    test_support::TempHome home;
    ASSERT_TRUE(home.isValid());
    const test_support::XvfbServer xvfb;
    ASSERT_FALSE(xvfb.display().empty()) << "Xvfb did not start";
    const QString display = QString::fromStdString(xvfb.display());

    // Nothing of the build tree: no plugin path, a fresh registry and home.
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const QString& name : { QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("GST_PLUGIN_PATH"),
             QStringLiteral("XDG_DATA_HOME"), QStringLiteral("XDG_CONFIG_HOME"),
             QStringLiteral("XDG_CACHE_HOME") })
        env.remove(name);
    env.insert(QStringLiteral("HOME"), home.path());
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), home.Runtime());
    env.insert(QStringLiteral("GST_REGISTRY"), home.filePath(QStringLiteral("registry.bin")));
    env.insert(QStringLiteral("DISPLAY"), display);
    env.insert(QStringLiteral("VIDCORE_TEST_DEVICES"), QStringLiteral("1"));
    env.insert(QStringLiteral("LC_ALL"), QStringLiteral("en_US.UTF-8"));

    QProcess program;
    Stopper stopProgram { &program };
    program.setProcessEnvironment(env);
    program.setWorkingDirectory(home.path());
    program.start(InRoot(QStringLiteral("usr/bin/glimview")), {});
    ASSERT_TRUE(program.waitForStarted());

    const bool windowShown = QTest::qWaitFor(
        [&] {
            const ToolRun tree = RunTool(QStringLiteral("xwininfo"),
                { QStringLiteral("-display"), display, QStringLiteral("-root"), QStringLiteral("-tree") },
                10000);
            return tree.out.contains(u'"' + MainWindowTitle + u'"')
                || program.state() == QProcess::NotRunning;
        },
        40000);
    ASSERT_TRUE(windowShown && program.state() == QProcess::Running)
        << "no main window; the program said: " << program.readAllStandardError().toStdString();

    QImage shot;
    const bool cameraShown = test_support::WaitForLiveViewPicture(display, 40000, &shot);
    if (!cameraShown && !shot.isNull())
        shot.save(QStringLiteral(GLIMVIEW_BINARY_DIR "/tests/package-last-shot.png"));
    EXPECT_TRUE(cameraShown) << "no camera picture in the live view; the program said: "
                             << program.readAllStandardError().toStdString();

    // The launcher prepared the per-user working folder.
    const QString work = home.filePath(QStringLiteral(".local/share/glimview"));
    EXPECT_TRUE(QFileInfo(work + QStringLiteral("/Temp")).isDir());
    EXPECT_EQ(QFileInfo(work + QStringLiteral("/Languages")).canonicalFilePath(),
        QFileInfo(InRoot(QStringLiteral("usr/share/glimview/Languages"))).canonicalFilePath());
}

} // namespace
