// SPDX-License-Identifier: GPL-2.0-or-later
#include "../SmallTmpfs.h"
#include "ConverterTestSupport.h"
#include "GalleryTestAccess.h"
#include "GalleryTestSupport.h"
#include "core/LanguageTexts.h"
#include "gallery/ClipPlayer.h"
#include "gallery/MailComposerLink.h"
#include "gallery/MediaStore.h"
#include "gallery/ProgressFrm.h"
#include "gallery/ThumbnailStrip.h"
#include "gallery/VideosFrm.h"
#include "widgets/ImageButton.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QLineEdit>
#include <QMessageBox>
#include <QMimeDatabase>
#include <QProgressDialog>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

namespace {

QString WriteFile(const QString& path, const QByteArray& content)
{
    QFile file(path);
    file.open(QIODevice::WriteOnly | QIODevice::Truncate);
    file.write(content);
    return path;
}

QByteArray ReadAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

class VideosForm : public ::testing::Test {
protected:
    void SetUp() override
    {
        EnsureApplication();
        ASSERT_TRUE(Base.isValid());
        ASSERT_TRUE(QDir(Base.path()).mkpath(QStringLiteral("Temp")));
        SetBaseFolder(Base.path());
        Form = std::make_unique<TVideosForm>();
    }
    void TearDown() override { SetMailComposer({}); }

    // A clip file in the media folder with made-up content.
    QString AddClip(const QString& name, uint8_t viewFormat = 1)
    {
        const QString path = WriteFile(TempFolder() + u'/' + name, name.toUtf8().repeated(1000));
        Form->AddVideo(path, QuarteredPicture(320, 240), viewFormat);
        return path;
    }

    QTemporaryDir Base;
    std::unique_ptr<TVideosForm> Form;
};

} // namespace

TEST_F(VideosForm, ClipsAreListedWithTheirNamesAndFormatsAndDeletedWithTheirFiles)
{
    QStringList status;
    QObject::connect(Form.get(), &TGalleryForm::statusText, [&](const QString& text) { status << text; });
    Form->hide();
    const QString a = AddClip(QStringLiteral("a.wmv"), 0);
    const QString b = AddClip(QStringLiteral("b.wmv"), 1);
    const QString c = AddClip(QStringLiteral("c.avi"), 5);
    EXPECT_TRUE(Form->isVisible());
    EXPECT_EQ(Form->VideoCount(), 3);
    EXPECT_EQ(Form->FileNames(), (QStringList { a, b, c }));
    EXPECT_EQ(Form->ViewFormats(), (QList<uint8_t> { 0, 1, 5 }));
    EXPECT_EQ(Form->FocusedFileName(), c);

    // The middle one goes, file and all; its neighbours stay in step.
    Form->Strip()->SetFocusIndex(1);
    Form->FormKeyDown(Qt::Key_Delete);
    EXPECT_FALSE(QFile::exists(b));
    EXPECT_TRUE(QFile::exists(a));
    EXPECT_EQ(Form->FileNames(), (QStringList { a, c }));
    EXPECT_EQ(Form->ViewFormats(), (QList<uint8_t> { 0, 5 }));
    EXPECT_EQ(Form->FocusedFileName(), c);
    EXPECT_EQ(status.size(), 1);

    // A file already gone is passed over; the entry goes all the same.
    QFile::remove(c);
    Form->actDeleteExecute();
    EXPECT_EQ(Form->FileNames(), QStringList { a });
    Form->actDeleteExecute();
    EXPECT_EQ(Form->VideoCount(), 0);
    EXPECT_FALSE(QFile::exists(a));
    EXPECT_FALSE(Ui(*Form->Strip()).pnlStrip->isVisibleTo(Form.get()));
}

