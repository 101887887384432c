// SPDX-License-Identifier: GPL-2.0-or-later
// The main window over the real capture library and the synthetic camera:
// where the windows open, the menus, the drag rule, the start-up outcomes and
// the snapshot and recording flows.
#include "MainFormFixture.h"
#include "SmallTmpfs.h"
#include "camera/CamControllerUnit.h"
#include "camera/CamViewFrm.h"
#include "camera/Snapwell.h"
#include "camera/ViewOverlay.h"
#include "core/LanguageTexts.h"
#include "core/SettingsStore.h"
#include "filter/frameblock.h"
#include "gallery/MediaStore.h"
#include "gallery/PhotosFrm.h"
#include "gallery/SessionSave.h"
#include "gallery/ThumbnailStrip.h"
#include "gallery/VideosFrm.h"
#include "widgets/ImageButton.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QActionGroup>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QProcess>
#include <QRegularExpression>
#include <QScreen>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolTip>

#include <gst/gst.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <sys/mount.h>
#include <unistd.h>

namespace {

bool WaitFor(const std::function<bool()>& condition, int timeoutMs = 15000)
{
    return QTest::qWaitFor(condition, timeoutMs);
}

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

// The English texts of the close question and its answers.
void SetCloseQuestionTexts()
{
    LanguageTexts = TLanguageTexts({
        { "UnsavedCountMsg",
            QStringLiteral("Photos not saved: %d. Videos not saved: %d. Save them before Glimview closes?") },
        { "SaveAllButton", QStringLiteral("Save all") },
        { "DiscardButton", QStringLiteral("Discard") },
        { "CancelButton", QStringLiteral("Cancel") },
        { "SaveAllFailedMsg",
            QStringLiteral("Glimview could not save into the folder %s, so nothing was discarded. Check that "
                           "the folder exists and that you may write to it.") },
    });
}

// What a command prints, or nothing when it fails.
QString Output(const QString& program, const QStringList& arguments)
{
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(30000) || process.exitCode() != 0)
        return {};
    return QString::fromUtf8(process.readAllStandardOutput()).trimmed();
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

TEST_F(MainFormTest, FirstRunPlacesWindowsAndBuildsMenus)
{
    TMainForm* form = MakeForm();
    Ui(form)->tmSystem->stop();

    EXPECT_EQ(form->pos(), QPoint(50, 50));
    EXPECT_EQ(form->size(), QSize(354, 124));
    EXPECT_EQ(form->CamView()->pos(), QPoint(404, 50));
    EXPECT_EQ(form->Photos()->pos(), QPoint(50, 174));
    EXPECT_TRUE(form->Photos()->isVisible());
    EXPECT_EQ(form->Videos()->pos(), QPoint(50, 322));
    EXPECT_TRUE(form->Videos()->isVisible());

    // about, separator, video devices, audio devices, separator, file type,
    // picture size; then separator, mirror, self-timer, flash
    const QList<QAction*> items = Ui(form)->pmMain->actions();
    ASSERT_EQ(items.size(), 11);
    EXPECT_TRUE(items[1]->isSeparator());
    EXPECT_TRUE(items[4]->isSeparator());
    EXPECT_EQ(items[6]->menu(), form->PictureSizeSubmenu());
    EXPECT_EQ(items[6]->text(), QStringLiteral("Picture size"));
    EXPECT_TRUE(Ui(form)->pmiVGA->isChecked());
    EXPECT_TRUE(items[7]->isSeparator());
    EXPECT_EQ(items[8], Ui(form)->pmiMirror);
    EXPECT_EQ(items[8]->text(), QStringLiteral("Mirror the live picture"));
    EXPECT_TRUE(items[8]->isCheckable());
    EXPECT_FALSE(items[8]->isChecked()); // a new user's picture is not mirrored
    EXPECT_EQ(items[9]->menu(), Ui(form)->pmiSelfTimer);
    EXPECT_EQ(items[9]->text(), QStringLiteral("Self-timer"));
    QStringList timerTexts;
    for (QAction* item : Ui(form)->pmiSelfTimer->actions())
        timerTexts << item->text();
    EXPECT_EQ(timerTexts, (QStringList { "Off", "3 seconds", "10 seconds" }));
    EXPECT_TRUE(Ui(form)->pmiSelfTimerItems->isExclusive());
    EXPECT_TRUE(Ui(form)->pmiSelfTimerOff->isChecked());
    EXPECT_EQ(items[10], Ui(form)->pmiFlash);
    EXPECT_EQ(items[10]->text(), QStringLiteral("Flash on snapshot"));
    EXPECT_TRUE(items[10]->isChecked());

    // The recording file types: the hidden AVI, then ASF (checked), MP4, WebM.
    EXPECT_EQ(items[5]->menu(), Ui(form)->pmiVideoFileFormat);
    const QList<QAction*> types = Ui(form)->pmiVideoFileFormat->actions();
    ASSERT_EQ(types.size(), 4);
    EXPECT_EQ(types[0], Ui(form)->pmiUncompressedAVI);
    QStringList typeNames;
    for (QAction* type : types) {
        typeNames << type->text();
        EXPECT_TRUE(type->isCheckable());
        EXPECT_EQ(type->isChecked(), type == Ui(form)->pmiASF) << type->text().toStdString();
    }
    EXPECT_EQ(typeNames,
        QStringList({ QStringLiteral("Uncompressed AVI"), QStringLiteral("Microsoft ASF"),
            QStringLiteral("MP4 (H.264)"), QStringLiteral("WebM (VP8)") }));

    // What the code can do but the windows do not offer: each stays hidden,
    // and the user's documents (the manual page, the AppStream metadata, the
    // package description) name none of it. What is offered they do name.
    struct THiddenFeature {
        const char* what;
        bool hidden;
        QStringList words; // case-insensitive patterns
    };
    const THiddenFeature hiddenFeatures[] = {
        { "uncompressed AVI recording", !Ui(form)->pmiUncompressedAVI->isVisible(),
            { QStringLiteral("\\bAVI\\b"), QStringLiteral("uncompressed") } },
        { "1024x768", !Ui(form)->pmiXGA->isVisible(),
            { QStringLiteral("1024 ?x ?768"), QStringLiteral("\\bXGA") } },
        { "1280x1024", !Ui(form)->pmiSXVGA->isVisible(),
            { QStringLiteral("1280 ?x ?1024"), QStringLiteral("SXVGA") } },
        { "1600x1200", !Ui(form)->pmiUXGA->isVisible(),
            { QStringLiteral("1600 ?x ?1200"), QStringLiteral("UXGA") } },
        { "e-mail", !form->Photos()->imgbEMail->isVisible() && !form->Videos()->imgbEMail->isVisible(),
            { QStringLiteral("e-?mail"), QStringLiteral("\\bSMTP\\b"), QStringLiteral("composer"),
                QStringLiteral("attachment") } },
    };
    const QStringList offered { QStringLiteral("320x240"), QStringLiteral("640x480"),
        QStringLiteral("full[ -]screen"), QStringLiteral("\\bASF\\b"), QStringLiteral("JPEG"),
        QStringLiteral("\\bMP4\\b"), QStringLiteral("H\\.264"), QStringLiteral("\\bWebM\\b"),
        QStringLiteral("\\bVP8\\b"), QStringLiteral("mirror"), QStringLiteral("self-timer"),
        QStringLiteral("flash") };
    const auto sourceText = [](const char* path) {
        QFile file(QStringLiteral(GLIMVIEW_SOURCE_DIR "/") + QLatin1String(path));
        EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << path;
        // roff writes a hyphen as "\-".
        return QString::fromUtf8(file.readAll()).replace(QStringLiteral("\\-"), QStringLiteral("-"));
    };
    const QString package = sourceText("cmake/GlimviewPackage.cmake");
    const qsizetype description = package.indexOf(QStringLiteral("CPACK_PACKAGE_DESCRIPTION\n"));
    ASSERT_GE(description, 0);
    const std::pair<const char*, QString> documents[] = {
        { "dist/glimview.1.in", sourceText("dist/glimview.1.in") },
        { "dist/glimview.metainfo.xml.in", sourceText("dist/glimview.metainfo.xml.in") },
        { "package description",
            package.mid(description, package.indexOf(QStringLiteral("\")"), description) - description) },
    };
    for (const auto& [name, text] : documents) {
        ASSERT_GT(text.size(), 500) << name;
        for (const THiddenFeature& feature : hiddenFeatures) {
            EXPECT_TRUE(feature.hidden) << feature.what << " is offered now: take it off this list";
            for (const QString& word : feature.words) {
                const QRegularExpressionMatch match
                    = QRegularExpression(word, QRegularExpression::CaseInsensitiveOption).match(text);
                EXPECT_FALSE(match.hasMatch())
                    << name << " names " << feature.what << ": \"" << match.captured().toStdString() << "\"";
            }
        }
        for (const QString& word : offered)
            EXPECT_TRUE(
                QRegularExpression(word, QRegularExpression::CaseInsensitiveOption).match(text).hasMatch())
                << name << " does not name " << word.toStdString();
    }

    // Hidden buttons still keep their rectangles from dragging.
    EXPECT_FALSE(Ui(form)->imgbSnapshot->isVisible());
    EXPECT_FALSE(form->IsDragPoint(QPoint(60, 55)));
    EXPECT_FALSE(form->IsDragPoint(QPoint(20, 135))); // the hidden link labels
    EXPECT_TRUE(form->IsDragPoint(QPoint(30, 100)));
    EXPECT_TRUE(form->IsDragPoint(QPoint(100, 30))); // the status line drags too

    // Gallery toggle: hide and unlatch, show and latch.
    EXPECT_FALSE(Ui(form)->imgbImage->PictureUp().isNull());
    QTest::mouseClick(Ui(form)->imgbImage, Qt::LeftButton);
    EXPECT_FALSE(form->Photos()->isVisible());
    EXPECT_TRUE(Ui(form)->imgbImage->PictureUp().isNull());
    QTest::mouseClick(Ui(form)->imgbImage, Qt::LeftButton);
    EXPECT_TRUE(form->Photos()->isVisible());
    EXPECT_FALSE(Ui(form)->imgbImage->PictureUp().isNull());
}

TEST_F(MainFormTest, PositionsPersistAndStringValuesStayStrings)
{
    SettingsStore->WriteString(
        QStringLiteral("MainController"), QStringLiteral("Left"), QStringLiteral("120"));
    SettingsStore->WriteBool(QStringLiteral("VideoGallery"), QStringLiteral("Visible"), false);
    TMainForm* form = MakeForm();
    Ui(form)->tmSystem->stop();
    EXPECT_EQ(form->pos(), QPoint(120, 50));
    EXPECT_FALSE(form->Videos()->isVisible());
    EXPECT_TRUE(Ui(form)->imgbVideo->PictureUp().isNull());

    form->Photos()->move(300, 400);
    form->close();
    EXPECT_EQ(SettingsStore->ReadInteger(QStringLiteral("ImageGallery"), QStringLiteral("Left"), 0), 300);
    EXPECT_EQ(SettingsStore->ReadInteger(QStringLiteral("ImageGallery"), QStringLiteral("Top"), 0), 400);
    EXPECT_EQ(SettingsStore->ReadString(QStringLiteral("MainController"), QStringLiteral("Left"), QString()),
        QStringLiteral("120"));
    EXPECT_FALSE(SettingsStore->ReadBool(QStringLiteral("VideoGallery"), QStringLiteral("Visible"), true));
    QFile file(SettingsStore->FilePath());
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray text = file.readAll();
    EXPECT_TRUE(text.contains("\"Left\"=\"120\"")) << text.constData();
    EXPECT_TRUE(text.contains("\"Left\"=dword:0000012c")) << text.constData();
}

// The mirror, the self-timer and the flash are stored as they change, by
// menu and by key, and come back at the next start.
TEST_F(MainFormTest, PictureItemsAreStoredAndRestored)
{
    const QString section = QStringLiteral("MainController");
    TMainForm* form = MakeForm();
    Ui(form)->tmSystem->stop();
    form->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(form));
    QTest::keyClick(form, Qt::Key_M);
    EXPECT_TRUE(Ui(form)->pmiMirror->isChecked());
    EXPECT_TRUE(SettingsStore->ReadBool(section, QStringLiteral("MirrorPicture"), false));
    QTest::keyClick(form, Qt::Key_T);
    EXPECT_TRUE(Ui(form)->pmiSelfTimer3->isChecked());
    QTest::keyClick(form, Qt::Key_T);
    EXPECT_TRUE(Ui(form)->pmiSelfTimer10->isChecked());
    EXPECT_EQ(SettingsStore->ReadInteger(section, QStringLiteral("SelfTimer"), 0), 10);
    Ui(form)->pmiFlash->trigger();
    EXPECT_FALSE(SettingsStore->ReadBool(section, QStringLiteral("SnapshotFlash"), true));
    // The keys work from the galleries too.
    form->Photos()->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(form->Photos()));
    QTest::keyClick(form->Photos(), Qt::Key_T);
    EXPECT_TRUE(Ui(form)->pmiSelfTimerOff->isChecked());
    QTest::keyClick(form->Photos(), Qt::Key_T);
    EXPECT_TRUE(Ui(form)->pmiSelfTimer3->isChecked());
    form->close();
    delete Form;
    Form = nullptr;

    form = MakeForm();
    Ui(form)->tmSystem->stop();
    EXPECT_TRUE(Ui(form)->pmiMirror->isChecked());
    EXPECT_TRUE(Ui(form)->pmiSelfTimer3->isChecked());
    EXPECT_FALSE(Ui(form)->pmiFlash->isChecked());
    Ui(form)->pmiMirror->trigger();
    Ui(form)->pmiSelfTimerOff->trigger();
    EXPECT_FALSE(SettingsStore->ReadBool(section, QStringLiteral("MirrorPicture"), true));
    EXPECT_EQ(SettingsStore->ReadInteger(section, QStringLiteral("SelfTimer"), 3), 0);
}

