// SPDX-License-Identifier: GPL-2.0-or-later
// The main window over the real capture library and the synthetic camera:
// the snapshot and recording flows, and what a Temp folder or frame maps
// that cannot take them tell the user.
#include "MainFormFixture.h"
#include "SmallTmpfs.h"
#include "camera/CamControllerUnit.h"
#include "camera/CamViewFrm.h"
#include "camera/Snapwell.h"
#include "core/LanguageTexts.h"
#include "filter/frameblock.h"
#include "gallery/PhotosFrm.h"
#include "gallery/ThumbnailStrip.h"
#include "gallery/VideosFrm.h"
#include "widgets/ImageButton.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QMenu>
#include <QProcess>
#include <QTest>

#include <gst/gst.h>
#include <gtest/gtest.h>

#include <sys/mount.h>
#include <unistd.h>

namespace {

// A snapshot and a recording are each refused with `message`, and add nothing.
void ExpectSnapshotAndRecordingRefused(TMainForm* form, TBoxCloser& closer, const QString& message)
{
    closer.Texts.clear();
    form->ProcessSnapshot();
    EXPECT_EQ(form->Photos()->ImageCount(), 0);
    EXPECT_EQ(closer.Texts, QStringList { message });
    closer.Texts.clear();
    form->ProcessRecord();
    EXPECT_FALSE(CamController->Recording());
    EXPECT_EQ(form->Videos()->VideoCount(), 0);
    EXPECT_EQ(closer.Texts, QStringList { message });
}

// A text as the English language file words it.
QString EnglishText(const QString& key)
{
    QFile file(QStringLiteral(GLIMVIEW_SOURCE_DIR "/Languages/English.ini"));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QByteArray prefix = key.toUtf8() + '=';
    while (!file.atEnd()) {
        const QByteArray line = file.readLine().trimmed();
        if (line.startsWith(prefix))
            return QString::fromUtf8(line.mid(prefix.size()));
    }
    return {};
}

using MainFormTest = MainFormFixture;

TEST_F(MainFormTest, CameraStartsAndTheFlowsWork)
{
    TBoxCloser closer;
    TMainForm* form = MakeForm();
    ASSERT_TRUE(QTest::qWaitFor([&] { return form->StartStage() == TMainForm::ssFinished; }, 30000));
    ASSERT_TRUE(CamController->WindowOpen()) << "synthetic camera did not open";
    EXPECT_TRUE(closer.Texts.isEmpty());
    EXPECT_EQ(Ui(form)->lblStatus->text(), QStringLiteral("Camera ready"));
    for (TImageButton* b :
        { Ui(form)->imgbSnapshot, Ui(form)->imgbRecord, Ui(form)->imgbControl, Ui(form)->imgbFormat })
        EXPECT_TRUE(b->isVisible());
    EXPECT_TRUE(Ui(form)->pmiASF->isChecked());
    EXPECT_FALSE(Ui(form)->pmiUncompressedAVI->isChecked());
    EXPECT_EQ(CamController->VideoType(), 1);
    // The file types exclude each other; the one chosen is recorded.
    const auto checkedTypes = [&] {
        QList<QAction*> checked;
        for (QAction* type : Ui(form)->pmiVideoFileFormat->actions())
            if (type->isChecked())
                checked << type;
        return checked;
    };
    for (const auto& [item, type] : { std::pair { Ui(form)->pmiWebM, 3 }, std::pair { Ui(form)->pmiMP4, 2 },
             std::pair { Ui(form)->pmiMP4, 2 }, std::pair { Ui(form)->pmiASF, 1 } }) {
        item->trigger();
        EXPECT_EQ(checkedTypes(), QList<QAction*> { item }) << item->text().toStdString();
        EXPECT_EQ(CamController->VideoType(), type);
    }
    // Without x264enc in GStreamer's registry, MP4 is offered disabled, and
    // its hint names the package that brings it; it comes back with it.
    {
        GstRegistry* registry = gst_registry_get();
        GstPluginFeature* x264 = gst_registry_lookup_feature(registry, "x264enc");
        ASSERT_NE(x264, nullptr) << "x264enc (gstreamer1.0-plugins-ugly) is not installed";
        gst_registry_remove_feature(registry, x264);
        emit Ui(form)->pmiVideoFileFormat->aboutToShow();
        EXPECT_FALSE(Ui(form)->pmiMP4->isEnabled());
        EXPECT_TRUE(Ui(form)->pmiMP4->isVisible());
        EXPECT_TRUE(Ui(form)->pmiMP4->toolTip().contains(QStringLiteral("gstreamer1.0-plugins-ugly")))
            << Ui(form)->pmiMP4->toolTip().toStdString();
        EXPECT_TRUE(Ui(form)->pmiWebM->isEnabled());
        EXPECT_TRUE(Ui(form)->pmiASF->isEnabled());
        gst_registry_add_feature(registry, x264);
        gst_object_unref(x264);
        emit Ui(form)->pmiVideoFileFormat->aboutToShow();
        EXPECT_TRUE(Ui(form)->pmiMP4->isEnabled());
        EXPECT_FALSE(Ui(form)->pmiMP4->toolTip().contains(QStringLiteral("gstreamer1.0-plugins-ugly")));
    }
    EXPECT_TRUE(form->CamView()->Panel()->isVisible());
    const QList<QAction*> cameras = Ui(form)->pmiVideoDevices->actions();
    ASSERT_FALSE(cameras.isEmpty());
    EXPECT_TRUE(cameras[0]->isChecked());

    // 320x240: the live view shrinks at once, the camera follows a tick later.
    Ui(form)->pmiSIF->trigger();
    EXPECT_EQ(form->CamView()->size(), QSize(354, 280));
    EXPECT_FALSE(form->CamView()->Panel()->isVisible());
    EXPECT_EQ(CamController->FormatIndex(), 1);
    ASSERT_TRUE(QTest::qWaitFor([&] { return CamController->FormatIndex() == 0; }, 15000));
    EXPECT_TRUE(form->CamView()->Panel()->isVisible());
    EXPECT_TRUE(Ui(form)->pmiSIF->isChecked());
    EXPECT_FALSE(Ui(form)->pmiVGA->isChecked());
    // The same size again changes nothing.
    Ui(form)->pmiSIF->trigger();
    EXPECT_TRUE(Ui(form)->pmiSIF->isChecked());
    EXPECT_TRUE(form->CamView()->Panel()->isVisible());

    // The camera's new size reaches the frame block with its next frames.
    ASSERT_TRUE(QTest::qWaitFor(
        [] {
            const auto* block = FrameBlock();
            return frameblock::LoadWord(block, frameblock::kWidthOffset) == 320
                && frameblock::LoadWord(block, frameblock::kFrameReadyOffset) == 1;
        },
        15000));

    // A snapshot lands in the photo gallery, which shows and latches.
    form->Photos()->hide();
    form->UpdatePhotoButton();
    form->ProcessSnapshot();
    EXPECT_EQ(form->Photos()->ImageCount(), 1);
    EXPECT_TRUE(form->Photos()->isVisible());
    EXPECT_FALSE(Ui(form)->imgbImage->PictureUp().isNull());
    EXPECT_EQ(Ui(form)->lblStatus->text(), QStringLiteral("Photos: 1"));
    EXPECT_EQ(CamController->SnapshotImage().size(), QSize(320, 240));
    // The photo is the camera's frame, colour bars on top, the right way up.
    const QImage photo = form->Photos()->Strip()->Item(0)->Picture();
    ASSERT_EQ(photo.size(), QSize(320, 240));
    EXPECT_EQ(photo.convertToFormat(QImage::Format_RGB32),
        CamController->SnapshotImage().convertToFormat(QImage::Format_RGB32));
    const QColor top = photo.pixelColor(160, 40);
    EXPECT_GT(top.hsvSaturation() + top.value(), 200) << "top of the picture should be a bright bar";

    // Recording: listed at once, buttons locked, no menu on the skin.
    QTest::mouseClick(Ui(form)->imgbRecord, Qt::LeftButton);
    ASSERT_TRUE(CamController->Recording());
    EXPECT_EQ(form->Videos()->VideoCount(), 1);
    EXPECT_FALSE(Ui(form)->imgbSnapshot->isEnabled());
    EXPECT_FALSE(Ui(form)->imgbFormat->isEnabled());
    EXPECT_FALSE(Ui(form)->imgbControl->isEnabled());
    EXPECT_TRUE(Ui(form)->imgbRecord->isEnabled());
    EXPECT_FALSE(form->PictureSizeSubmenuItem()->isEnabled());
    EXPECT_EQ(Ui(form)->lblStatus->text(), QStringLiteral("Recording..."));
    QTest::mousePress(form, Qt::RightButton, Qt::NoModifier, QPoint(30, 100));
    QTest::mouseRelease(form, Qt::RightButton, Qt::NoModifier, QPoint(30, 100));
    EXPECT_FALSE(Ui(form)->pmMain->isVisible());
    const QString clip = form->Videos()->FileNames().value(0);
    EXPECT_TRUE(QFile::exists(clip)) << clip.toStdString();
    // The record button blinks: its picture comes and goes with the ticks.
    const bool shownAtStart = !Ui(form)->imgbRecord->Picture().isNull();
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return Ui(form)->imgbRecord->Picture().isNull() != !shownAtStart; }, 3000));
    // Every gallery key is ignored while recording.
    QTest::keyClick(form->Videos(), Qt::Key_Delete);
    EXPECT_EQ(form->Videos()->VideoCount(), 1);

    QTest::mouseClick(Ui(form)->imgbRecord, Qt::LeftButton);
    EXPECT_FALSE(CamController->Recording());
    EXPECT_TRUE(Ui(form)->imgbSnapshot->isEnabled());
    EXPECT_TRUE(form->PictureSizeSubmenuItem()->isEnabled());
    EXPECT_EQ(Ui(form)->lblStatus->text(), QStringLiteral("Videos: 1"));
    QProcess probe;
    probe.start(QStringLiteral("ffprobe"),
        { QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-show_entries"),
            QStringLiteral("stream=codec_name"), QStringLiteral("-of"), QStringLiteral("csv=p=0"), clip });
    ASSERT_TRUE(probe.waitForFinished(30000));
    EXPECT_EQ(QString::fromUtf8(probe.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts),
        QStringList({ QStringLiteral("wmv2"), QStringLiteral("wmav2") }));

    // A recording that cannot be made (here its encoder is gone) says so,
    // lists nothing and leaves the buttons as they were.
    {
        closer.Texts.clear();
        LanguageTexts = TLanguageTexts(
            { { "RecordStartFailedMsg", EnglishText(QStringLiteral("RecordStartFailedMsg")) } });
        GstRegistry* registry = gst_registry_get();
        GstPluginFeature* encoder = gst_registry_lookup_feature(registry, "avenc_wmv2");
        ASSERT_NE(encoder, nullptr);
        gst_registry_remove_feature(registry, encoder);
        gst_object_unref(encoder);
        QTest::mouseClick(Ui(form)->imgbRecord, Qt::LeftButton);
        EXPECT_FALSE(CamController->Recording());
        EXPECT_EQ(form->Videos()->VideoCount(), 1);
        EXPECT_TRUE(Ui(form)->imgbSnapshot->isEnabled());
        EXPECT_TRUE(form->PictureSizeSubmenuItem()->isEnabled());
        EXPECT_EQ(closer.Texts, QStringList { EnglishText(QStringLiteral("RecordStartFailedMsg")) });
        EXPECT_FALSE(EnglishText(QStringLiteral("RecordStartFailedMsg")).isEmpty());
    }

    // Clips are working files: gone with the program's windows.
    delete Form;
    Form = nullptr;
    EXPECT_FALSE(QFile::exists(clip));
}

