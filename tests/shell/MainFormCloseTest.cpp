// SPDX-License-Identifier: GPL-2.0-or-later
// The main window over the real capture library and the synthetic camera:
// the focus after a snapshot, the hints and menus, and the close question
// with what a session end saves.
#include "MainFormFixture.h"
#include "camera/CamControllerUnit.h"
#include "core/LanguageTexts.h"
#include "gallery/MediaStore.h"
#include "gallery/PhotosFrm.h"
#include "gallery/SessionSave.h"
#include "gallery/ThumbnailStrip.h"
#include "gallery/VideosFrm.h"
#include "widgets/ImageButton.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QMenu>
#include <QProcess>
#include <QRegularExpression>
#include <QSet>
#include <QTest>
#include <QToolTip>

#include <gtest/gtest.h>

#include <algorithm>
#include <sys/mount.h>
#include <unistd.h>

namespace {

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

using MainFormTest = MainFormFixture;

TEST_F(MainFormTest, FocusHintsMenusAndTheCloseQuestion)
{
    TMainForm* form = MakeForm();
    ASSERT_TRUE(QTest::qWaitFor([&] { return form->StartStage() == TMainForm::ssFinished; }, 30000));
    ASSERT_TRUE(CamController->WindowOpen());
    // Nothing made yet: closing would ask nothing.
    EXPECT_TRUE(form->ConfirmDiscardUnsaved());

    // After a snapshot the gallery is the active window and holds the
    // keyboard: Delete acts with no click in between.
    form->activateWindow();
    QTest::mouseClick(Ui(form)->imgbSnapshot, Qt::LeftButton);
    ASSERT_EQ(form->Photos()->ImageCount(), 1);
    ASSERT_TRUE(QTest::qWaitFor([&] { return QApplication::activeWindow() == form->Photos(); }, 3000));
    EXPECT_EQ(QApplication::focusWidget(), form->Photos());
    QTest::keyClick(QGuiApplication::focusWindow(), Qt::Key_Delete);
    EXPECT_EQ(form->Photos()->ImageCount(), 0);

    // The panel's hints show on hover while the gallery is the active window.
    QToolTip::hideText();
    QTest::mouseMove(Ui(form)->imgbSnapshot, QPoint(20, 20));
    QTest::mouseMove(Ui(form)->imgbSnapshot, QPoint(22, 22));
    EXPECT_TRUE(QTest::qWaitFor([] { return QToolTip::isVisible(); }, 5000));
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
    form->Photos()->Strip()->FocusedItem()->SetKept();
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
        ASSERT_TRUE(QTest::qWaitFor([&] { return form->StartStage() == TMainForm::ssFinished; }, 30000));
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
    ASSERT_TRUE(QTest::qWaitFor([&] { return form->StartStage() == TMainForm::ssFinished; }, 30000));
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
    EXPECT_TRUE(QTest::qWaitFor([&] { return QFileInfo(clip).size() > 60000; }, 15000));
    form->ProcessRecord();
    ASSERT_FALSE(CamController->Recording());
    qint64 shortestMs = recorded.elapsed();
    // One photo saved already through its own dialog's path: it is not saved again.
    form->Photos()->Strip()->Item(2)->SetKept();
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
        + form->Photos()->Strip()->Item(0)->CapturedAt().toString(QStringLiteral("yyyy-MM-dd HH-mm-ss"))
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
    EXPECT_TRUE(QTest::qWaitFor([&] { return QFileInfo(running).size() > 60000; }, 15000));
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
