// SPDX-License-Identifier: GPL-2.0-or-later
// The main window over the real capture library and the synthetic camera:
// where the windows open, the menus, the drag rule, the stored picture
// items, the keys and screen readers, and the self-timer.
#include "MainFormFixture.h"
#include "camera/CamControllerUnit.h"
#include "camera/CamViewFrm.h"
#include "camera/ViewOverlay.h"
#include "core/LanguageTexts.h"
#include "core/SettingsStore.h"
#include "gallery/GalleryTestAccess.h"
#include "gallery/PhotosFrm.h"
#include "gallery/ThumbnailStrip.h"
#include "gallery/VideosFrm.h"
#include "widgets/ImageButton.h"

#include <QAccessible>
#include <QActionGroup>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QMenu>
#include <QRegularExpression>
#include <QScreen>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

namespace {

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
        { "e-mail",
            !Ui(*form->Photos()).imgbEMail->isVisible() && !Ui(*form->Videos()).imgbEMail->isVisible(),
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
    ASSERT_TRUE(QTest::qWaitFor([&] { return !closer.Texts.isEmpty(); }, 15000));
    // Let the timer tick many more times: the warning is not repeated.
    int ticks = 0;
    QObject::connect(Ui(form)->tmSystem, &QTimer::timeout, [&] { ++ticks; });
    ASSERT_TRUE(QTest::qWaitFor([&] { return ticks >= 5; }, 15000));
    EXPECT_EQ(closer.Texts.size(), 1);
    EXPECT_TRUE(closer.Texts.value(0).contains(QStringLiteral("colour depth")))
        << closer.Texts.value(0).toStdString();
    EXPECT_EQ(form->StartStage(), TMainForm::ssLowColour);
    EXPECT_TRUE(Ui(form)->pmiVideoDevices->actions().isEmpty());
    EXPECT_FALSE(Ui(form)->imgbSnapshot->isVisible());
    EXPECT_FALSE(CamController->WindowOpen());
    EXPECT_EQ(Ui(form)->lblStatus->text(), QStringLiteral("Starting the camera..."));
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
    ASSERT_TRUE(QTest::qWaitFor([&] { return form->StartStage() == TMainForm::ssFinished; }, 30000));

    QAccessibleInterface* snapshot = QAccessible::queryAccessibleInterface(Ui(form)->imgbSnapshot);
    ASSERT_NE(snapshot, nullptr);
    EXPECT_EQ(snapshot->role(), QAccessible::Button);
    EXPECT_EQ(snapshot->text(QAccessible::Name), LanguageTexts[QStringLiteral("SnapShotHint")]);
    EXPECT_EQ(QAccessible::queryAccessibleInterface(Ui(form)->imgbHide)->text(QAccessible::Name),
        LanguageTexts[QStringLiteral("HideWindowHint")]);
    ASSERT_EQ(snapshot->actionInterface()->actionNames(),
        QStringList { QAccessibleActionInterface::pressAction() });
    snapshot->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    ASSERT_TRUE(QTest::qWaitFor([&] { return form->Photos()->ImageCount() == 1; }, 10000));
    QAccessibleInterface* photo
        = QAccessible::queryAccessibleInterface(const_cast<TThumbnail*>(form->Photos()->Strip()->Item(0)));
    EXPECT_EQ(photo->role(), QAccessible::ListItem);
    EXPECT_EQ(photo->text(QAccessible::Name), QStringLiteral("Photo 1 of 1"));
    EXPECT_TRUE(photo->state().selected);
    EXPECT_TRUE(QAccessible::queryAccessibleInterface(Ui(form)->imgbImage)->state().checked);

    // During a recording the snapshot button is disabled, and so is Space.
    form->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(form));
    QTest::keyClick(form, Qt::Key_R);
    ASSERT_TRUE(QTest::qWaitFor([&] { return CamController->Recording(); }, 10000));
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
    ASSERT_TRUE(QTest::qWaitFor([&] { return form->StartStage() == TMainForm::ssFinished; }, 30000));
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
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return Ui(form)->lblStatus->text() == QStringLiteral("Self-timer: 2"); }, 2000));
    EXPECT_EQ(overlay->Countdown(), 2);
    EXPECT_EQ(form->Photos()->ImageCount(), 0);
    ASSERT_TRUE(QTest::qWaitFor([&] { return form->Photos()->ImageCount() == 1; }, 4000));
    EXPECT_GE(clock.elapsed(), 2500);
    EXPECT_EQ(Ui(form)->lblStatus->text(), QStringLiteral("Photos: 1"));
    // The shutter: the picture flashes white, then shows again.
    EXPECT_EQ(flashes, 1);
    EXPECT_EQ(flashed, form->CamView()->PictureOnScreen());
    ASSERT_TRUE(QTest::qWaitFor([&] { return !overlay->isVisible(); }, 1000));

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

} // namespace