TEST_F(VideosForm, DestroyingTheGalleryDeletesEveryListedClipAndNothingElse)
{
    const QString a = AddClip(QStringLiteral("GLV_a.wmv"));
    const QString b = AddClip(QStringLiteral("GLV_b.avi"));
    const QString other = WriteFile(TempFolder() + QStringLiteral("/earlier-run.wmv"), "kept");
    const QString copy = WriteFile(Base.filePath(QStringLiteral("saved copy.wmv")), "kept");
    Form.reset();
    EXPECT_FALSE(QFile::exists(a));
    EXPECT_FALSE(QFile::exists(b));
    EXPECT_TRUE(QFile::exists(other));
    EXPECT_TRUE(QFile::exists(copy));
}

TEST_F(VideosForm, WhileRecordingKeysAreIgnoredAndTheButtonsDragTheWindow)
{
    AddClip(QStringLiteral("a.wmv"));
    AddClip(QStringLiteral("b.wmv"));
    const QPoint play = Ui(*Form).imgbOpen->geometry().center();
    const QPoint remove = Ui(*Form).imgbDelete->geometry().center();
    const QPoint viewport = Ui(*Form->Strip()).pnlContainer->geometry().center();
    EXPECT_FALSE(Form->IsDragPoint(play));
    EXPECT_FALSE(Form->IsDragPoint(remove));

    Form->SetInputEnabled(false);
    EXPECT_TRUE(Form->IsDragPoint(play));
    EXPECT_TRUE(Form->IsDragPoint(remove));
    EXPECT_TRUE(Form->IsDragPoint(Ui(*Form->Strip()).imgbMoveLeft->geometry().center()));
    EXPECT_FALSE(Form->IsDragPoint(viewport)) << "the thumbnails keep working";
    for (int key : { Qt::Key_Delete, Qt::Key_Left, Qt::Key_PageUp, Qt::Key_Return })
        Form->FormKeyDown(key);
    EXPECT_EQ(Form->VideoCount(), 2);
    EXPECT_EQ(Form->Strip()->FocusedIndex(), 1);

    Form->SetInputEnabled(true);
    EXPECT_FALSE(Form->IsDragPoint(play));
    Form->FormKeyDown(Qt::Key_Left);
    EXPECT_EQ(Form->Strip()->FocusedIndex(), 0);
}