TEST_F(MainFormTest, AnUnusableTempFolderIsToldAndTheLiveViewStillShows)
{
    const QString message = EnglishText(QStringLiteral("TempFolderMsg"));
    ASSERT_FALSE(message.isEmpty());
    const QString temp = Folder->filePath(QStringLiteral("Temp"));
    const QByteArray tempName = QFile::encodeName(temp);
    // Whatever happens, the next tests get their Temp folder back.
    struct TRestoreTemp {
        QString Path;
        ~TRestoreTemp()
        {
            ::umount2(QFile::encodeName(Path).constData(), MNT_DETACH);
            QFile::remove(Path);
            QDir().mkpath(Path);
        }
    } restore { temp };

    // The start, a snapshot and a recording each tell the user; none adds
    // anything, and the camera's picture shows all the same.
    auto expectToldAtEveryStep = [&] {
        TBoxCloser closer;
        TMainForm* form = MakeForm();
        ASSERT_TRUE(QTest::qWaitFor([&] { return form->StartStage() == TMainForm::ssFinished; }, 30000));
        EXPECT_EQ(closer.Texts, QStringList { message });
        EXPECT_TRUE(CamController->WindowOpen());
        EXPECT_TRUE(form->CamView()->Panel()->isVisible());
        EXPECT_EQ(Ui(form)->lblStatus->text(), QStringLiteral("Camera ready"));
        ExpectSnapshotAndRecordingRefused(form, closer, message);
        EXPECT_NE(Ui(form)->lblStatus->text(), QStringLiteral("Recording..."));
    };

    // A regular file where the folder should be.
    ASSERT_TRUE(QDir(temp).removeRecursively());
    {
        QFile file(temp);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    }
    {
        SCOPED_TRACE("Temp is a regular file");
        expectToldAtEveryStep();
    }

    // A folder that cannot hold a file: read-only for everybody, root included.
    if (::geteuid() != 0)
        return;
    delete Form;
    Form = nullptr;
    DestroyCamController();
    CreateCamController();
    ASSERT_TRUE(QFile::remove(temp));
    ASSERT_TRUE(QDir().mkpath(temp));
    ASSERT_EQ(::mount("tmpfs", tempName.constData(), "tmpfs", MS_RDONLY, "size=64k,mode=0755"), 0);
    {
        SCOPED_TRACE("Temp is read-only");
        expectToldAtEveryStep();
    }
}

