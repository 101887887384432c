// SPDX-License-Identifier: GPL-2.0-or-later
// The main window's designed controls: the skin, its buttons, the status
// line, the timers and the two menus. TMainForm inherits them privately (the
// form code names them plainly); its collaborators get only the parts they work.
#pragma once

#include <QList>
#include <QRect>

#include <cstdint>

class QAction;
class QActionGroup;
class QLabel;
class QMenu;
class QPixmap;
class QTimer;
class QWidget;
class TImageButton;
class TStatusLine;

struct TMainFormControls {
    // Where the status line is written: the skin's status well.
    static constexpr QRect StatusArea { 46, 19, 129, 24 };

    // Makes the controls on form, as the design places them; nothing is connected yet.
    void CreateControls(QWidget* form, QPixmap& background);
    void CreateMenus(QWidget* form);
    // The texts and hints of the chosen language.
    void ApplyTexts() const;
    void SetCameraButtonsVisible(bool visible) const;
    // Snapshot, format and control are locked while a recording runs.
    void SetCaptureButtonsEnabled(bool enabled) const;
    QList<QAction*> SizeItems() const;
    // Checks item alone among the picture sizes.
    void CheckSizeItem(const QAction* item) const;
    QAction* FileTypeItem(int32_t videoType) const;
    // The type of the checked item among the compressed ones: ASF when none is.
    int32_t CheckedCompressedType() const;
    // Disables, with a hint that names the package, a type whose encoder is
    // missing; asked each time the file type submenu opens.
    void OfferEncodableFileTypes() const;
    // Where a press never drags the window, hidden controls included.
    QList<QWidget*> NoDragControls() const;

    QLabel* imgBack = nullptr;
    TImageButton* imgbHide = nullptr;
    TImageButton* imgbClose = nullptr;
    TImageButton* imgbSnapshot = nullptr;
    TImageButton* imgbRecord = nullptr;
    TImageButton* imgbImage = nullptr;
    TImageButton* imgbVideo = nullptr;
    TImageButton* imgbControl = nullptr;
    TImageButton* imgbFormat = nullptr;
    TStatusLine* lblStatus = nullptr;
    QLabel* lblLink1 = nullptr;
    QLabel* lblLink2 = nullptr;
    QLabel* lblHomepage = nullptr;
    QTimer* tmSystem = nullptr;
    QTimer* tmRecord = nullptr;
    QTimer* tmFormatChange = nullptr;
    QTimer* tmDeviceChange = nullptr;
    QMenu* pmMain = nullptr;
    QMenu* pmVideoFormat = nullptr;
    QAction* pmiBrightletViewer = nullptr;
    QMenu* pmiVideoDevices = nullptr;
    QMenu* pmiAudioDevices = nullptr;
    QMenu* pmiVideoFileFormat = nullptr;
    QAction* pmiUncompressedAVI = nullptr;
    QAction* pmiASF = nullptr;
    QAction* pmiMP4 = nullptr;
    QAction* pmiWebM = nullptr;
    QAction* pmiSIF = nullptr;
    QAction* pmiVGA = nullptr;
    QAction* pmiXGA = nullptr;
    QAction* pmiSXVGA = nullptr;
    QAction* pmiUXGA = nullptr;
    QAction* pmiFullScreen = nullptr;
    // After the picture size submenu: how the live picture is shown and taken.
    QAction* pmiPictureSeparator = nullptr;
    QAction* pmiMirror = nullptr;
    QMenu* pmiSelfTimer = nullptr;
    QActionGroup* pmiSelfTimerItems = nullptr;
    QAction* pmiSelfTimerOff = nullptr;
    QAction* pmiSelfTimer3 = nullptr;
    QAction* pmiSelfTimer10 = nullptr;
    QAction* pmiFlash = nullptr;
};
