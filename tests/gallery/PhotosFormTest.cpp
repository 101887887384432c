// SPDX-License-Identifier: GPL-2.0-or-later
#include "GalleryTestAccess.h"
#include "GalleryTestSupport.h"
#include "core/Assertion.h"
#include "gallery/ImageViewFrm.h"
#include "gallery/MailComposerLink.h"
#include "gallery/MediaStore.h"
#include "gallery/PhotosFrm.h"
#include "gallery/StripGeometry.h"
#include "gallery/ThumbnailStrip.h"
#include "widgets/ImageButton.h"

#include <gtest/gtest.h>

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QLineEdit>
#include <QPointer>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

namespace {

class PhotosForm : public ::testing::Test {
protected:
    void SetUp() override
    {
        EnsureApplication();
        Form = std::make_unique<TPhotosForm>();
    }
    void Add(int n)
    {
        for (int i = 0; i < n; ++i)
            Form->AddImage(QuarteredPicture(640, 480, qRgb(10 * (Form->ImageCount() + 1), 0, 0)));
    }
    TThumbnailStrip& S() { return *Form->Strip(); }
    int ThumbLeft() { return Ui(S()).imgbThumb->x(); }
    int FrameLeft() { return Ui(S()).shpFocus->x(); }

    std::unique_ptr<TPhotosForm> Form;
};

// The red of the photo added n-th (from 1), as Add paints it.
int RedOf(const QImage& picture) { return qRed(picture.pixel(10, 10)); }

} // namespace

TEST_F(PhotosForm, TheFifthPhotoShowsTheThumbAtTheRightEnd)
{
    Form->hide();
    Add(4);
    EXPECT_TRUE(Form->isVisible()) << "adding shows the gallery";
    EXPECT_FALSE(Ui(S()).imgbThumb->isVisible());
    EXPECT_EQ(S().Offset(), 0);
    EXPECT_EQ(Ui(S()).pnlStrip->width(), 320);
    Add(1);
    EXPECT_TRUE(Ui(S()).imgbThumb->isVisibleTo(Form.get()));
    EXPECT_EQ(S().Offset(), -80);
    EXPECT_EQ(Ui(S()).pnlStrip->x(), -80);
    EXPECT_EQ(ThumbLeft(), 29 + 294 - 33);
    EXPECT_EQ(Form->ImageCount(), 5);
    EXPECT_EQ(FrameLeft(), 320);
    EXPECT_EQ(S().FocusedIndex(), 4);
    // Each thumbnail holds the full picture.
    EXPECT_EQ(S().Item(4)->Picture().size(), QSize(640, 480));
    EXPECT_EQ(RedOf(S().Item(4)->Picture()), 50);
}

TEST_F(PhotosForm, ArrowsStepTheStripAndTheThumb)
{
    Add(6);
    EXPECT_EQ(S().Offset(), -160);
    EXPECT_EQ(ThumbLeft(), 29 + 261);
    S().actMoveLeftExecute();
    EXPECT_EQ(S().Offset(), -80);
    // Placed from the offset: one hidden photo of two scrolled, 130.5 rounds up.
    EXPECT_EQ(ThumbLeft(), 29 + 131);
    EXPECT_EQ(FrameLeft(), 400) << "the arrows do not move the frame";
    S().actMoveRightExecute();
    EXPECT_EQ(S().Offset(), -160);
    EXPECT_EQ(ThumbLeft(), 29 + 261);
    S().actMoveRightExecute();
    EXPECT_EQ(S().Offset(), -160) << "nothing more to the right";
    S().RefreshThumbPosition();
    EXPECT_EQ(ThumbLeft(), 29 + 261);
}