TEST_F(VideosForm, SavingCopiesTheClipWithTheFilterOfItsExtensionAndAsksBeforeReplacing)
{
    const QString clip = AddClip(QStringLiteral("clip.AVI"));
    QTemporaryDir target;
    QStringList filters;
    QStringList questions;
    QString answer = QStringLiteral("&No");
    bool lingerOnBoxes = false;
    bool progressOverABox = false;
    TModalHand hand([&](QWidget* modal) {
        if (auto* dialog = qobject_cast<QFileDialog*>(modal)) {
            filters = dialog->nameFilters();
            AcceptFileDialog(dialog, target.filePath(QStringLiteral("copy")));
        } else {
            if (auto* box = qobject_cast<QMessageBox*>(modal))
                questions << box->text();
            if (lingerOnBoxes) {
                // Longer than a progress box waits, at most, before it
                // shows itself (4 s before its first step).
                QTest::qWait(4500);
                for (const QWidget* window : QApplication::topLevelWidgets())
                    progressOverABox |= qobject_cast<const QProgressDialog*>(window) && window->isVisible();
            }
            ClickMessageBoxButton(modal, answer);
        }
    });
    // The filter names the type in the language of the loaded file.
    const TLanguageTexts untranslated = LanguageTexts;
    LanguageTexts = LoadLanguageTexts(QStringLiteral(GLIMVIEW_SOURCE_DIR), LanguageForLangId(0x0409));
    Form->actSaveExecute();
    LanguageTexts = untranslated;
    EXPECT_EQ(filters, QStringList { QStringLiteral("Avi Video file(*.avi)") });
    const QString copy = target.filePath(QStringLiteral("copy.avi"));
    EXPECT_EQ(ReadAll(copy), ReadAll(clip));
    EXPECT_EQ(Form->UnsavedCount(), 0) << "a saved clip is kept";

    // Saving over that copy asks once, not once in the dialog and again in the copy.
    WriteFile(copy, "older");
    questions.clear();
    answer = QStringLiteral("&Yes");
    Form->findChild<QFileDialog*>()->setProperty("handledByTest", false);
    Form->actSaveExecute();
    EXPECT_EQ(questions.size(), 1) << qPrintable(questions.join(u'|'));
    EXPECT_EQ(ReadAll(copy), ReadAll(clip));
    questions.clear();
    answer = QStringLiteral("&No");

    // An existing file is replaced only when the user says yes.
    WriteFile(copy, "mine");
    EXPECT_FALSE(Form->CopyClipTo(copy, false));
    EXPECT_EQ(ReadAll(copy), QByteArray("mine"));
    answer = QStringLiteral("&Yes");
    EXPECT_TRUE(Form->CopyClipTo(copy, false));
    EXPECT_EQ(ReadAll(copy), ReadAll(clip));
    // Never onto itself, which would destroy the clip.
    EXPECT_FALSE(Form->CopyClipTo(clip, true));
    EXPECT_EQ(ReadAll(clip), QByteArray("clip.AVI").repeated(1000));

    // The question and the failures speak the language of the loaded file.
    const TLanguageTexts before = LanguageTexts;
    LanguageTexts = LoadLanguageTexts(QStringLiteral(GLIMVIEW_SOURCE_DIR), LanguageForLangId(0x0407));
    questions.clear();
    answer = QStringLiteral("&No");
    EXPECT_FALSE(Form->CopyClipTo(copy, false));
    EXPECT_FALSE(Form->CopyClipTo(clip, true));
    const QString unwritable = target.filePath(QStringLiteral("missing/copy.avi"));
    EXPECT_FALSE(Form->CopyClipTo(unwritable, false));
    LanguageTexts = before;
    ASSERT_EQ(questions.size(), 3) << qPrintable(questions.join(u'|'));
    EXPECT_EQ(questions[0],
        QStringLiteral("Die Datei „%1“ ist bereits vorhanden. Möchten Sie sie ersetzen?").arg(copy))
        << qPrintable(questions[0]);
    EXPECT_EQ(questions[1],
        QStringLiteral("„%1“ kann nicht kopiert werden: Quelle und Ziel sind dieselbe Datei.").arg(clip))
        << qPrintable(questions[1]);
    // The system's reason follows the sentence.
    const QString notCreated = QStringLiteral("Die Datei „%1“ kann nicht erstellt werden. ").arg(unwritable);
    EXPECT_TRUE(questions[2].startsWith(notCreated)) << qPrintable(questions[2]);
    EXPECT_GT(questions[2].size(), notCreated.size()) << "no reason given";

    // A disk that fills up during the copy: the progress box is gone before
    // the error box comes, and does not show itself over it later.
    if (::geteuid() != 0)
        return; // a small file system of the test's own needs root
    glimview_test::SmallTmpfs full("64k");
    ASSERT_TRUE(full.Mounted());
    const QString filler = QString::fromStdString(full.Path()) + QStringLiteral("/filler");
    WriteFile(filler, QByteArray(60 * 1024, 'f'));
    WriteFile(clip, QByteArray("clip.AVI").repeated(100'000));
    questions.clear();
    answer = QStringLiteral("OK");
    lingerOnBoxes = true;
    EXPECT_FALSE(Form->CopyClipTo(QString::fromStdString(full.Path()) + QStringLiteral("/copy.avi"), false));
    ASSERT_EQ(questions.size(), 1) << qPrintable(questions.join(u'|'));
    EXPECT_FALSE(progressOverABox);
}

// An MP4 or WebM clip is offered under a name of its own type, which a name
// typed without extension gets too, behind a filter in the user's language.
TEST_F(VideosForm, SavingAnMp4OrWebmClipSuggestsItsExtensionAndNamesItsTypeInTheFilter)
{
    const TLanguageTexts before = LanguageTexts;
    LanguageTexts = LoadLanguageTexts(QStringLiteral(GLIMVIEW_SOURCE_DIR), LanguageForLangId(0x0407));
    QTemporaryDir target;
    QStringList filters;
    QString suggested;
    TModalHand hand([&](QWidget* modal) {
        if (auto* dialog = qobject_cast<QFileDialog*>(modal)) {
            filters = dialog->nameFilters();
            if (auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit")))
                suggested = name->text();
            AcceptFileDialog(dialog, target.filePath(QStringLiteral("copy")));
        }
    });
    for (const auto& [name, filter] :
        { std::pair { QStringLiteral("clip.mp4"), QStringLiteral("MP4-Videodatei (*.mp4)") },
            std::pair { QStringLiteral("clip.WEBM"), QStringLiteral("WebM-Videodatei (*.webm)") } }) {
        const QString clip = AddClip(name);
        const QString extension = QFileInfo(name).suffix().toLower();
        Form->findChild<QFileDialog*>()->setProperty("handledByTest", false);
        Form->actSaveExecute();
        EXPECT_EQ(filters, QStringList { filter });
        EXPECT_TRUE(QRegularExpression(
            QStringLiteral("^Glimview \\d{4}-\\d\\d-\\d\\d \\d\\d-\\d\\d-\\d\\d\\.") + extension + u'$')
                        .match(suggested)
                        .hasMatch())
            << qPrintable(suggested);
        EXPECT_EQ(ReadAll(target.filePath(QStringLiteral("copy.") + extension)), ReadAll(clip));
    }
    LanguageTexts = before;
}

TEST_F(VideosForm, EmailingAWmvOrMp4ClipCopiesItAsItIsAtOnce)
{
    QStringList opened;
    SetMailComposer({ [] { return false; }, [&](const QString& path) { opened << path; }, [] {} });
    const QString clip = AddClip(QStringLiteral("clip.wmv"));
    const QString attachment = ClipAttachmentName(BaseFolder());
    WriteFile(attachment, "an earlier attachment");
    TModalHand hand([](QWidget* modal) { ClickMessageBoxButton(modal, QStringLiteral("&No")); });
    Form->actEmailExecute();
    EXPECT_EQ(hand.Seen(), 0) << "no question";
    EXPECT_EQ(opened, QStringList { attachment });
    EXPECT_EQ(ReadAll(attachment), ReadAll(clip));
    EXPECT_FALSE(Form->Converting());

    // An MP4 clip goes as it is too, under its own extension, unconverted.
    opened.clear();
    const QString mp4 = AddClip(QStringLiteral("clip.mp4"));
    Form->actEmailExecute();
    const QString mp4Attachment = ClipAttachmentName(BaseFolder(), QStringLiteral("mp4"));
    EXPECT_EQ(opened, QStringList { mp4Attachment });
    EXPECT_EQ(ReadAll(mp4Attachment), ReadAll(mp4));
    EXPECT_FALSE(Form->Converting());
}

TEST_F(VideosForm, EmailingAnAviClipRunsTheConverterWithTheProfileOfItsSize)
{
    QStringList opened;
    SetMailComposer({ [] { return false; }, [&](const QString& path) { opened << path; }, [] {} });
    TConvertPortListener port;
    TProgressForm progress;
    QList<qint64> kinds;
    int fromConverter = 0;
    QObject::connect(
        &port.Port(), &TMessagePort::messageReceived, [&](quint32, qint64 w, qint64 l, qint64 sender) {
            kinds << w;
            fromConverter += Form->IsConverterProcess(sender);
            progress.NotifyConvert(w, l);
        });
    QObject::connect(&progress, &TProgressForm::conversionEnded, Form.get(), &TVideosForm::ConversionEnded);

    const QString small = TempFolder() + QStringLiteral("/GLV_small.avi");
    ASSERT_TRUE(MakeAviClip(small, 320, 240, 30, true));
    Form->AddVideo(small, QuarteredPicture(320, 240), 0);
    Form->actEmailExecute();
    EXPECT_TRUE(Form->Converting());
    EXPECT_EQ(Form->ConvertedFileName(), ClipAttachmentName(BaseFolder()));
    // A second request while converting does nothing.
    Form->actEmailExecute();
    // Only the converter this gallery started counts as one; this process does not.
    EXPECT_FALSE(Form->IsConverterProcess(QCoreApplication::applicationPid()));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !Form->Converting(); }, 60000));
    EXPECT_EQ(fromConverter, kinds.size());
    EXPECT_FALSE(Form->IsConverterProcess(QCoreApplication::applicationPid()));
    EXPECT_EQ(kinds.count(1), 1);
    EXPECT_EQ(kinds.first(), 1);
    EXPECT_EQ(kinds.last(), 2);
    EXPECT_GE(kinds.count(3), 1);
    ASSERT_EQ(opened, QStringList { ClipAttachmentName(BaseFolder()) });
    const QString probe = QString::fromUtf8(RunTool(QStringLiteral("ffprobe"),
        { QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-select_streams"),
            QStringLiteral("v"), QStringLiteral("-show_entries"),
            QStringLiteral("stream=codec_name,width,height"), QStringLiteral("-of"),
            QStringLiteral("csv=p=0"), opened[0] }));
    EXPECT_EQ(probe.trimmed(), QStringLiteral("wmv2,320,240"));

    // A larger recording size takes the other profile.
    const QString large = TempFolder() + QStringLiteral("/GLV_large.AVI");
    ASSERT_TRUE(MakeAviClip(large, 640, 480, 15, false));
    Form->AddVideo(large, QuarteredPicture(320, 240), 2);
    Form->actEmailExecute();
    ASSERT_TRUE(QTest::qWaitFor([&] { return opened.size() == 2; }, 60000));
    EXPECT_FALSE(Form->Converting());
    const QString probeLarge = QString::fromUtf8(RunTool(QStringLiteral("ffprobe"),
        { QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-show_entries"),
            QStringLiteral("stream=width"), QStringLiteral("-of"), QStringLiteral("csv=p=0"), opened[1] }));
    EXPECT_EQ(probeLarge.trimmed(), QStringLiteral("640"));
}

