// SPDX-License-Identifier: GPL-2.0-or-later
// The main window when cameras are busy, unplugged and plugged back, over
// the real capture library and the test plugin's fake devices (each test
// runs in a process of its own, with its own device file).
#include "MainFormFixture.h"
#include "camera/CamControllerUnit.h"
#include "camera/CamViewFrm.h"
#include "camera/Snapwell.h"
#include "core/LanguageTexts.h"
#include "core/SettingsStore.h"
#include "gallery/VideosFrm.h"
#include "widgets/ImageButton.h"

#include <QAbstractButton>
#include <QFileInfo>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QProcess>
#include <QTest>
#include <QTimer>

#include <dlfcn.h>
#include <gst/gst.h>
#include <gtest/gtest.h>

#include <fstream>

namespace {

constexpr const char* kMicCaps = "audio/x-raw,format=S16LE,rate=48000,channels=2,layout=interleaved";

void WriteDevices(const std::string& cameras)
{
    const QString path = QDir::current().filePath(QStringLiteral("fake-devices.ini"));
    std::ofstream file(path.toStdString());
    file << cameras << "[mic]\nprovider=pulse\nname=Desk Mic\ndefault=true\ncaps=" << kMicCaps << "\n";
    qputenv("FAKECAM_DEVICES", path.toUtf8());
}

void SetPresent(const char* group, bool present)
{
    GstPlugin* plugin = gst_plugin_load_by_name("fakecam");
    ASSERT_NE(plugin, nullptr);
    void* module = dlopen(gst_plugin_get_filename(plugin), RTLD_NOW | RTLD_NOLOAD);
    gst_object_unref(plugin);
    ASSERT_NE(module, nullptr);
    auto setPresent = reinterpret_cast<void (*)(const char*, gboolean)>(dlsym(module, "fakecam_set_present"));
    ASSERT_NE(setPresent, nullptr);
    setPresent(group, present);
}

QStringList MenuTexts(QMenu* menu)
{
    QStringList texts;
    for (QAction* item : menu->actions())
        texts << item->text();
    return texts;
}

QString CheckedText(QMenu* menu)
{
    for (QAction* item : menu->actions())
        if (item->isChecked())
            return item->text();
    return {};
}

class MainFormDevicesTest : public MainFormFixture {
protected:
    TMainForm* Start()
    {
        MakeForm();
        EXPECT_TRUE(QTest::qWaitFor([&] { return Form->StartStage() == TMainForm::ssFinished; }, 30000));
        return Form;
    }
    bool CameraButtonsShown() const
    {
        return Ui(Form)->imgbSnapshot->isVisible() && Ui(Form)->imgbRecord->isVisible();
    }
};

} // namespace

TEST_F(MainFormDevicesTest, BusyCameraSaysSoAndTheWindowStaysUsable)
{
    WriteDevices("[busy]\nprovider=v4l2\nname=Busy Cam\npath=/dev/video0\nbus-info=usb-1\n"
                 "caps=video/x-raw,format=YUY2,width=640,height=480,framerate=30/1\nbusy=true\n\n");
    TBoxCloser closer;
    TMainForm* form = Start();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !closer.Texts.isEmpty(); }, 10000));
    EXPECT_EQ(closer.Texts, QStringList { LanguageTexts[QStringLiteral("CameraBusyMsg")] });
    EXPECT_FALSE(CamController->WindowOpen());
    EXPECT_EQ(Ui(form)->lblStatus->text(), QStringLiteral("No camera found"));
    EXPECT_FALSE(CameraButtonsShown());
    // Usable: another camera chosen from the menu opens.
    const QList<QAction*> cameras = Ui(form)->pmiVideoDevices->actions();
    ASSERT_EQ(MenuTexts(Ui(form)->pmiVideoDevices), QStringList({ "Busy Cam", "Vidcore Test Camera" }));
    cameras[1]->trigger();
    ASSERT_TRUE(QTest::qWaitFor([] { return CamController->WindowOpen(); }, 10000));
}