TEST_F(PhotosForm, KeysPageAndMoveTheFocus)
{
    Add(7);
    // Back to the start, then Page Down scrolls only the 240 pixels that remain.
    Form->FormKeyDown(Qt::Key_PageUp);
    EXPECT_EQ(S().Offset(), 0);
    EXPECT_EQ(ThumbLeft(), 29);
    Form->FormKeyDown(Qt::Key_PageDown);
    EXPECT_EQ(S().Offset(), -240);
    EXPECT_EQ(ThumbLeft(), 29 + 261);

    // Right on the last photo does nothing.
    EXPECT_EQ(S().FocusedIndex(), 6);
    Form->FormKeyDown(Qt::Key_Right);
    EXPECT_EQ(S().FocusedIndex(), 6);
    // Left walks back; once the frame leaves the visible part the strip follows.
    for (int i = 0; i < 3; ++i)
        Form->FormKeyDown(Qt::Key_Left);
    EXPECT_EQ(S().FocusedIndex(), 3);
    EXPECT_EQ(S().Offset(), -240);
    Form->FormKeyDown(Qt::Key_Left);
    EXPECT_EQ(S().FocusedIndex(), 2);
    EXPECT_EQ(S().Offset(), -160);
    EXPECT_EQ(ThumbLeft(), 29 + Strip::ToPixels(2 * 261.0 / 3));
    Form->FormKeyDown(Qt::Key_Left);
    Form->FormKeyDown(Qt::Key_Left);
    EXPECT_EQ(S().FocusedIndex(), 0);
    EXPECT_EQ(S().Offset(), 0);
    // Left on the first photo only scrolls back when the strip is scrolled.
    Form->FormKeyDown(Qt::Key_Left);
    EXPECT_EQ(S().FocusedIndex(), 0);
    EXPECT_EQ(S().Offset(), 0);
    S().actMoveRightExecute();
    Form->FormKeyDown(Qt::Key_Left);
    EXPECT_EQ(S().Offset(), 0);
    // Right walks on and scrolls when the frame passes the right edge.
    for (int i = 0; i < 4; ++i)
        Form->FormKeyDown(Qt::Key_Right);
    EXPECT_EQ(S().FocusedIndex(), 4);
    EXPECT_EQ(S().Offset(), -80);
    // Any other key does nothing.
    Form->FormKeyDown(Qt::Key_A);
    EXPECT_EQ(S().FocusedIndex(), 4);
}

TEST_F(PhotosForm, ClicksOnTheTrackPageTowardsThePress)
{
    Add(12);
    EXPECT_EQ(S().Offset(), -640);
    S().imgScrollAreaMouseDown(Qt::LeftButton, QPoint(40, 88));
    EXPECT_EQ(S().Offset(), -320);
    S().imgScrollAreaMouseDown(Qt::RightButton, QPoint(40, 88));
    EXPECT_EQ(S().Offset(), -320) << "only the left button pages";
    S().imgScrollAreaMouseDown(Qt::LeftButton, QPoint(320, 88));
    EXPECT_EQ(S().Offset(), -640);
}

TEST_F(PhotosForm, DraggingTheThumbScrollsPixelByPixelAndArrowsStayInRange)
{
    Add(6);
    Form->FormKeyDown(Qt::Key_PageUp);
    ASSERT_EQ(ThumbLeft(), 29);
    // Grab the thumb 5 pixels in and pull it 40 pixels right.
    S().imgbThumbMouseDown(QPoint(34, 88));
    S().imgbThumbMouseMove(QPoint(74, 88));
    EXPECT_EQ(ThumbLeft(), 69);
    EXPECT_EQ(S().Offset(), -Strip::ToPixels(40 / 87.0 * 80));
    // Outside the band the move is ignored and the last point is kept.
    S().imgbThumbMouseMove(QPoint(10, 88));
    EXPECT_EQ(ThumbLeft(), 69);
    S().imgbThumbMouseMove(QPoint(84, 88));
    EXPECT_EQ(ThumbLeft(), 79);
    S().imgbThumbMouseUp();
    const int dragged = S().Offset();
    EXPECT_EQ(dragged % 80 != 0, true);
    EXPECT_EQ(ThumbLeft(), 29 + Strip::ToPixels(-dragged / 80.0 * 130.5));

    // Step right until the end: the offset never passes -160 and the
    // position check keeps holding.
    for (int i = 0; i < 4; ++i)
        S().actMoveRightExecute();
    EXPECT_EQ(S().Offset(), -160);
    EXPECT_NO_THROW(S().RefreshThumbPosition());
    EXPECT_EQ(ThumbLeft(), 29 + 261);
    for (int i = 0; i < 4; ++i)
        S().actMoveLeftExecute();
    EXPECT_EQ(S().Offset(), 0);

    // Dragged to the far end, the strip shows its last photos and no more.
    const int grab = ThumbLeft() + 1;
    S().imgbThumbMouseDown(QPoint(grab, 88));
    S().imgbThumbMouseMove(QPoint(grab + 400, 88));
    EXPECT_EQ(S().Offset(), 0) << "past the band";
    S().imgbThumbMouseMove(QPoint(289, 88));
    S().imgbThumbMouseUp();
    EXPECT_EQ(S().Offset(), -160);

    // The mouse on the thumb drags it the same way, back to the start.
    QTest::mousePress(Ui(S()).imgbThumb, Qt::LeftButton, {}, QPoint(1, 5));
    QTest::mouseMove(Ui(S()).imgbThumb, QPoint(1 - 261, 5));
    QTest::mouseRelease(Ui(S()).imgbThumb, Qt::LeftButton, {}, QPoint(1, 5));
    EXPECT_EQ(S().Offset(), 0);
    EXPECT_EQ(ThumbLeft(), 29);
}

