// SPDX-License-Identifier: GPL-2.0-or-later
// TMainForm: Glimview's main window, a small borderless skinned control
// panel. It owns the live view and the two galleries, loads the settings and
// language texts when created, starts the camera on its first timer tick and
// carries the buttons and menus through which the user works the camera.
#pragma once

#include <QList>
#include <QPixmap>
#include <QPointer>
#include <QRect>
#include <QWidget>

#include <cstdint>
#include <functional>

enum class VidcoreNotice;

class QAction;
class QLabel;
class QMenu;
class QTimer;
class TCamViewForm;
class TImageButton;
class TMagnet;
class TPhotosForm;
class TSkinnedWindowDrag;
class TVideosForm;

class TMainForm : public QWidget {
    Q_OBJECT
public:
    // Message numbers the window answers on its message port.
    static constexpr quint32 WM_OPENSESAME = 32968;
    static constexpr quint32 WM_NOTIFYCONVERT = 33667;

    // Where the status line is written: the skin's status well.
    static constexpr QRect StatusArea { 46, 19, 129, 24 };

    // Start-up stages of tmSystem.
    enum : int { ssNotRun = 0, ssCameraStep = 1, ssFinished = 2, ssLowColour = 100 };

    explicit TMainForm(QWidget* parent = nullptr);
    ~TMainForm() override;

    void UpdatePhotoButton();
    void UpdateVideoButton();
    void ProcessSnapshot();
    void ProcessRecord();
    void ChooseRecordingType();
    void PrimeCapture();
    // Restores the application's windows and brings them to the front.
    void OpenSesame();
    // The session or the process is ending (a signal, a shutdown): the
    // window closes the normal way, marked as a session end, so nothing
    // waits for the user.
    void EndSession();
    // Checked again every this many milliseconds while a box still runs.
    static constexpr int SessionEndRetryMs = 10;
    bool IsSessionEnd() const { return FSessionEnd; }
    // A box with one OK button, captioned with the product title.
    void ShowInfo(const QString& text);
    void NotifyConvert(qint64 wParam, qint64 lParam);
    // What the capture library reports without being asked.
    void CameraNotice(VidcoreNotice notice);
    // Conversion reports count only from the converter this program started,
    // while it runs; anyone else's are ignored.
    bool IsFromConverter(qint64 senderPid) const;
    // Asks what becomes of photos or clips that were never saved: Save all,
    // Discard or Cancel. True when the close may go on: there are none, the
    // user discards them, or every one of them was saved.
    bool ConfirmDiscardUnsaved();
    // The drag rule: true where a press drags the window.
    bool IsDragPoint(const QPoint& windowPos) const;

    TCamViewForm* CamView() const { return FCamView; }
    TPhotosForm* Photos() const { return FPhotos; }
    TVideosForm* Videos() const { return FVideos; }
    int StartStage() const { return FStartStage; }
    QMenu* PictureSizeSubmenu() const { return pmVideoFormat; }
    QAction* PictureSizeSubmenuItem() const { return FVideoFormatItem; }

    // Seams for the platform facts the start-up reads.
    std::function<int()> ScreenDepth;
    std::function<void(int ms)> StartupPause; // waits ms

    QLabel* imgBack;
    TImageButton* imgbHide;
    TImageButton* imgbClose;
    TImageButton* imgbSnapshot;
    TImageButton* imgbRecord;
    TImageButton* imgbImage;
    TImageButton* imgbVideo;
    TImageButton* imgbControl;
    TImageButton* imgbFormat;
    QLabel* lblStatus;
    QLabel* lblLink1;
    QLabel* lblLink2;
    QLabel* lblHomepage;
    QTimer* tmSystem;
    QTimer* tmRecord;
    QTimer* tmFormatChange;
    QTimer* tmDeviceChange;
    QMenu* pmMain;
    QMenu* pmVideoFormat;
    QAction* pmiBrightletViewer;
    QMenu* pmiVideoDevices;
    QMenu* pmiAudioDevices;
    QMenu* pmiVideoFileFormat;
    QAction* pmiUncompressedAVI;
    QAction* pmiASF;
    QAction* pmiSIF;
    QAction* pmiVGA;
    QAction* pmiXGA;
    QAction* pmiSXVGA;
    QAction* pmiUXGA;
    QAction* pmiFullScreen;

signals:
    // The about box is the application's; the main window only asks for it.
    void aboutRequested();
    // The window has closed; the program ends.
    void closed();

protected:
    void closeEvent(QCloseEvent* event) override;
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    void FormCreate();
    void FormClose();
    void FinishSessionEnd();
    void CreateControls();
    void CreateMenus();
    void LoadWindowPositions();
    void SaveWindowPositions();
    void BuildNoDragList();
    void ApplyLanguageTexts();

    void imgbHideClick();
    void imgbCloseClick();
    void imgbImageMouseUp(Qt::MouseButton button);
    void imgbVideoMouseUp(Qt::MouseButton button);
    void imgbControlMouseUp(Qt::MouseButton button);
    void imgbFormatMouseDown(const QPoint& pos);
    void pmVideoFormatHide();
    void FocusCompanion(QWidget* window);
    void imgbSnapshotMouseUp(Qt::MouseButton button);
    void imgbRecordMouseUp(Qt::MouseButton button);
    void PictureSizeClick(QAction* item, uint8_t index);
    void pmiChooseVideoDevice(QAction* item);
    void pmiChooseAudioDevice(QAction* item);
    void ChooseDevice(
        QMenu* menu, QAction* item, int32_t& checkedIndex, const std::function<void(int32_t)>& choose);
    void SetRecordingType(int32_t type);
    void SetChosenVideo(const QString& name);
    void OnNCRButtonUp(const QPoint& globalPos);

    void tmSystemTimer();
    void tmFormatChangeTimer();
    void tmDeviceChangeTimer();
    void tmRecordTimer();
    void FillDeviceMenu(QMenu* menu, const QStringList& names, int checkedIndex, bool video);
    void CameraLost(bool busy);
    void RecordingEndedByItself(bool failed);
    void RefreshDevices();
    bool OpenCamera();
    void SetCameraButtonsVisible(bool visible);
    QList<QAction*> SizeItems() const;
    QAction* FileTypeItem(int32_t type) const;
    // The main window and whichever companion windows exist.
    QList<QWidget*> ApplicationWindows() const;

    TMagnet* FMagnet = nullptr;
    int32_t FAviAnswer = 0;
    TCamViewForm* FCamView = nullptr;
    QList<QWidget*> FNoDragControls;
    TPhotosForm* FPhotos = nullptr;
    TVideosForm* FVideos = nullptr;
    int32_t FVideoDeviceIndex = 0;
    int32_t FAudioDeviceIndex = 0;
    int FStartStage = ssNotRun;
    QAction* FVideoFormatItem = nullptr; // the picture size submenu inside pmMain
    TSkinnedWindowDrag* FDrag = nullptr;
    bool FClosed = false;
    bool FCameraMessageShown = false; // for the current loss of the camera
    QString FRecordingFile;
    QString FChosenVideo; // the camera the user (or the start-up) chose, by name
    bool FSessionEnd = false;
    QPixmap FBackground; // the skin as loaded, fuchsia outline included
};

extern QPointer<TMainForm> MainForm;
