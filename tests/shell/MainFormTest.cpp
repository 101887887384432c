// SPDX-License-Identifier: GPL-2.0-or-later
// The main window over the real capture library and the synthetic camera:
// where the windows open, the menus, the drag rule, the start-up outcomes and
// the snapshot and recording flows.
#include "RunFolderFixture.h"
#include "SmallTmpfs.h"
#include "camera/CamControllerUnit.h"
#include "camera/CamViewFrm.h"
#include "camera/Snapwell.h"
#include "core/LanguageTexts.h"
#include "core/SettingsStore.h"
#include "filter/frameblock.h"
#include "gallery/PhotosFrm.h"
#include "gallery/ThumbnailStrip.h"
#include "gallery/VideosFrm.h"
#include "shell/MainFrm.h"
#include "widgets/ImageButton.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolTip>

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <sys/mount.h>
#include <unistd.h>

namespace {

// Answers every modal box as it appears and remembers its text.
class TBoxCloser : public QObject {
public:
    explicit TBoxCloser(QMessageBox::StandardButton answer = QMessageBox::Ok)
        : FAnswer(answer)
    {
        FTimer.setInterval(20);
        QObject::connect(&FTimer, &QTimer::timeout, [this] { Poll(); });
        FTimer.start();
    }
    QStringList Texts;

private:
    void Poll()
    {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box)
            return;
        Texts << box->text();
        QAbstractButton* button = box->button(FAnswer);
        if (!button)
            button = box->buttons().value(0);
        button->click();
    }
    QMessageBox::StandardButton FAnswer;
    QTimer FTimer;
};

bool WaitFor(const std::function<bool()>& condition, int timeoutMs = 15000)
{
    return QTest::qWaitFor(condition, timeoutMs);
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

class MainFormTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        Folder = EnterTestRunFolder();
        SetFrameMapReport([](const QString&) {});
        CreateFrameMaps();
    }
    static void TearDownTestSuite() { CloseFrameMaps(); }

    void SetUp() override
    {
        // A fresh store and controller each time: nothing carries over.
        const QString config = Folder->filePath(QStringLiteral("config-%1").arg(++FRun));
        qputenv("XDG_CONFIG_HOME", config.toUtf8());
        OpenSettingsStore();
        CreateCamController();
    }
    void TearDown() override
    {
        delete Form;
        Form = nullptr;
        CloseSettingsStore();
        DestroyCamController();
    }

    TMainForm* MakeForm(int screenDepth = 24)
    {
        Form = new TMainForm();
        Form->ScreenDepth = [screenDepth] { return screenDepth; };
        Form->StartupPause = [](int) {};
        Form->show();
        return Form;
    }

    static inline QTemporaryDir* Folder = nullptr;
    static inline int FRun = 0;
    TMainForm* Form = nullptr;
};

TEST_F(MainFormTest, FirstRunPlacesWindowsAndBuildsMenus)
{
    TMainForm* form = MakeForm();
    form->tmSystem->stop();

    EXPECT_EQ(form->pos(), QPoint(50, 50));
    EXPECT_EQ(form->size(), QSize(354, 124));
    EXPECT_EQ(form->CamView()->pos(), QPoint(404, 50));
    EXPECT_EQ(form->Photos()->pos(), QPoint(50, 174));
    EXPECT_TRUE(form->Photos()->isVisible());
    EXPECT_EQ(form->Videos()->pos(), QPoint(50, 322));
    EXPECT_TRUE(form->Videos()->isVisible());

    // about, separator, video devices, audio devices, separator, file type, picture size
    const QList<QAction*> items = form->pmMain->actions();
    ASSERT_EQ(items.size(), 7);
    EXPECT_TRUE(items[1]->isSeparator());
    EXPECT_TRUE(items[4]->isSeparator());
    EXPECT_EQ(items[6]->menu(), form->PictureSizeSubmenu());
    EXPECT_EQ(items[6]->text(), QStringLiteral("Picture size"));
    EXPECT_FALSE(form->pmiUncompressedAVI->isVisible());
    EXPECT_FALSE(form->pmiXGA->isVisible());
    EXPECT_FALSE(form->pmiSXVGA->isVisible());
    EXPECT_FALSE(form->pmiUXGA->isVisible());
    EXPECT_TRUE(form->pmiVGA->isChecked());

    // Hidden buttons still keep their rectangles from dragging.
    EXPECT_FALSE(form->imgbSnapshot->isVisible());
    EXPECT_FALSE(form->IsDragPoint(QPoint(60, 55)));
    EXPECT_FALSE(form->IsDragPoint(QPoint(20, 135))); // the hidden link labels
    EXPECT_TRUE(form->IsDragPoint(QPoint(30, 100)));
    EXPECT_TRUE(form->IsDragPoint(QPoint(100, 30))); // the status line drags too

    // Gallery toggle: hide and unlatch, show and latch.
    EXPECT_FALSE(form->imgbImage->PictureUp().isNull());
    QTest::mouseClick(form->imgbImage, Qt::LeftButton);
    EXPECT_FALSE(form->Photos()->isVisible());
    EXPECT_TRUE(form->imgbImage->PictureUp().isNull());
    QTest::mouseClick(form->imgbImage, Qt::LeftButton);
    EXPECT_TRUE(form->Photos()->isVisible());
    EXPECT_FALSE(form->imgbImage->PictureUp().isNull());
}

