// SPDX-License-Identifier: GPL-2.0-or-later
// TMainForm: Glimview's main window, a small borderless skinned control
// panel. It owns the live view and the two galleries, loads the settings and
// language texts when created, starts the camera on its first timer tick and
// carries the buttons and menus through which the user works the camera.
// The handlers stay here; the work is done by the collaborators it owns.
#pragma once

#include "shell/MainFormControls.h"
#include "shell/StartupSequence.h"

#include <QList>
#include <QPixmap>
#include <QRect>
#include <QWidget>

#include <cstdint>
#include <functional>
#include <memory>

class TCamViewForm;
class TCaptureFlows;
class TCompanionWindows;
class TDeviceMenus;
class TMagnet;
class TPhotosForm;
class TPictureOptions;
class TSnapshotCountdown;
class TSkinnedWindowDrag;
class TVideosForm;

// The controls are a private base, as a designed form's are: the window's
// own code names them plainly, other code goes through the window.
class TMainForm : public QWidget, private TMainFormControls {
    Q_OBJECT
    friend struct TMainFormTestAccess;

public:
    // Message numbers the window answers on its message port.
    static constexpr quint32 WM_OPENSESAME = 32968;
    static constexpr quint32 WM_NOTIFYCONVERT = 33667;

    using TMainFormControls::StatusArea;

    // Start-up stages of tmSystem.
    enum : int {
        ssNotRun = TStartupSequence::ssNotRun,
        ssCameraStep = TStartupSequence::ssCameraStep,
        ssFinished = TStartupSequence::ssFinished,
        ssLowColour = TStartupSequence::ssLowColour,
    };

    explicit TMainForm(QWidget* parent = nullptr);
    ~TMainForm() override;

    void UpdatePhotoButton();
    void UpdateVideoButton();
    void ProcessSnapshot();
    // The snapshot button's press: a snapshot, or with the self-timer set a
    // countdown to one; a press during the countdown cancels it.
    void StartSnapshot();
    // Stops the self-timer's countdown; false when none ran.
    bool CancelCountdown();
    // The key T: the next self-timer choice.
    void StepSelfTimer();
    // Shift+F10 and the Menu key: the main menu, over the window's focused
    // part or its middle.
    void ShowMainMenuIn(QWidget* window);
    void ProcessRecord();
    // Restores the application's windows and brings them to the front.
    void OpenSesame();
    // The session or the process is ending (a signal, a shutdown): the
    // window closes the normal way, marked as a session end, so nothing
    // waits for the user.
    void EndSession();
    // Checked again every this many milliseconds while a box still runs.
    static constexpr int SessionEndRetryMs = 10;
    // Closed, or closing: a flow that waited on a question stops there.
    bool IsClosing() const { return FClosed || FSessionEnd; }
    // A box with one OK button, captioned with the product title.
    void ShowInfo(const QString& text);
    void NotifyConvert(qint64 wParam, qint64 lParam);
    // Conversion reports count only from the converter this program started,
    // while it runs; anyone else's are ignored.
    bool IsFromConverter(qint64 senderPid) const;
    // Asks what becomes of photos or clips that were never saved: Save all,
    // Discard or Cancel. True when the close may go on: there are none, the
    // user discards them, or every one of them was saved.
    bool ConfirmDiscardUnsaved();
    // The drag rule: true where a press drags the window.
    bool IsDragPoint(const QPoint& windowPos) const;

    // The companion windows; none once the window has closed.
    TCamViewForm* CamView() const;
    TPhotosForm* Photos() const;
    TVideosForm* Videos() const;
    int StartStage() const;
    QMenu* PictureSizeSubmenu() const { return pmVideoFormat; }
    QAction* PictureSizeSubmenuItem() const { return FVideoFormatItem; }

    // Seams for the platform facts the start-up reads: the screen's colour
    // depth, and the pause before the camera opens (waits ms).
    void SetStartupSeams(std::function<int()> screenDepth, std::function<void(int ms)> pause);

signals:
    // The about box is the application's; the main window only asks for it.
    void aboutRequested();
    // The window has closed; the program ends.
    void closed();

protected:
    void closeEvent(QCloseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void CreateCollaborators();
    void FormCreate();
    void FitToSkin();
    void PlaceCompanionWindows();
    void SetUpWindowDrag();
    void LoadLanguage();
    void ApplyLanguageTexts();
    void AddPictureSizeSubmenu();
    void SetUpMagnet();
    void FormClose();
    void FinishSessionEnd();
    // Finishes a recording and saves every capture not saved yet, without a question.
    void SaveForSessionEnd();
    void ConnectControls();
    // What the capture library reports without being asked.
    void ConnectCameraNotices();

    void imgbHideClick();
    void imgbCloseClick();
    void imgbImageClick();
    void imgbVideoClick();
    void imgbControlClick();
    void imgbFormatMouseDown(const QPoint& pos);
    void pmVideoFormatHide();
    void FocusCompanion(QWidget* window);
    void imgbSnapshotClick();
    void imgbRecordClick();
    void PictureSizeClick(QAction* item, uint8_t index);
    void pmiChooseVideoDevice(QAction* item);
    void pmiChooseAudioDevice(QAction* item);
    void OnNCRButtonUp(const QPoint& globalPos);

    void tmSystemTimer();
    void tmFormatChangeTimer();
    void tmDeviceChangeTimer();
    void tmRecordTimer();
    // A gallery's button stays down while the gallery shows.
    static void ShowGalleryState(TImageButton* button, const QWidget* gallery);
    // The main window and whichever companion windows exist.
    QList<QWidget*> ApplicationWindows() const;

    TMagnet* FMagnet = nullptr;
    std::unique_ptr<TCompanionWindows> FCompanions;
    QList<QWidget*> FNoDragControls;
    QAction* FVideoFormatItem = nullptr; // the picture size submenu inside pmMain
    TSkinnedWindowDrag* FDrag = nullptr;
    std::unique_ptr<TDeviceMenus> FDeviceMenus;
    std::unique_ptr<TCaptureFlows> FCapture;
    std::unique_ptr<TStartupSequence> FStartup;
    std::unique_ptr<TPictureOptions> FPictureOptions;
    std::unique_ptr<TSnapshotCountdown> FCountdown;
    std::function<int()> FScreenDepth;
    std::function<void(int ms)> FStartupPause;
    bool FClosed = false;
    bool FSessionEnd = false;
    QPixmap FBackground; // the skin as loaded, fuchsia outline included
};