TEST_F(PhotosForm, DeletingKeepsTheFrameOnAPhotoAndTheStripInRange)
{
    Add(6);
    // The last photo (focused) goes: the frame moves onto the new last.
    Form->DeleteFocusedImage();
    EXPECT_EQ(Form->ImageCount(), 5);
    EXPECT_EQ(S().FocusedIndex(), 4);
    EXPECT_EQ(S().Offset(), -80);
    EXPECT_EQ(ThumbLeft(), 29 + 261);

    // A middle photo goes: the frame stays and frames the one that followed.
    Form->FormKeyDown(Qt::Key_Left);
    Form->FormKeyDown(Qt::Key_Left);
    ASSERT_EQ(S().FocusedIndex(), 2);
    Form->FormKeyDown(Qt::Key_Delete);
    EXPECT_EQ(Form->ImageCount(), 4);
    EXPECT_EQ(S().FocusedIndex(), 2);
    EXPECT_EQ(RedOf(Form->FocusedImage()), 40);
    EXPECT_EQ(S().Offset(), 0);
    EXPECT_FALSE(Ui(S()).imgbThumb->isVisibleTo(Form.get()));
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(S().Item(i)->x(), 80 * i);
}

TEST_F(PhotosForm, DeletingTheFocusedFirstPhotoWhileScrolledBringsTheStripHome)
{
    Add(5);
    S().SetFocusIndex(0);
    ASSERT_EQ(S().Offset(), -80);
    Form->DeleteFocusedImage();
    EXPECT_EQ(Form->ImageCount(), 4);
    EXPECT_EQ(S().FocusedIndex(), 0);
    EXPECT_EQ(RedOf(Form->FocusedImage()), 20);
    EXPECT_EQ(S().Offset(), 0);
    EXPECT_EQ(Ui(S()).pnlStrip->x(), 0);
    // No refresh with nothing hidden, so no division by zero later.
    EXPECT_NO_THROW(Form->FormKeyDown(Qt::Key_Left));
    EXPECT_EQ(S().Offset(), 0);
}

TEST_F(PhotosForm, DeletingTheOnlyPhotoHidesTheStripAndReportsTheCount)
{
    QStringList status;
    QObject::connect(Form.get(), &TGalleryForm::statusText, [&](const QString& text) { status << text; });
    Add(1);
    EXPECT_TRUE(Ui(S()).pnlStrip->isVisibleTo(Form.get()));
    Form->actDeleteExecute();
    EXPECT_EQ(Form->ImageCount(), 0);
    EXPECT_FALSE(Ui(S()).pnlStrip->isVisibleTo(Form.get()));
    // On an empty gallery every operation does nothing but the status line.
    Form->actDeleteExecute();
    EXPECT_NO_THROW(Form->actViewExecute());
    EXPECT_NO_THROW(Form->actSaveExecute());
    EXPECT_EQ(status.size(), 2);
}

// A deleted photo takes its picture and its thumbnail with it: nothing holds
// on to the megabytes of a photo the user has thrown away.
TEST_F(PhotosForm, DeletedPhotosGiveTheirMemoryBack)
{
    Add(20);
    QList<QImage> pictures; // each shares its pixels with the strip's copy
    for (int i = 0; i < Form->ImageCount(); ++i)
        pictures << S().Item(i)->Picture();
    ASSERT_FALSE(pictures.first().isDetached());
    while (Form->ImageCount() > 0)
        Form->DeleteFocusedImage();
    EXPECT_TRUE(Form->findChildren<TThumbnail*>().isEmpty());
    for (const QImage& picture : pictures)
        EXPECT_TRUE(picture.isDetached()) << "a deleted photo's picture is still held";
}