TEST_F(MainFormTest, LowColourDepthWarnsOnceAndNeverOpensTheCamera)
{
    TBoxCloser closer;
    TMainForm* form = MakeForm(16);
    ASSERT_TRUE(WaitFor([&] { return !closer.Texts.isEmpty(); }));
    // Let the timer tick many more times: the warning is not repeated.
    int ticks = 0;
    QObject::connect(Ui(form)->tmSystem, &QTimer::timeout, [&] { ++ticks; });
    ASSERT_TRUE(WaitFor([&] { return ticks >= 5; }));
    EXPECT_EQ(closer.Texts.size(), 1);
    EXPECT_TRUE(closer.Texts.value(0).contains(QStringLiteral("colour depth")))
        << closer.Texts.value(0).toStdString();
    EXPECT_EQ(form->StartStage(), TMainForm::ssLowColour);
    EXPECT_TRUE(Ui(form)->pmiVideoDevices->actions().isEmpty());
    EXPECT_FALSE(Ui(form)->imgbSnapshot->isVisible());
    EXPECT_FALSE(CamController->WindowOpen());
    EXPECT_EQ(Ui(form)->lblStatus->text(), QStringLiteral("Starting the camera..."));
}

TEST_F(MainFormTest, CameraStartsAndTheFlowsWork)
{
    TBoxCloser closer;
    TMainForm* form = MakeForm();
    ASSERT_TRUE(WaitFor([&] { return form->StartStage() == TMainForm::ssFinished; }, 30000));
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
    EXPECT_TRUE(form->CamView()->pnlView->isVisible());
    const QList<QAction*> cameras = Ui(form)->pmiVideoDevices->actions();
    ASSERT_FALSE(cameras.isEmpty());
    EXPECT_TRUE(cameras[0]->isChecked());

    // 320x240: the live view shrinks at once, the camera follows a tick later.
    Ui(form)->pmiSIF->trigger();
    EXPECT_EQ(form->CamView()->size(), QSize(354, 280));
    EXPECT_FALSE(form->CamView()->pnlView->isVisible());
    EXPECT_EQ(CamController->FormatIndex(), 1);
    ASSERT_TRUE(WaitFor([&] { return CamController->FormatIndex() == 0; }));
    EXPECT_TRUE(form->CamView()->pnlView->isVisible());
    EXPECT_TRUE(Ui(form)->pmiSIF->isChecked());
    EXPECT_FALSE(Ui(form)->pmiVGA->isChecked());
    // The same size again changes nothing.
    Ui(form)->pmiSIF->trigger();
    EXPECT_TRUE(Ui(form)->pmiSIF->isChecked());
    EXPECT_TRUE(form->CamView()->pnlView->isVisible());

    // The camera's new size reaches the frame block with its next frames.
    ASSERT_TRUE(WaitFor([] {
        const auto* block = FrameBlock();
        return frameblock::LoadWord(block, frameblock::kWidthOffset) == 320
            && frameblock::LoadWord(block, frameblock::kFrameReadyOffset) == 1;
    }));

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
    const QImage photo = form->Photos()->Strip->Item(0)->Picture();
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
    ASSERT_TRUE(WaitFor([&] { return Ui(form)->imgbRecord->Picture().isNull() != !shownAtStart; }, 3000));
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

// A key stands for its button: nothing while the button is hidden or
// disabled, the button's own handler otherwise; screen readers press the
// same way and see the hint as the button's name.
TEST_F(MainFormTest, KeysAndScreenReadersPressOnlyWhatIsThere)
{
    TBoxCloser closer;
    TMainForm* form = MakeForm();
    form->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(form));
    // Before the camera's first tick its buttons are hidden: Space takes nothing.
    ASSERT_EQ(form->StartStage(), TMainForm::ssNotRun);
    QTest::keyClick(form, Qt::Key_Space);
    QTest::keyClick(form, Qt::Key_F11);
    EXPECT_EQ(form->Photos()->ImageCount(), 0);
    EXPECT_FALSE(form->CamView()->FullScreen());
    ASSERT_TRUE(WaitFor([&] { return form->StartStage() == TMainForm::ssFinished; }, 30000));

    QAccessibleInterface* snapshot = QAccessible::queryAccessibleInterface(Ui(form)->imgbSnapshot);
    ASSERT_NE(snapshot, nullptr);
    EXPECT_EQ(snapshot->role(), QAccessible::Button);
    EXPECT_EQ(snapshot->text(QAccessible::Name), LanguageTexts[QStringLiteral("SnapShotHint")]);
    EXPECT_EQ(QAccessible::queryAccessibleInterface(Ui(form)->imgbHide)->text(QAccessible::Name),
        LanguageTexts[QStringLiteral("HideWindowHint")]);
    ASSERT_EQ(snapshot->actionInterface()->actionNames(),
        QStringList { QAccessibleActionInterface::pressAction() });
    snapshot->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    ASSERT_TRUE(WaitFor([&] { return form->Photos()->ImageCount() == 1; }, 10000));
    QAccessibleInterface* photo
        = QAccessible::queryAccessibleInterface(const_cast<TThumbnail*>(form->Photos()->Strip->Item(0)));
    EXPECT_EQ(photo->role(), QAccessible::ListItem);
    EXPECT_EQ(photo->text(QAccessible::Name), QStringLiteral("Photo 1 of 1"));
    EXPECT_TRUE(photo->state().selected);
    EXPECT_TRUE(QAccessible::queryAccessibleInterface(Ui(form)->imgbImage)->state().checked);

    // During a recording the snapshot button is disabled, and so is Space.
    form->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(form));
    QTest::keyClick(form, Qt::Key_R);
    ASSERT_TRUE(WaitFor([&] { return CamController->Recording(); }, 10000));
    form->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(form));
    QTest::keyClick(form, Qt::Key_Space);
    QTest::keyClick(form, Qt::Key_R);
    EXPECT_FALSE(CamController->Recording());
    EXPECT_EQ(form->Photos()->ImageCount(), 1);
    EXPECT_EQ(form->Videos()->VideoCount(), 1);

    // Ctrl+M minimises every window, as the panel's minimise button does.
    form->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(form));
    QTest::keyClick(form, Qt::Key_M, Qt::ControlModifier);
    for (QWidget* window : { static_cast<QWidget*>(form), static_cast<QWidget*>(form->CamView()) })
        EXPECT_TRUE(window->isMinimized());
    EXPECT_TRUE(closer.Texts.isEmpty()) << closer.Texts.join(u'|').toStdString();
}

