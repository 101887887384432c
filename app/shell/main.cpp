// SPDX-License-Identifier: GPL-2.0-or-later
// Glimview's entry: the process-wide objects, the single-instance rule, the
// windows in their order, the event loop, and everything closed in reverse.
#include "camera/CamControllerUnit.h"
#include "camera/Snapwell.h"
#include "core/Application.h"
#include "core/ErrorGuard.h"
#include "core/FontFaces.h"
#include "core/LanguageTexts.h"
#include "core/MessagePort.h"
#include "core/PlainText.h"
#include "core/ProductTitle.h"
#include "core/ProgramTranslator.h"
#include "core/SettingsStore.h"
#include "core/WorkingFolder.h"
#include "gallery/ClipRecovery.h"
#include "gallery/MailComposerLink.h"
#include "gallery/MediaStore.h"
#include "gallery/PhotosFrm.h"
#include "gallery/ProgressFrm.h"
#include "gallery/VideosFrm.h"
#include "mail/SendEMailFrm.h"
#include "shell/DisplayPlatform.h"
#include "shell/MainFrm.h"
#include "shell/SessionEndWatcher.h"
#include "shell/ShellLogging.h"
#include "shell/ShutdownDelayLock.h"
#include "shell/SuspendWatcher.h"
#include "shell/Unit1.h"
#include "widgets/ImageButton.h"

#include <QDir>
#include <QIcon>
#include <QMessageBox>

#include <cstdio>