TEST_F(MainFormDevicesTest, UnpluggedCameraStopsTheRecordingAndComesBackByItself)
{
    WriteDevices("[loose]\nprovider=v4l2\nname=Loose Cam\npath=/dev/video0\nbus-info=usb-1\n"
                 "caps=video/x-raw,format=YUY2,width=640,height=480,framerate=30/1\nunplug-after=150\n\n");
    TBoxCloser closer;
    TMainForm* form = Start();
    ASSERT_TRUE(CamController->WindowOpen());
    EXPECT_EQ(Ui(form)->lblStatus->text(), QStringLiteral("Camera ready"));
    EXPECT_EQ(CheckedText(Ui(form)->pmiAudioDevices), QStringLiteral("Desk Mic"));

    // Recording when the camera goes: the clip is stopped and kept.
    QTest::mouseClick(Ui(form)->imgbRecord, Qt::LeftButton);
    ASSERT_TRUE(CamController->Recording());
    const QString clip = form->Videos()->FileNames().value(0);
    ASSERT_TRUE(QTest::qWaitFor([] { return !CamController->WindowOpen(); }, 15000));
    EXPECT_FALSE(CamController->Recording());
    EXPECT_EQ(Ui(form)->lblStatus->text(), QStringLiteral("No camera found"));
    EXPECT_FALSE(CameraButtonsShown());
    ASSERT_TRUE(QTest::qWaitFor([&] { return !closer.Texts.isEmpty(); }, 5000));
    EXPECT_EQ(closer.Texts, QStringList { LanguageTexts[QStringLiteral("CameraLostMsg")] });
    EXPECT_EQ(form->Videos()->VideoCount(), 1);
    QProcess ffmpeg;
    ffmpeg.start(QStringLiteral("ffmpeg"), { "-nostdin", "-v", "error", "-i", clip, "-f", "null", "-" });
    ASSERT_TRUE(ffmpeg.waitForFinished(30000));
    EXPECT_EQ(ffmpeg.readAllStandardError(), QByteArray());
    // The device menu follows; a snapshot does nothing without a camera.
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return !MenuTexts(Ui(form)->pmiVideoDevices).contains(QStringLiteral("Loose Cam")); }, 5000));
    EXPECT_FALSE(CamController->TakeSnapshot() && CamController->WindowOpen());

    // Plugged back: listed, checked, and live again without a click.
    SetPresent("loose", true);
    ASSERT_TRUE(QTest::qWaitFor([] { return CamController->WindowOpen(); }, 10000));
    EXPECT_EQ(MenuTexts(Ui(form)->pmiVideoDevices), QStringList({ "Loose Cam", "Vidcore Test Camera" }));
    EXPECT_EQ(CheckedText(Ui(form)->pmiVideoDevices), QStringLiteral("Loose Cam"));
    EXPECT_EQ(Ui(form)->lblStatus->text(), QStringLiteral("Camera ready"));
    EXPECT_TRUE(CameraButtonsShown());
    EXPECT_TRUE(form->CamView()->Panel()->isVisible());
    EXPECT_EQ(closer.Texts.size(), 1) << "the message is shown once";
}

// A camera whose firmware hangs while recording sends no frame and no error:
// it is taken for a lost camera. The clip is kept, complete up to its last
// frame, and the user is told once.
TEST_F(MainFormDevicesTest, StalledCameraStopsTheRecordingAndKeepsTheClip)
{
    WriteDevices("[frozen]\nprovider=v4l2\nname=Frozen Cam\npath=/dev/video0\nbus-info=usb-1\n"
                 "caps=video/x-raw,format=YUY2,width=640,height=480,framerate=30/1\nstall-after=150\n\n");
    TBoxCloser closer;
    TMainForm* form = Start();
    ASSERT_TRUE(CamController->WindowOpen());
    QTest::mouseClick(Ui(form)->imgbRecord, Qt::LeftButton);
    ASSERT_TRUE(CamController->Recording());
    const QString clip = form->Videos()->FileNames().value(0);
    ASSERT_TRUE(QTest::qWaitFor([] { return !CamController->WindowOpen(); }, 15000));
    EXPECT_FALSE(CamController->Recording());
    EXPECT_EQ(Ui(form)->lblStatus->text(), QStringLiteral("No camera found"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !closer.Texts.isEmpty(); }, 5000));
    EXPECT_EQ(form->Videos()->VideoCount(), 1);
    QProcess ffprobe;
    ffprobe.start(QStringLiteral("ffprobe"),
        { "-v", "error", "-show_entries", "format=duration", "-of", "csv=p=0", clip });
    ASSERT_TRUE(ffprobe.waitForFinished(30000));
    EXPECT_EQ(ffprobe.readAllStandardError(), QByteArray());
    EXPECT_GT(ffprobe.readAllStandardOutput().trimmed().toDouble(), 0.5);
    QCoreApplication::processEvents();
    EXPECT_EQ(closer.Texts, QStringList { LanguageTexts[QStringLiteral("CameraLostMsg")] });
}