TEST_F(MainFormTest, PositionsPersistAndStringValuesStayStrings)
{
    SettingsStore->WriteString(
        QStringLiteral("MainController"), QStringLiteral("Left"), QStringLiteral("120"));
    SettingsStore->WriteBool(QStringLiteral("VideoGallery"), QStringLiteral("Visible"), false);
    TMainForm* form = MakeForm();
    form->tmSystem->stop();
    EXPECT_EQ(form->pos(), QPoint(120, 50));
    EXPECT_FALSE(form->Videos()->isVisible());
    EXPECT_TRUE(form->imgbVideo->PictureUp().isNull());

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

TEST_F(MainFormTest, LowColourDepthWarnsOnceAndNeverOpensTheCamera)
{
    TBoxCloser closer;
    TMainForm* form = MakeForm(16);
    ASSERT_TRUE(WaitFor([&] { return !closer.Texts.isEmpty(); }));
    // Let the timer tick many more times: the warning is not repeated.
    int ticks = 0;
    QObject::connect(form->tmSystem, &QTimer::timeout, [&] { ++ticks; });
    ASSERT_TRUE(WaitFor([&] { return ticks >= 5; }));
    EXPECT_EQ(closer.Texts.size(), 1);
    EXPECT_TRUE(closer.Texts.value(0).contains(QStringLiteral("colour depth")))
        << closer.Texts.value(0).toStdString();
    EXPECT_EQ(form->StartStage(), TMainForm::ssLowColour);
    EXPECT_TRUE(form->pmiVideoDevices->actions().isEmpty());
    EXPECT_FALSE(form->imgbSnapshot->isVisible());
    EXPECT_FALSE(CamController->WindowOpen);
    EXPECT_EQ(form->lblStatus->text(), QStringLiteral("Starting the camera..."));
}

TEST_F(MainFormTest, CameraStartsAndTheFlowsWork)
{
    TBoxCloser closer;
    TMainForm* form = MakeForm();
    ASSERT_TRUE(WaitFor([&] { return form->StartStage() == TMainForm::ssFinished; }, 30000));
    ASSERT_TRUE(CamController->WindowOpen) << "synthetic camera did not open";
    EXPECT_TRUE(closer.Texts.isEmpty());
    EXPECT_EQ(form->lblStatus->text(), QStringLiteral("Camera ready"));
    for (TImageButton* b : { form->imgbSnapshot, form->imgbRecord, form->imgbControl, form->imgbFormat })
        EXPECT_TRUE(b->isVisible());
    EXPECT_TRUE(form->pmiASF->isChecked());
    EXPECT_FALSE(form->pmiUncompressedAVI->isChecked());
    EXPECT_EQ(CamController->VideoType, 1);
    EXPECT_TRUE(form->CamView()->pnlView->isVisible());
    const QList<QAction*> cameras = form->pmiVideoDevices->actions();
    ASSERT_FALSE(cameras.isEmpty());
    EXPECT_TRUE(cameras[0]->isChecked());

    // 320x240: the live view shrinks at once, the camera follows a tick later.
    form->pmiSIF->trigger();
    EXPECT_EQ(form->CamView()->size(), QSize(354, 280));
    EXPECT_FALSE(form->CamView()->pnlView->isVisible());
    EXPECT_EQ(CamController->FormatIndex, 1);
    ASSERT_TRUE(WaitFor([&] { return CamController->FormatIndex == 0; }));
    EXPECT_TRUE(form->CamView()->pnlView->isVisible());
    EXPECT_TRUE(form->pmiSIF->isChecked());
    EXPECT_FALSE(form->pmiVGA->isChecked());
    // The same size again changes nothing.
    form->pmiSIF->trigger();
    EXPECT_TRUE(form->pmiSIF->isChecked());
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
    EXPECT_FALSE(form->imgbImage->PictureUp().isNull());
    EXPECT_EQ(form->lblStatus->text(), QStringLiteral("Photos: 1"));
    EXPECT_EQ(CamController->SnapshotImage.size(), QSize(320, 240));
    // The photo is the camera's frame, colour bars on top, the right way up.
    const QImage photo = form->Photos()->Strip->Item(0)->Picture();
    ASSERT_EQ(photo.size(), QSize(320, 240));
    EXPECT_EQ(photo.convertToFormat(QImage::Format_RGB32),
        CamController->SnapshotImage.convertToFormat(QImage::Format_RGB32));
    const QColor top = photo.pixelColor(160, 40);
    EXPECT_GT(top.hsvSaturation() + top.value(), 200) << "top of the picture should be a bright bar";

    // Recording: listed at once, buttons locked, no menu on the skin.
    QTest::mouseClick(form->imgbRecord, Qt::LeftButton);
    ASSERT_TRUE(CamController->Recording);
    EXPECT_EQ(form->Videos()->VideoCount(), 1);
    EXPECT_FALSE(form->imgbSnapshot->Enabled());
    EXPECT_FALSE(form->imgbFormat->Enabled());
    EXPECT_FALSE(form->imgbControl->Enabled());
    EXPECT_TRUE(form->imgbRecord->Enabled());
    EXPECT_FALSE(form->PictureSizeSubmenuItem()->isEnabled());
    EXPECT_EQ(form->lblStatus->text(), QStringLiteral("Recording..."));
    QTest::mousePress(form, Qt::RightButton, Qt::NoModifier, QPoint(30, 100));
    QTest::mouseRelease(form, Qt::RightButton, Qt::NoModifier, QPoint(30, 100));
    EXPECT_FALSE(form->pmMain->isVisible());
    const QString clip = form->Videos()->FileNames().value(0);
    EXPECT_TRUE(QFile::exists(clip)) << clip.toStdString();
    // The record button blinks: its picture comes and goes with the ticks.
    const bool shownAtStart = !form->imgbRecord->Picture().isNull();
    ASSERT_TRUE(WaitFor([&] { return form->imgbRecord->Picture().isNull() != !shownAtStart; }, 3000));
    // Every gallery key is ignored while recording.
    QTest::keyClick(form->Videos(), Qt::Key_Delete);
    EXPECT_EQ(form->Videos()->VideoCount(), 1);

    QTest::mouseClick(form->imgbRecord, Qt::LeftButton);
    EXPECT_FALSE(CamController->Recording);
    EXPECT_TRUE(form->imgbSnapshot->Enabled());
    EXPECT_TRUE(form->PictureSizeSubmenuItem()->isEnabled());
    EXPECT_EQ(form->lblStatus->text(), QStringLiteral("Videos: 1"));
    QProcess probe;
    probe.start(QStringLiteral("ffprobe"),
        { QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-show_entries"),
            QStringLiteral("stream=codec_name"), QStringLiteral("-of"), QStringLiteral("csv=p=0"), clip });
    ASSERT_TRUE(probe.waitForFinished(30000));
    EXPECT_EQ(QString::fromUtf8(probe.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts),
        QStringList({ QStringLiteral("wmv2"), QStringLiteral("wmav2") }));

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
        ASSERT_TRUE(WaitFor([&] { return form->StartStage() == TMainForm::ssFinished; }, 30000));
        EXPECT_EQ(closer.Texts, QStringList { message });
        EXPECT_TRUE(CamController->WindowOpen);
        EXPECT_TRUE(form->CamView()->pnlView->isVisible());
        EXPECT_EQ(form->lblStatus->text(), QStringLiteral("Camera ready"));

        closer.Texts.clear();
        form->ProcessSnapshot();
        EXPECT_EQ(form->Photos()->ImageCount(), 0);
        EXPECT_EQ(closer.Texts, QStringList { message });
        closer.Texts.clear();
        form->ProcessRecord();
        EXPECT_FALSE(CamController->Recording);
        EXPECT_EQ(form->Videos()->VideoCount(), 0);
        EXPECT_EQ(closer.Texts, QStringList { message });
        EXPECT_NE(form->lblStatus->text(), QStringLiteral("Recording..."));
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
    ASSERT_EQ(::mount("tmpfs", tempName.constData(), "tmpfs", MS_RDONLY, "size=64k"), 0);
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
    EXPECT_TRUE(CamController->WindowOpen);
    form->ProcessSnapshot();
    EXPECT_EQ(form->Photos()->ImageCount(), 0);
    EXPECT_EQ(closer.Texts, QStringList { message });
    closer.Texts.clear();
    form->ProcessRecord();
    EXPECT_FALSE(CamController->Recording);
    EXPECT_EQ(form->Videos()->VideoCount(), 0);
    EXPECT_EQ(closer.Texts, QStringList { message });
    delete Form;
    Form = nullptr;
    CloseFrameMaps();
}

TEST_F(MainFormTest, FocusHintsMenusAndTheCloseQuestion)
{
    TMainForm* form = MakeForm();
    ASSERT_TRUE(WaitFor([&] { return form->StartStage() == TMainForm::ssFinished; }, 30000));
    ASSERT_TRUE(CamController->WindowOpen);
    // Nothing made yet: closing would ask nothing.
    EXPECT_TRUE(form->ConfirmDiscardUnsaved());

    // After a snapshot the gallery is the active window and holds the
    // keyboard: Delete acts with no click in between.
    form->activateWindow();
    QTest::mouseClick(form->imgbSnapshot, Qt::LeftButton);
    ASSERT_EQ(form->Photos()->ImageCount(), 1);
    ASSERT_TRUE(WaitFor([&] { return QApplication::activeWindow() == form->Photos(); }, 3000));
    EXPECT_EQ(QApplication::focusWidget(), form->Photos());
    QTest::keyClick(QGuiApplication::focusWindow(), Qt::Key_Delete);
    EXPECT_EQ(form->Photos()->ImageCount(), 0);

    // The panel's hints show on hover while the gallery is the active window.
    QToolTip::hideText();
    QTest::mouseMove(form->imgbSnapshot, QPoint(20, 20));
    QTest::mouseMove(form->imgbSnapshot, QPoint(22, 22));
    EXPECT_TRUE(WaitFor([] { return QToolTip::isVisible(); }, 5000));
    EXPECT_EQ(QToolTip::text(), form->imgbSnapshot->toolTip());
    EXPECT_FALSE(form->imgbSnapshot->toolTip().isEmpty());
    QToolTip::hideText();

    // Any button on the format key opens the picture size menu, never the
    // main menu; the key looks normal again once the menu is gone.
    QTest::mousePress(form->imgbFormat, Qt::RightButton, Qt::NoModifier, QPoint(10, 10));
    EXPECT_TRUE(form->pmVideoFormat->isVisible());
    EXPECT_FALSE(form->pmMain->isVisible());
    form->pmVideoFormat->hide();
    QTest::mousePress(form->imgbFormat, Qt::LeftButton, Qt::NoModifier, QPoint(10, 10));
    EXPECT_EQ(form->imgbFormat->VisualState(), TImageButton::vsDown);
    ASSERT_TRUE(form->pmVideoFormat->isVisible());
    form->pmVideoFormat->hide();
    EXPECT_EQ(form->imgbFormat->VisualState(), TImageButton::vsUp);

    // Two photos neither saved nor e-mailed: the user is asked, and No keeps
    // the program running.
    form->ProcessSnapshot();
    form->ProcessSnapshot();
    ASSERT_EQ(form->Photos()->UnsavedCount(), 2);
    LanguageTexts = TLanguageTexts({ { "UnsavedMsg",
        QStringLiteral("%d photos and %d videos have been neither saved nor e-mailed. Close Glimview and "
                       "discard them?") } });
    {
        TBoxCloser no(QMessageBox::No);
        EXPECT_FALSE(form->close());
        EXPECT_TRUE(form->isVisible());
        EXPECT_EQ(no.Texts,
            QStringList { QStringLiteral("2 photos and 0 videos have been neither saved nor "
                                         "e-mailed. Close Glimview and discard them?") });
    }
    // A photo handed to the composer counts as kept.
    form->Photos()->Strip->FocusedItem()->SetKept();
    EXPECT_EQ(form->Photos()->UnsavedCount(), 1);

    // A session end closes at once without a question.
    TBoxCloser closer(QMessageBox::No);
    form->EndSession();
    EXPECT_FALSE(form->isVisible());
    EXPECT_TRUE(closer.Texts.isEmpty());
}

} // namespace