namespace {

const QString ForeignTitle = QStringLiteral("[::Vigilo::] - Tarsel Telecom. Inc.");

// The private folder cannot be had (another account's, or no room): the
// one message this start shows, in the user's language.
void ReportRunFolderUnusable()
{
    const QString folder = WantedMessagePortFolder();
    qCCritical(lcShell, "the private runtime folder %s cannot be used; not starting", qPrintable(folder));
    LoadSystemLanguage(WorkingFolderPath());
    const QString text = LanguageText(QStringLiteral("RunFolderMsg"), folder);
    ShowPlainMessage(nullptr, QMessageBox::NoIcon, ProductTitle(), text);
}

// No X server answers, so no window can be shown: one line on standard
// error, in the user's language, says what to install. Qt is not started, as
// it would abort without a display.
void ReportNoXDisplay()
{
    LoadSystemLanguage(WorkingFolderPath());
    QString text = LanguageTexts[QStringLiteral("NoXDisplayMsg")];
    if (text.isEmpty())
        text = LoadLanguageTexts(
            WorkingFolderPath(), LanguageForLangId(0x0409))[QStringLiteral("NoXDisplayMsg")];
    std::fprintf(stderr, "%s\n", qPrintable(text.isEmpty() ? QStringLiteral("NoXDisplayMsg") : text));
}

// How long a second start keeps trying to reach a first copy that is still
// opening its port.
constexpr int HandOverDeadlineMs = 2000;

// The holder of the product's lock is the one instance. Another start raises
// it and ends; the foreign camera program ends this one silently. True when
// this copy goes on.
bool ClaimSingleInstance(const TInstanceLock& instance)
{
    if (!instance.IsHeld()) {
        if (instance.IsTakenByAnother()) {
            qCDebug(lcShell, "another copy runs; raising it");
            PostPortMessageWithin(ProductTitle(), TMainForm::WM_OPENSESAME, 0, 0, HandOverDeadlineMs);
        } else {
            // Without the lock nothing keeps a second copy out: none starts.
            ReportRunFolderUnusable();
        }
        return false;
    }
    return !MessagePortExists(ForeignTitle);
}

int RunApplication(TGlimviewApplication& app, TMessagePort& port)
{
    // No application display name: Qt would append it to every caption.
    app.setWindowIcon(QIcon(QStringLiteral(":/skins/icon_256.png")));

    auto* mainForm = new TMainForm();
    mainForm->setAttribute(Qt::WA_DeleteOnClose, false);
    TTessaly about;
    mainForm->setWindowTitle(ProductTitle());
    // The language is chosen while the main window is created; Qt's words
    // and the capture library's follow it.
    InstallProgramTranslations(app, LanguageName);
    // The converter's progress, shown while an AVI clip becomes a WMV attachment.
    TProgressForm progress;
    ProgressForm = &progress;
    QObject::connect(&progress, &TProgressForm::conversionEnded, mainForm->Videos(),
        Guarded(mainForm->Videos(), &TVideosForm::ConversionEnded));
    // Created once, hidden until a gallery hands it an attachment.
    auto* composer = new TSendEMailForm(mainForm);
    composer->hide();
    SetMailComposer({ [composer] { return composer->IsSending(); },
        [composer](const QString& path) { composer->OpenWithAttachment(path); },
        [composer] {
            composer->show();
            composer->raise();
            composer->activateWindow();
        } });
    QObject::connect(
        mainForm, &TMainForm::aboutRequested, &about, Guarded(&about, &TTessaly::pmiBrightletViewerClick));

    port.AcceptMessage(TMainForm::WM_OPENSESAME);
    port.AcceptMessage(TMainForm::WM_NOTIFYCONVERT);
    QObject::connect(&port, &TMessagePort::messageReceived, mainForm,
        Guarded([mainForm](quint32 number, qint64 wParam, qint64 lParam, qint64 senderPid) {
            if (number == TMainForm::WM_OPENSESAME)
                mainForm->OpenSesame();
            else if (number == TMainForm::WM_NOTIFYCONVERT && mainForm->IsFromConverter(senderPid))
                mainForm->NotifyConvert(wParam, lParam);
        }));

    // A suspend closes the main window as its close button does, but without
    // a question nobody would be there to answer.
    TSuspendWatcher suspend;
    QObject::connect(
        &suspend, &TSuspendWatcher::suspending, mainForm, Guarded([mainForm] { mainForm->EndSession(); }));
    // A signal or a shutdown closes it too, as a session end.
    TSessionEndWatcher sessionEnd;
    // While anything is unsaved, a shutdown waits for the save it causes.
    const TShutdownDelayLock shutdownDelay([mainForm] {
        return (mainForm->Photos() && mainForm->Photos()->UnsavedCount() > 0)
            || (mainForm->Videos() && mainForm->Videos()->UnsavedCount() > 0);
    });
    QObject::connect(
        &sessionEnd, &TSessionEndWatcher::sessionEnding, mainForm, Guarded(mainForm, &TMainForm::EndSession));

    mainForm->show();
    // Recordings a killed run left behind are copied whole while the program
    // starts; what came of it is told once the window is up.
    TClipRecovery recovery;
    QObject::connect(&recovery, &TClipRecovery::finished, mainForm,
        Guarded([mainForm](const QString& message) { mainForm->ShowInfo(message); }));
    recovery.Start(TempFolder());
    // Closing the main window ends the program, whatever else is open.
    app.setQuitOnLastWindowClosed(false);
    QObject::connect(mainForm, &TMainForm::closed, &app, &QApplication::quit, Qt::QueuedConnection);
    const int result = app.exec();
    SetMailComposer({});
    delete mainForm;
    ProgressForm = nullptr;
    return result;
}

} // namespace

int main(int argc, char** argv)
{
    if (ChooseDisplayPlatform() == TDisplayPlatform::None) {
        ReportNoXDisplay();
        return 1;
    }

    TGlimviewApplication app(argc, argv);
    CloseDisplayProbe();
    app.setApplicationName(QStringLiteral("Glimview"));
    // The windows' faces stand for fonts covering the script of the language they speak.
    MapDesignedFontFaces(LanguageForLangId(SystemDefaultLangId()).CodePage);

    // Decided before anything else is opened, and held until the process ends.
    const TInstanceLock instance(ProductTitle());
    if (!ClaimSingleInstance(instance))
        return instance.IsHeld() || instance.IsTakenByAnother() ? 0 : 1;
    TSessionEndWatcher::CatchEndSignals();
    // The port listens from here on; messages wait until the event loop runs.
    TMessagePort port(instance);
    // Only the one instance gets here, so map files found now were left by a
    // copy that is no longer running.
    RemoveLeftoverFrameMaps();

    CreateFrameMaps();
    CreateCamController();
    OpenSettingsStore();

    const int result = RunApplication(app, port);

    CloseSettingsStore();
    DestroyCamController();
    CloseFrameMaps();
    return result;
}