// With the self-timer set, Space and the snapshot button count down on the
// status line and over the live picture, and the snapshot follows at zero
// with the shutter's flash; Esc or a second press cancels.
TEST_F(MainFormTest, SelfTimerCountsDownToASnapshotAndCanBeCancelled)
{
    TBoxCloser closer;
    TMainForm* form = MakeForm();
    ASSERT_TRUE(WaitFor([&] { return form->StartStage() == TMainForm::ssFinished; }, 30000));
    ASSERT_TRUE(CamController->WindowOpen()) << "synthetic camera did not open";
    Ui(form)->pmiSelfTimer3->trigger();
    const TViewOverlay* overlay = form->CamView()->Overlay();
    int flashes = 0;
    QRect flashed;
    QObject::connect(overlay, &TViewOverlay::flashed, [&] {
        ++flashes;
        flashed = overlay->isVisible() ? overlay->geometry() : QRect();
    });

    form->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(form));
    QElapsedTimer clock;
    clock.start();
    QTest::keyClick(form, Qt::Key_Space);
    EXPECT_EQ(Ui(form)->lblStatus->text(), QStringLiteral("Self-timer: 3"));
    EXPECT_TRUE(overlay->isVisible());
    EXPECT_EQ(overlay->Countdown(), 3);
    ASSERT_TRUE(
        WaitFor([&] { return Ui(form)->lblStatus->text() == QStringLiteral("Self-timer: 2"); }, 2000));
    EXPECT_EQ(overlay->Countdown(), 2);
    EXPECT_EQ(form->Photos()->ImageCount(), 0);
    ASSERT_TRUE(WaitFor([&] { return form->Photos()->ImageCount() == 1; }, 4000));
    EXPECT_GE(clock.elapsed(), 2500);
    EXPECT_EQ(Ui(form)->lblStatus->text(), QStringLiteral("Photos: 1"));
    // The shutter: the picture flashes white, then shows again.
    EXPECT_EQ(flashes, 1);
    EXPECT_EQ(flashed, form->CamView()->PictureOnScreen());
    ASSERT_TRUE(WaitFor([&] { return !overlay->isVisible(); }, 1000));

    // Esc cancels: the status line has its text back, and no photo comes.
    form->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(form));
    QTest::keyClick(form, Qt::Key_Space);
    EXPECT_EQ(Ui(form)->lblStatus->text(), QStringLiteral("Self-timer: 3"));
    QTest::keyClick(form, Qt::Key_Escape);
    EXPECT_EQ(Ui(form)->lblStatus->text(), QStringLiteral("Photos: 1"));
    EXPECT_FALSE(overlay->isVisible());
    // A second press of the button cancels too.
    QTest::mouseClick(Ui(form)->imgbSnapshot, Qt::LeftButton);
    EXPECT_EQ(Ui(form)->lblStatus->text(), QStringLiteral("Self-timer: 3"));
    QTest::mouseClick(Ui(form)->imgbSnapshot, Qt::LeftButton);
    EXPECT_EQ(Ui(form)->lblStatus->text(), QStringLiteral("Photos: 1"));
    // In full screen the digits stand at the screen's centre; the live
    // view's Esc cancels the countdown first and leaves full screen next.
    TCamViewForm* view = form->CamView();
    view->EnterFullScreen();
    ASSERT_TRUE(view->FullScreen());
    QTest::mouseClick(Ui(form)->imgbSnapshot, Qt::LeftButton);
    EXPECT_TRUE(overlay->isVisible());
    EXPECT_EQ(overlay->geometry().center(), view->screen()->geometry().center());
    QTest::keyClick(view, Qt::Key_Escape);
    EXPECT_FALSE(overlay->isVisible());
    EXPECT_EQ(Ui(form)->lblStatus->text(), QStringLiteral("Photos: 1"));
    EXPECT_TRUE(view->FullScreen());
    QTest::keyClick(view, Qt::Key_Escape);
    EXPECT_FALSE(view->FullScreen());
    QTest::qWait(4000); // longer than the countdown: nothing may come of either
    EXPECT_EQ(form->Photos()->ImageCount(), 1);

    // Without the flash the snapshot is taken without it, at once when the timer is off.
    Ui(form)->pmiFlash->trigger();
    Ui(form)->pmiSelfTimerOff->trigger();
    form->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(form));
    QTest::keyClick(form, Qt::Key_Space);
    EXPECT_EQ(form->Photos()->ImageCount(), 2);
    EXPECT_EQ(flashes, 1);
    EXPECT_FALSE(overlay->isVisible());
    EXPECT_TRUE(closer.Texts.isEmpty()) << closer.Texts.join(u'|').toStdString();
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
        ASSERT_TRUE(WaitFor([&] { return form->StartStage() == TMainForm::ssFinished; }, 30000));
        EXPECT_EQ(closer.Texts, QStringList { message });
        EXPECT_TRUE(CamController->WindowOpen());
        EXPECT_TRUE(form->CamView()->pnlView->isVisible());
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
    ASSERT_TRUE(WaitFor([&] { return form->StartStage() == TMainForm::ssFinished; }, 30000));
    EXPECT_TRUE(closer.Texts.isEmpty());
    EXPECT_TRUE(CamController->WindowOpen());
    ExpectSnapshotAndRecordingRefused(form, closer, message);
    delete Form;
    Form = nullptr;
    CloseFrameMaps();
}