TEST_F(VideosForm, AConversionThatFailsOrCannotStartFreesTheWayForTheNext)
{
    QStringList opened;
    SetMailComposer({ [] { return false; }, [&](const QString& path) { opened << path; }, [] {} });
    TConvertPortListener port;
    TProgressForm progress;
    QObject::connect(&port.Port(), &TMessagePort::messageReceived,
        [&](quint32, qint64 w, qint64 l) { progress.NotifyConvert(w, l); });
    QObject::connect(&progress, &TProgressForm::conversionEnded, Form.get(), &TVideosForm::ConversionEnded);

    // Not a clip at all: the converter ends short of 100 %.
    AddClip(QStringLiteral("broken.avi"));
    Form->actEmailExecute();
    EXPECT_TRUE(Form->Converting());
    ASSERT_TRUE(QTest::qWaitFor([&] { return !Form->Converting(); }, 60000));
    EXPECT_TRUE(opened.isEmpty());

    // No converter to be found: nothing runs and nothing stays locked.
    const QByteArray savedPath = qgetenv("PATH");
    qputenv("PATH", QFile::encodeName(Base.path()));
    Form->actEmailExecute();
    qputenv("PATH", savedPath);
    EXPECT_FALSE(Form->Converting());
}

TEST_F(VideosForm, WhileTheComposerSendsOnlyAMessageAndTheComposer)
{
    int shown = 0;
    QStringList opened;
    SetMailComposer({ [] { return true; }, [&](const QString& path) { opened << path; }, [&] { ++shown; } });
    AddClip(QStringLiteral("clip.avi"));
    TModalHand hand([](QWidget* modal) { ClickMessageBoxButton(modal, QStringLiteral("&OK")); });
    Form->actEmailExecute();
    EXPECT_EQ(hand.Seen(), 1);
    EXPECT_EQ(shown, 1);
    EXPECT_FALSE(Form->Converting());
    EXPECT_TRUE(opened.isEmpty());
}