TEST_F(MainFormDevicesTest, FullDiskEndsTheRecordingAndDropsTheBrokenClip)
{
    WriteDevices("[cam]\nprovider=v4l2\nname=Desk Cam\npath=/dev/video0\nbus-info=usb-1\n"
                 "caps=video/x-raw,format=YUY2,width=640,height=480,framerate=30/1\n\n");
    TBoxCloser closer;
    TMainForm* form = Start();
    ASSERT_TRUE(CamController->WindowOpen());
    // The working folder on a small file system of its own (needs root).
    const QString temp = QDir::current().filePath(QStringLiteral("Temp"));
    QProcess mount;
    // Room for the clip's first frame as a snapshot (900 KB) and a few
    // seconds of WMV.
    mount.start(
        QStringLiteral("mount"), { "-t", "tmpfs", "-o", "size=1200k,mode=0700", "glimview-test", temp });
    if (!mount.waitForFinished(10000) || mount.exitCode() != 0)
        GTEST_SKIP() << "cannot mount a small tmpfs here (not root?)";
    struct Unmount {
        QString folder;
        ~Unmount() { QProcess::execute(QStringLiteral("umount"), { QStringLiteral("-l"), folder }); }
    } unmount { temp };

    QTest::mouseClick(Ui(form)->imgbRecord, Qt::LeftButton);
    ASSERT_TRUE(CamController->Recording());
    const QString clip = form->Videos()->FileNames().value(0);
    ASSERT_TRUE(clip.startsWith(temp)) << clip.toStdString();
    ASSERT_TRUE(QTest::qWaitFor([] { return !CamController->Recording(); }, 20000)) << QFileInfo(clip).size();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !closer.Texts.isEmpty(); }, 5000));
    EXPECT_EQ(closer.Texts, QStringList { LanguageTexts[QStringLiteral("RecordFailedMsg")] });
    EXPECT_NE(Ui(form)->lblStatus->text(), QStringLiteral("Recording..."));
    EXPECT_EQ(form->Videos()->VideoCount(), 0);
    EXPECT_FALSE(QFile::exists(clip));
    // The camera goes on: the next snapshot is a fresh frame.
    EXPECT_TRUE(CamController->WindowOpen());
    EXPECT_TRUE(Ui(form)->imgbSnapshot->isEnabled());
}

// A camera that sends a frame and then stalls: a recording gets no picture.
// No empty clip is listed (nor saved later); the user is told why.
TEST_F(MainFormDevicesTest, ARecordingTheCameraSentNoPictureForIsDroppedAndExplained)
{
    WriteDevices("[cam]\nprovider=v4l2\nname=Stalling Cam\npath=/dev/video0\nbus-info=usb-1\n"
                 "caps=video/x-raw,format=YUY2,width=640,height=480,framerate=1/1000\n\n");
    TBoxCloser closer;
    TMainForm* form = Start();
    ASSERT_TRUE(CamController->WindowOpen());
    QTest::mouseClick(Ui(form)->imgbRecord, Qt::LeftButton);
    if (!CamController->Recording())
        GTEST_SKIP() << "the recording did not start: nothing to drop";
    const QString clip = form->Videos()->FileNames().value(0);
    QTest::mouseClick(Ui(form)->imgbRecord, Qt::LeftButton);
    ASSERT_FALSE(CamController->Recording());
    ASSERT_TRUE(QTest::qWaitFor([&] { return !closer.Texts.isEmpty(); }, 5000));
    EXPECT_EQ(closer.Texts, QStringList { LanguageTexts[QStringLiteral("NoPictureMsg")] });
    EXPECT_EQ(form->Videos()->VideoCount(), 0);
    EXPECT_EQ(form->Videos()->UnsavedCount(), 0);
    EXPECT_FALSE(QFile::exists(clip));
}