TEST_F(MainFormTest, FocusHintsMenusAndTheCloseQuestion)
{
    TMainForm* form = MakeForm();
    ASSERT_TRUE(WaitFor([&] { return form->StartStage() == TMainForm::ssFinished; }, 30000));
    ASSERT_TRUE(CamController->WindowOpen());
    // Nothing made yet: closing would ask nothing.
    EXPECT_TRUE(form->ConfirmDiscardUnsaved());

    // After a snapshot the gallery is the active window and holds the
    // keyboard: Delete acts with no click in between.
    form->activateWindow();
    QTest::mouseClick(Ui(form)->imgbSnapshot, Qt::LeftButton);
    ASSERT_EQ(form->Photos()->ImageCount(), 1);
    ASSERT_TRUE(WaitFor([&] { return QApplication::activeWindow() == form->Photos(); }, 3000));
    EXPECT_EQ(QApplication::focusWidget(), form->Photos());
    QTest::keyClick(QGuiApplication::focusWindow(), Qt::Key_Delete);
    EXPECT_EQ(form->Photos()->ImageCount(), 0);

    // The panel's hints show on hover while the gallery is the active window.
    QToolTip::hideText();
    QTest::mouseMove(Ui(form)->imgbSnapshot, QPoint(20, 20));
    QTest::mouseMove(Ui(form)->imgbSnapshot, QPoint(22, 22));
    EXPECT_TRUE(WaitFor([] { return QToolTip::isVisible(); }, 5000));
    EXPECT_EQ(QToolTip::text(), Ui(form)->imgbSnapshot->toolTip());
    EXPECT_FALSE(Ui(form)->imgbSnapshot->toolTip().isEmpty());
    QToolTip::hideText();

    // Any button on the format key opens the picture size menu, never the
    // main menu; the key looks normal again once the menu is gone.
    QTest::mousePress(Ui(form)->imgbFormat, Qt::RightButton, Qt::NoModifier, QPoint(10, 10));
    EXPECT_TRUE(Ui(form)->pmVideoFormat->isVisible());
    EXPECT_FALSE(Ui(form)->pmMain->isVisible());
    Ui(form)->pmVideoFormat->hide();
    QTest::mousePress(Ui(form)->imgbFormat, Qt::LeftButton, Qt::NoModifier, QPoint(10, 10));
    EXPECT_EQ(Ui(form)->imgbFormat->VisualState(), TImageButton::vsDown);
    ASSERT_TRUE(Ui(form)->pmVideoFormat->isVisible());
    Ui(form)->pmVideoFormat->hide();
    EXPECT_EQ(Ui(form)->imgbFormat->VisualState(), TImageButton::vsUp);

    // Two photos neither saved nor e-mailed: the user is asked, and No keeps
    // the program running.
    form->ProcessSnapshot();
    form->ProcessSnapshot();
    ASSERT_EQ(form->Photos()->UnsavedCount(), 2);
    SetCloseQuestionTexts();
    {
        TBoxCloser cancel(QStringLiteral("Cancel"));
        EXPECT_FALSE(form->close());
        EXPECT_TRUE(form->isVisible());
        EXPECT_EQ(cancel.Texts,
            QStringList {
                QStringLiteral("Photos not saved: 2. Videos not saved: 0. Save them before Glimview "
                               "closes?") });
    }
    // A photo handed to the composer counts as kept.
    form->Photos()->Strip->FocusedItem()->SetKept();
    EXPECT_EQ(form->Photos()->UnsavedCount(), 1);

    // A session end closes at once without a question, and loses nothing:
    // where the pictures folder takes no file, the photo waits in Temp as a
    // JPEG, and the next start brings it over and says where it went.
    const QString config = QString::fromLocal8Bit(qgetenv("XDG_CONFIG_HOME"));
    const QString pictures = config + QStringLiteral("/Pictures");
    ASSERT_TRUE(QDir().mkpath(config));
    const auto pointPicturesAt = [&](const QString& folder) {
        QFile dirs(config + QStringLiteral("/user-dirs.dirs"));
        ASSERT_TRUE(dirs.open(QIODevice::WriteOnly | QIODevice::Truncate));
        dirs.write(QStringLiteral("XDG_PICTURES_DIR=\"%1\"\n").arg(folder).toUtf8());
    };
    QFile blocker(config + QStringLiteral("/blocker"));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    pointPicturesAt(blocker.fileName() + QStringLiteral("/Pictures"));
    for (const QString& photo : PhotosLeftInTemp(TempFolder()))
        QFile::remove(photo);
    TBoxCloser closer(QStringLiteral("Discard"));
    form->EndSession();
    EXPECT_FALSE(form->isVisible());
    EXPECT_TRUE(closer.Texts.isEmpty());
    const QStringList waiting = PhotosLeftInTemp(TempFolder());
    ASSERT_EQ(waiting.size(), 1);
    EXPECT_EQ(QImage(waiting.first()).size(), QSize(640, 480));

    pointPicturesAt(pictures);
    LanguageTexts = TLanguageTexts({ { "SessionSavedMsg", QStringLiteral("Saved in %s.") } });
    EXPECT_EQ(BringOverLastSessionsCaptures(TempFolder()), QStringLiteral("Saved in %1.").arg(pictures));
    EXPECT_TRUE(PhotosLeftInTemp(TempFolder()).isEmpty());
    EXPECT_EQ(QDir(pictures).entryList({ QStringLiteral("Glimview *.jpg") }, QDir::Files).size(), 1);
}