TEST_F(PhotosForm, FailedChecksReportAssertionFailuresOfTheUnit)
{
    Add(2);
    try {
        S().IndexAtPoint(0, 60);
        FAIL();
    } catch (const EAssertionFailed& failure) {
        EXPECT_EQ(std::string(failure.what()).rfind("Assertion failure (PhotosFrm.cpp, line ", 0), 0u)
            << failure.what();
    }
    EXPECT_THROW(S().IndexAtPoint(160, 0), EAssertionFailed);
    EXPECT_THROW(S().SetFocusIndex(3), EAssertionFailed);
    EXPECT_NO_THROW(S().SetFocusIndex(1));
}

TEST_F(PhotosForm, PressesOutsideTheControlsDragTheWindow)
{
    EXPECT_TRUE(Form->IsDragPoint(QPoint(5, 140)));
    EXPECT_FALSE(Form->IsDragPoint(QPoint(130, 110))) << "save";
    EXPECT_FALSE(Form->IsDragPoint(QPoint(250, 110))) << "the hidden e-mail button counts too";
    EXPECT_FALSE(Form->IsDragPoint(QPoint(100, 88))) << "the track";
    EXPECT_FALSE(Form->IsDragPoint(QPoint(100, 40))) << "the viewport";
    EXPECT_FALSE(Form->IsDragPoint(QPoint(325, 118))) << "close";
}

TEST_F(PhotosForm, SavesTheFocusedPhotoThroughTheDialog)
{
    // The user's pictures folder does not exist yet.
    QTemporaryDir home;
    const QString config = home.filePath(QStringLiteral("config"));
    QDir().mkpath(config);
    const QString pictures = home.filePath(QStringLiteral("My Pictures"));
    QFile dirs(QDir(config).filePath(QStringLiteral("user-dirs.dirs")));
    ASSERT_TRUE(dirs.open(QIODevice::WriteOnly));
    dirs.write("XDG_PICTURES_DIR=\"" + QFile::encodeName(pictures) + "\"\n");
    dirs.close();
    const QByteArray savedConfig = qgetenv("XDG_CONFIG_HOME");
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(config));

    Add(3);
    S().SetFocusIndex(1);
    QTemporaryDir dir;
    const QString target = dir.filePath(QStringLiteral("saved"));
    QString openedIn;
    QString suggested;
    TModalHand hand([&](QWidget* modal) {
        if (auto* dialog = qobject_cast<QFileDialog*>(modal)) {
            openedIn = dialog->directory().absolutePath();
            if (auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit")))
                suggested = name->text();
        }
        AcceptFileDialog(modal, target);
    });
    EXPECT_EQ(Form->UnsavedCount(), 3);
    Form->actSaveExecute();
    EXPECT_EQ(hand.Seen(), 1);
    EXPECT_EQ(openedIn, pictures) << "the pictures folder, created";
    EXPECT_TRUE(QFileInfo(pictures).isDir());
    const QDateTime capturedAt = S().Item(1)->CapturedAt();
    EXPECT_EQ(suggested,
        QStringLiteral("Glimview ") + capturedAt.toString(QStringLiteral("yyyy-MM-dd HH-mm-ss"))
            + QStringLiteral(".jpg"));
    EXPECT_TRUE(
        QRegularExpression(QStringLiteral("^Glimview \\d{4}-\\d\\d-\\d\\d \\d\\d-\\d\\d-\\d\\d\\.jpg$"))
            .match(suggested)
            .hasMatch())
        << suggested.toStdString();
    EXPECT_EQ(Form->UnsavedCount(), 2) << "the saved photo is kept";
    qputenv("XDG_CONFIG_HOME", savedConfig);
    // The dialog gave the name its default extension.
    const QImage saved(target + QStringLiteral(".jpg"));
    ASSERT_FALSE(saved.isNull());
    EXPECT_EQ(saved.size(), QSize(640, 480));
    EXPECT_NEAR(qRed(saved.pixel(10, 10)), 20, 6);
}

