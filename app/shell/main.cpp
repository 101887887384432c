// Glimview's entry: the process-wide objects, the single-instance rule, the
// windows in their order, the event loop, and everything closed in reverse.
#include "Application.h"
#include "CamControllerUnit.h"
#include "FontFaces.h"
#include "ImageButton.h"
#include "LanguageTexts.h"
#include "MailComposerLink.h"
#include "MainFrm.h"
#include "MessagePort.h"
#include "ProductTitle.h"
#include "ProgramTranslator.h"
#include "ProgressFrm.h"
#include "SendEMailFrm.h"
#include "SettingsStore.h"
#include "Snapwell.h"
#include "SuspendWatcher.h"
#include "Unit1.h"
#include "VideosFrm.h"

#include <QIcon>

namespace {

const QString ForeignTitle = QStringLiteral("[::Vigilo::] - Tarsel Telecom. Inc.");

// Another copy is raised and this one ends; the foreign camera program ends
// this one silently. True when this copy goes on.
bool ClaimSingleInstance()
{
    if (MessagePortExists(ProductTitle())) {
        PostPortMessage(ProductTitle(), TMainForm::WM_OPENSESAME, 0, 0);
        return false;
    }
    return !MessagePortExists(ForeignTitle);
}

int RunApplication(TGlimviewApplication& app)
{
    if (!ClaimSingleInstance())
        return 0;

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
    QObject::connect(
        &progress, &TProgressForm::conversionEnded, mainForm->Videos(), &TVideosForm::ConversionEnded);
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
    QObject::connect(mainForm, &TMainForm::aboutRequested, &about, &TTessaly::pmiBrightletViewerClick);

    TMessagePort port(ProductTitle());
    port.AcceptMessage(TMainForm::WM_OPENSESAME);
    port.AcceptMessage(TMainForm::WM_NOTIFYCONVERT);
    QObject::connect(&port, &TMessagePort::messageReceived, mainForm,
        [mainForm](quint32 number, qint64 wParam, qint64 lParam) {
            if (number == TMainForm::WM_OPENSESAME)
                mainForm->OpenSesame();
            else if (number == TMainForm::WM_NOTIFYCONVERT)
                mainForm->NotifyConvert(wParam, lParam);
        });

    // A suspend closes the main window as its close button does, but without
    // a question nobody would be there to answer.
    TSuspendWatcher suspend;
    QObject::connect(
        &suspend, &TSuspendWatcher::suspending, mainForm, [mainForm] { mainForm->EndSession(); });

    mainForm->show();
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
    // The skinned windows place themselves, which only X11 grants.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "xcb");

    TGlimviewApplication app(argc, argv);
    app.setApplicationName(QStringLiteral("Glimview"));
    MapDesignedFontFaces();

    CreateFrameMaps();
    CreateCamController();
    OpenSettingsStore();

    const int result = RunApplication(app);

    CloseSettingsStore();
    DestroyCamController();
    CloseFrameMaps();
    return result;
}