// The close question's three answers. Save all puts every unsaved photo and
// clip into the user's pictures and videos folders under the suggested names
// and closes; a folder that cannot take them keeps everything and the window.
TEST_F(MainFormTest, TheCloseQuestionSavesAllDiscardsOrCancels)
{
    const QString config = QString::fromLocal8Bit(qgetenv("XDG_CONFIG_HOME"));
    const QString pictures = config + QStringLiteral("/My Pictures");
    const QString videos = config + QStringLiteral("/My Videos");
    ASSERT_TRUE(QDir().mkpath(config));
    {
        QFile dirs(config + QStringLiteral("/user-dirs.dirs"));
        ASSERT_TRUE(dirs.open(QIODevice::WriteOnly));
        dirs.write(QStringLiteral("XDG_PICTURES_DIR=\"%1\"\nXDG_VIDEOS_DIR=\"%2\"\n")
                       .arg(pictures, videos)
                       .toUtf8());
    }
    const auto filesIn = [](const QString& folder) {
        return QDir(folder).entryList(QDir::Files | QDir::System, QDir::Name);
    };

    // Discard: the program ends with nothing saved, and the clip goes with it.
    {
        TMainForm* form = MakeForm();
        ASSERT_TRUE(WaitFor([&] { return form->StartStage() == TMainForm::ssFinished; }, 30000));
        // Set over the window's own language file.
        SetCloseQuestionTexts();
        form->ProcessSnapshot();
        form->ProcessRecord();
        ASSERT_TRUE(CamController->Recording());
        const QString clip = form->Videos()->FileNames().value(0);
        form->ProcessRecord();
        ASSERT_EQ(form->Photos()->UnsavedCount(), 1);
        ASSERT_EQ(form->Videos()->UnsavedCount(), 1);
        TBoxCloser discard(QStringLiteral("Discard"));
        EXPECT_TRUE(form->close());
        EXPECT_EQ(discard.Texts,
            QStringList { QStringLiteral(
                "Photos not saved: 1. Videos not saved: 1. Save them before Glimview closes?") });
        ASSERT_EQ(discard.Buttons.size(), 1);
        EXPECT_EQ(QSet<QString>(discard.Buttons[0].begin(), discard.Buttons[0].end()),
            QSet<QString>(
                { QStringLiteral("Save all"), QStringLiteral("Discard"), QStringLiteral("Cancel") }));
        delete Form;
        Form = nullptr;
        EXPECT_FALSE(QFile::exists(clip));
        EXPECT_TRUE(filesIn(pictures).isEmpty());
        EXPECT_TRUE(filesIn(videos).isEmpty());
        DestroyCamController();
        CreateCamController();
    }

    TMainForm* form = MakeForm();
    ASSERT_TRUE(WaitFor([&] { return form->StartStage() == TMainForm::ssFinished; }, 30000));
    SetCloseQuestionTexts();
    form->ProcessSnapshot();
    form->ProcessSnapshot();
    form->ProcessSnapshot();
    form->ProcessRecord();
    ASSERT_TRUE(CamController->Recording());
    const QString clip = form->Videos()->FileNames().value(0);
    // A clip of some frames: the file grows well past its header.
    QElapsedTimer recorded;
    recorded.start();
    EXPECT_TRUE(WaitFor([&] { return QFileInfo(clip).size() > 60000; }));
    form->ProcessRecord();
    ASSERT_FALSE(CamController->Recording());
    qint64 shortestMs = recorded.elapsed();
    // One photo saved already through its own dialog's path: it is not saved again.
    form->Photos()->Strip->Item(2)->SetKept();
    ASSERT_EQ(form->Photos()->UnsavedCount(), 2);
    ASSERT_EQ(form->Videos()->UnsavedCount(), 1);

    // Cancel: everything stays as it was.
    {
        TBoxCloser cancel(QStringLiteral("Cancel"));
        EXPECT_FALSE(form->close());
        EXPECT_TRUE(form->isVisible());
        EXPECT_EQ(cancel.Texts.size(), 1);
        EXPECT_EQ(form->Photos()->UnsavedCount(), 2);
        EXPECT_EQ(form->Videos()->UnsavedCount(), 1);
        EXPECT_TRUE(filesIn(pictures).isEmpty());
        EXPECT_TRUE(filesIn(videos).isEmpty());
    }

    // A pictures folder that takes no file: read-only for everybody, root
    // included, where the test may mount; otherwise without write permission.
    ASSERT_TRUE(QDir().mkpath(pictures));
    const QByteArray picturesName = QFile::encodeName(pictures);
    const bool mounted
        = ::geteuid() == 0 && ::mount("tmpfs", picturesName.constData(), "tmpfs", MS_RDONLY, "size=64k") == 0;
    if (!mounted) {
        ASSERT_TRUE(QFile::setPermissions(pictures, QFile::ReadOwner | QFile::ExeOwner));
    }
    if (QFileInfo(pictures).isWritable()) {
        QFile::setPermissions(pictures, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        GTEST_SKIP() << "no folder can be made read-only here";
    }
    {
        TBoxCloser saveAll(QStringLiteral("Save all"));
        EXPECT_FALSE(form->close());
        EXPECT_TRUE(form->isVisible());
        ASSERT_EQ(saveAll.Texts.size(), 2);
        EXPECT_EQ(saveAll.Texts[1],
            QStringLiteral("Glimview could not save into the folder %1, so nothing was discarded. Check that "
                           "the folder exists and that you may write to it.")
                .arg(pictures));
        EXPECT_EQ(form->Photos()->ImageCount(), 3);
        EXPECT_EQ(form->Photos()->UnsavedCount(), 2);
        EXPECT_EQ(form->Videos()->UnsavedCount(), 1);
        EXPECT_TRUE(QFile::exists(clip));
    }
    if (mounted) {
        ASSERT_EQ(::umount(picturesName.constData()), 0);
    } else {
        ASSERT_TRUE(QFile::setPermissions(pictures, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
    }

    // A file of the first photo's name is there already: it stays, and the
    // photo takes the next free name.
    const QString taken = pictures + QStringLiteral("/Glimview ")
        + form->Photos()->Strip->Item(0)->CapturedAt().toString(QStringLiteral("yyyy-MM-dd HH-mm-ss"))
        + QStringLiteral(".jpg");
    {
        QFile file(taken);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("someone else's");
    }
    // A recording still running is finished before it is saved; this one is
    // an MP4, and keeps its type.
    Ui(form)->pmiMP4->trigger();
    form->ProcessRecord();
    ASSERT_TRUE(CamController->Recording());
    const QString running = form->Videos()->FileNames().value(1);
    EXPECT_TRUE(running.endsWith(QLatin1String(".mp4"))) << running.toStdString();
    recorded.start();
    EXPECT_TRUE(WaitFor([&] { return QFileInfo(running).size() > 60000; }));
    TBoxCloser saveAll(QStringLiteral("Save all"));
    EXPECT_TRUE(form->close());
    shortestMs = std::min(shortestMs, recorded.elapsed());
    EXPECT_FALSE(CamController->Recording());
    EXPECT_EQ(saveAll.Texts.size(), 1) << saveAll.Texts.join(u'|').toStdString();
    {
        QFile file(taken);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        EXPECT_EQ(file.readAll(), QByteArray("someone else's"));
    }
    const QRegularExpression name(QStringLiteral(
        "^Glimview \\d{4}-\\d\\d-\\d\\d \\d\\d-\\d\\d-\\d\\d( \\((\\d+)\\))?\\.(jpg|wmv|mp4)$"));
    const QStringList photos = filesIn(pictures);
    ASSERT_EQ(photos.size(), 3) << photos.join(u'|').toStdString();
    for (const QString& file : photos) {
        EXPECT_TRUE(name.match(file).hasMatch()) << file.toStdString();
        if (pictures + u'/' + file == taken)
            continue;
        EXPECT_EQ(Output(QStringLiteral("identify"),
                      { QStringLiteral("-format"), QStringLiteral("%m %wx%h"), pictures + u'/' + file }),
            QStringLiteral("JPEG 640x480"))
            << file.toStdString();
    }
    EXPECT_TRUE(photos.contains(QFileInfo(taken).completeBaseName() + QStringLiteral(" (2).jpg")))
        << photos.join(u'|').toStdString();
    // Both clips whole: their streams, and a length (which the muxer writes
    // only when a recording is finished) of at least half the time it ran.
    const QStringList clips = filesIn(videos);
    ASSERT_EQ(clips.size(), 2) << clips.join(u'|').toStdString();
    EXPECT_EQ(QSet<QString>({ QFileInfo(clips[0]).suffix(), QFileInfo(clips[1]).suffix() }),
        QSet<QString>({ QStringLiteral("wmv"), QStringLiteral("mp4") }));
    for (const QString& file : clips) {
        EXPECT_TRUE(name.match(file).hasMatch()) << file.toStdString();
        const bool mp4 = file.endsWith(QLatin1String(".mp4"));
        EXPECT_EQ(Output(QStringLiteral("ffprobe"),
                      { QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-show_entries"),
                          QStringLiteral("stream=codec_name"), QStringLiteral("-of"),
                          QStringLiteral("csv=p=0"), videos + u'/' + file })
                      .split(u'\n', Qt::SkipEmptyParts),
            mp4 ? QStringList({ QStringLiteral("h264"), QStringLiteral("aac") })
                : QStringList({ QStringLiteral("wmv2"), QStringLiteral("wmav2") }))
            << file.toStdString();
        const double seconds = Output(QStringLiteral("ffprobe"),
            { QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-show_entries"),
                QStringLiteral("format=duration"), QStringLiteral("-of"), QStringLiteral("csv=p=0"),
                videos + u'/' + file })
                                   .toDouble();
        EXPECT_GT(seconds * 1000, shortestMs / 2) << file.toStdString();
    }
}

} // namespace