TEST_F(PhotosForm, ViewOpensAFreshViewerPerView)
{
    Add(2);
    Form->actViewExecute();
    Form->FormKeyDown(Qt::Key_Return);
    const auto viewers = Form->findChildren<TImageViewForm*>();
    ASSERT_EQ(viewers.size(), 2);
    EXPECT_NE(viewers[0], viewers[1]);
    EXPECT_EQ(viewers[0]->Picture().size(), QSize(640, 480));
    EXPECT_TRUE(viewers[0]->isVisible());
    // Closing one frees it; the other stays.
    QPointer<TImageViewForm> closed = viewers[0];
    closed->close();
    EXPECT_TRUE(QTest::qWaitFor([&] { return closed.isNull(); }, 10000));
    EXPECT_EQ(Form->findChildren<TImageViewForm*>().size(), 1);
    EXPECT_EQ(viewers[1]->windowTitle(), QStringLiteral("Image View"));
}

TEST_F(PhotosForm, APressOnAThumbnailFocusesItAndADoubleClickViewsIt)
{
    Add(3);
    auto* first = const_cast<TThumbnail*>(S().Item(0));
    QTest::mousePress(first, Qt::RightButton, {}, QPoint(40, 30));
    EXPECT_EQ(S().FocusedIndex(), 0) << "any button focuses";
    QTest::mouseRelease(first, Qt::RightButton, {}, QPoint(40, 30));
    QTest::mouseDClick(const_cast<TThumbnail*>(S().Item(1)), Qt::LeftButton, {}, QPoint(40, 30));
    EXPECT_EQ(S().FocusedIndex(), 1);
    const auto viewers = Form->findChildren<TImageViewForm*>();
    ASSERT_EQ(viewers.size(), 1);
    EXPECT_EQ(qRed(viewers[0]->Picture().pixel(10, 10)), 20);
}

TEST_F(PhotosForm, EmailWritesTheAttachmentAndOpensTheComposer)
{
    QTemporaryDir base;
    ASSERT_TRUE(QDir(base.path()).mkpath(QStringLiteral("Temp")));
    SetBaseFolder(base.path());
    QStringList opened;
    int shown = 0;
    bool sending = false;
    SetMailComposer(
        { [&] { return sending; }, [&](const QString& path) { opened << path; }, [&] { ++shown; } });
    Add(2);
    Form->actEmailExecute();
    ASSERT_EQ(opened.size(), 1);
    EXPECT_EQ(opened[0], base.path() + QStringLiteral("/Temp/glcam.jpg"));
    EXPECT_EQ(QImage(opened[0]).size(), QSize(640, 480));

    // While the composer sends, a message and the composer, nothing else.
    sending = true;
    TModalHand hand([](QWidget* modal) { ClickMessageBoxButton(modal, QStringLiteral("&OK")); });
    Form->actEmailExecute();
    EXPECT_EQ(hand.Seen(), 1);
    EXPECT_EQ(shown, 1);
    EXPECT_EQ(opened.size(), 1);
    SetMailComposer({});
}

TEST_F(PhotosForm, TheThumbStaysOnItsTrackThroughEveryStepOf106Photos)
{
    for (int i = 0; i < 106; ++i)
        Form->AddImage(QuarteredPicture(80, 60, qRgb(i, 0, 0)));
    ASSERT_EQ(S().Offset(), -80 * 102);
    ASSERT_EQ(ThumbLeft(), 29 + 261);
    const auto onTrack = [this](const char* where, int step) {
        EXPECT_GE(ThumbLeft(), 29) << where << step;
        EXPECT_LE(ThumbLeft(), 29 + 261) << where << step;
        EXPECT_EQ(ThumbLeft(), Strip::ThumbLeftForOffset(S().Offset(), 106)) << where << step;
    };
    // Each arrow click, through the button as the user gives it.
    for (int step = 0; step < 102; ++step) {
        Ui(S()).imgbMoveLeft->click();
        onTrack("left", step);
    }
    EXPECT_EQ(S().Offset(), 0);
    EXPECT_EQ(ThumbLeft(), 29) << "back at the start, the thumb at the track's left end";
    for (int step = 0; step < 102; ++step) {
        Ui(S()).imgbMoveRight->click();
        onTrack("right", step);
    }
    EXPECT_EQ(ThumbLeft(), 29 + 261);
}