TEST_F(VideosForm, ClipNamesComeFromTheMediaFolderAndAreFree)
{
    const QString name = Form->MakeClipFileName();
    EXPECT_TRUE(name.startsWith(Base.path() + QStringLiteral("/Temp/GLV_temp_"))) << name.toStdString();
    EXPECT_TRUE(
        name.contains(QRegularExpression(QStringLiteral("GLV_temp_\\d[.,]\\d{14}E[+-]\\d{3}\\.(wmv|avi)$"))))
        << name.toStdString();
    // A recording creates its file and fails on a taken name: the clips of
    // another day that stand at this moment of the day move the name on.
    const QTime now = QTime::currentTime();
    for (int ms = 0; ms < 600; ++ms)
        for (int type = 0; type < 4; ++type)
            WriteFile(ClipFileName(Base.path(), type, now.addMSecs(ms), LocaleDecimalSeparator()), "earlier");
    const QString freeName = Form->MakeClipFileName();
    EXPECT_FALSE(QFileInfo::exists(freeName)) << freeName.toStdString();
    EXPECT_TRUE(freeName.startsWith(Base.path() + QStringLiteral("/Temp/GLV_temp_")))
        << freeName.toStdString();
}

TEST_F(VideosForm, PlayStartsTheDesktopsPlayerOrSaysThereIsNone)
{
    // A desktop of its own: the user's applications and defaults in the
    // process's private home, none of the system's (the test program's
    // XDG_DATA_DIRS and XDG_CONFIG_DIRS, there before GLib reads them), no
    // desktop named, no display, and a search path with nothing but the
    // system's programs and the test's own.
    const QString bin = QDir::home().filePath(QStringLiteral("bin"));
    const QString applications = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation)
        + QStringLiteral("/applications");
    const QString mimeapps = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation)
        + QStringLiteral("/mimeapps.list");
    for (const QString& folder : { bin, applications, QFileInfo(mimeapps).path() })
        ASSERT_TRUE(QDir().mkpath(folder));
    const QByteArray savedPath = qgetenv("PATH");
    qputenv("PATH", QFile::encodeName(bin) + ":/usr/bin:/bin");
    const auto recorder = [&](const QString& name) {
        const QString program = bin + u'/' + name;
        // Written aside and renamed: the test must never read a half-written list.
        WriteFile(program,
            "#!/bin/sh\nprintf '%s\\n' \"$@\" > \"$0.args.tmp\" && mv \"$0.args.tmp\" \"$0.args\"\n");
        QFile::setPermissions(
            program, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        return program;
    };
    // GIO learns of changed entries and defaults from a file monitor, a moment later.
    const auto playerBecomes = [](const QString& clip, const QString& player) {
        return QTest::qWaitFor([&] { return DefaultPlayerFor(clip) == player; }, 10000);
    };

    const QString clip = AddClip(QStringLiteral("clip.wmv"));
    LanguageTexts = TLanguageTexts({ { "NoPlayerMsg", QStringLiteral("No program here plays this clip.") } });
    QStringList messages;
    TModalHand hand([&](QWidget* modal) {
        if (auto* box = qobject_cast<QMessageBox*>(modal))
            messages << box->text();
        ClickMessageBoxButton(modal, QStringLiteral("OK"));
    });
    ASSERT_EQ(QMimeDatabase().mimeTypeForFile(clip).name(), QStringLiteral("video/x-ms-wmv"));
    EXPECT_TRUE(DefaultPlayerFor(clip).isEmpty());
    Form->actPlayExecute();
    EXPECT_EQ(messages, QStringList { QStringLiteral("No program here plays this clip.") });

    // On a named desktop its own opener is asked instead.
    const QString opener = recorder(QStringLiteral("xdg-open"));
    qputenv("XDG_CURRENT_DESKTOP", "X-Test");
    messages.clear();
    Form->actPlayExecute();
    EXPECT_TRUE(QTest::qWaitFor([&] { return QFile::exists(opener + QStringLiteral(".args")); }, 10000));
    EXPECT_EQ(ReadAll(opener + QStringLiteral(".args")), QFile::encodeName(clip) + '\n');
    EXPECT_TRUE(messages.isEmpty());

    // A player made the default for Windows Media clips is started from its
    // entry with the clip, whatever the clip's bytes look like, and the
    // desktop's opener is not asked.
    QFile::remove(opener + QStringLiteral(".args"));
    const QString player = recorder(QStringLiteral("recording-player"));
    WriteFile(applications + QStringLiteral("/recording-player.desktop"),
        "[Desktop Entry]\nType=Application\nName=Recording player\nExec=" + QFile::encodeName(player)
            + " --title=%c %u\nMimeType=video/x-ms-wmv;\n");
    WriteFile(mimeapps, "[Default Applications]\nvideo/x-ms-wmv=recording-player.desktop\n");
    EXPECT_TRUE(playerBecomes(clip, QStringLiteral("recording-player.desktop")));
    qunsetenv("XDG_CURRENT_DESKTOP");
    Form->actPlayExecute();
    EXPECT_TRUE(QTest::qWaitFor([&] { return QFile::exists(player + QStringLiteral(".args")); }, 10000));
    EXPECT_EQ(ReadAll(player + QStringLiteral(".args")),
        "--title=Recording player\n" + QFile::encodeName(clip) + '\n');
    EXPECT_TRUE(messages.isEmpty());
    EXPECT_FALSE(QFile::exists(opener + QStringLiteral(".args")));

    // A default player whose program cannot start plays nothing: the user is told.
    WriteFile(applications + QStringLiteral("/recording-player.desktop"),
        "[Desktop Entry]\nType=Application\nName=Recording player\nExec=" + QFile::encodeName(player)
            + " \"unclosed %u\n");
    EXPECT_TRUE(playerBecomes(clip, QString()));
    Form->actPlayExecute();
    EXPECT_EQ(messages, QStringList { QStringLiteral("No program here plays this clip.") });

    // MP4 and WebM clips go to the players of their own types.
    messages.clear();
    WriteFile(applications + QStringLiteral("/recording-player.desktop"),
        "[Desktop Entry]\nType=Application\nName=Recording player\nExec=" + QFile::encodeName(player)
            + " %u\nMimeType=video/mp4;video/webm;\n");
    WriteFile(mimeapps,
        "[Default Applications]\nvideo/mp4=recording-player.desktop\nvideo/webm=recording-player.desktop\n");
    for (const auto& [name, type] : { std::pair { QStringLiteral("clip.mp4"), QStringLiteral("video/mp4") },
             std::pair { QStringLiteral("clip.webm"), QStringLiteral("video/webm") } }) {
        const QString typed = AddClip(name);
        EXPECT_EQ(QMimeDatabase().mimeTypeForFile(typed).name(), type);
        EXPECT_TRUE(playerBecomes(typed, QStringLiteral("recording-player.desktop")));
        QFile::remove(player + QStringLiteral(".args"));
        Form->actPlayExecute();
        EXPECT_TRUE(QTest::qWaitFor([&] { return QFile::exists(player + QStringLiteral(".args")); }, 10000));
        EXPECT_EQ(ReadAll(player + QStringLiteral(".args")), QFile::encodeName(typed) + '\n');
    }
    EXPECT_TRUE(messages.isEmpty());

    qputenv("PATH", savedPath);
}