// A runtime folder without room for the frame block: the program starts
// without a word and shows the camera; a snapshot and a recording say why
// they cannot be made.
TEST_F(MainFormTest, FrameMapsWithoutRoomAreToldAtSnapshotAndRecording)
{
    glimview_test::SmallTmpfs disk("256k");
    if (!disk.Mounted())
        GTEST_SKIP() << "mounting a small tmpfs needs root";
    const QString message = EnglishText(QStringLiteral("FrameMapsMsg"))
                                .replace(QStringLiteral("%s"), QFile::decodeName(disk.Path().c_str()));
    ASSERT_TRUE(message.contains(QFile::decodeName(disk.Path().c_str())));
    struct TSuiteMaps {
        ~TSuiteMaps() { CreateFrameMaps(); }
    } restoreMaps;
    glimview_test::RuntimeFolderOverride runtime(disk.Path());
    CreateFrameMaps();
    ASSERT_FALSE(FrameMapsReady());

    TBoxCloser closer;
    TMainForm* form = MakeForm();
    ASSERT_TRUE(QTest::qWaitFor([&] { return form->StartStage() == TMainForm::ssFinished; }, 30000));
    EXPECT_TRUE(closer.Texts.isEmpty());
    EXPECT_TRUE(CamController->WindowOpen());
    ExpectSnapshotAndRecordingRefused(form, closer, message);
    delete Form;
    Form = nullptr;
    CloseFrameMaps();
}

} // namespace
