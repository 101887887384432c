// SPDX-License-Identifier: GPL-2.0-or-later
// TCamViewForm: the borderless window in which the camera picture is seen.
// Its panel pnlView is a native X window that the capture library draws the
// video into; the window takes the size of the backdrop framing each capture
// size, can be dragged by any point and switches the video to full screen.
#pragma once

#include "camera/VideoFormatTable.h"

#include <QPointer>
#include <QRect>
#include <QWidget>

#include <array>
#include <cstdint>
#include <functional>

class QLabel;
class TViewOverlay;
class TMagnet;
class TSkinnedWindowDrag;

// A child with a real X window id that Qt never paints over, so that the
// capture library's video stays visible.
class TVideoPanel : public QWidget {
    Q_OBJECT
public:
    explicit TVideoPanel(QWidget* parent);
    QPaintEngine* paintEngine() const override { return nullptr; }
};

class TCamViewForm : public QWidget {
    Q_OBJECT
    friend struct TCamViewFormTestAccess;

public:
    static constexpr QPoint PanelOrigin { 16, 11 };

    explicit TCamViewForm(QWidget* parent = nullptr);
    ~TCamViewForm() override;

    uint8_t ViewFormat() const { return FViewFormat; }
    void SetViewFormat(uint8_t index);
    void ShowView();
    void EnterFullScreen();
    // Leaves full screen; outside full screen it does nothing, since the
    // saved rectangles would then be empty.
    void LeaveFullScreen();
    bool FullScreen() const { return FFullScreen; }
    bool StaysOnTop() const;

    uintptr_t ViewHandle() const;

    // Where the picture is on the screen: the panel, or the whole screen in
    // full screen.
    QRect PictureOnScreen() const;
    // The shutter: the picture turns white for a moment.
    void FlashShutter();
    // The self-timer's seconds left, in large digits over the picture's
    // centre; 0 takes them away.
    void ShowCountdown(int seconds);
    TViewOverlay* Overlay() const { return FOverlay; }
    // Asked first on Esc; true when it took the key (a countdown cancelled).
    void SetEscapeTaken(std::function<bool()> taken) { FEscapeTaken = std::move(taken); }
    // What screen readers call the window, in a window and in full screen.
    void SetWindowNames(const QString& windowed, const QString& fullScreen);
    TMagnet* Magnet() const { return FMagnet; }
    // The X window the capture library draws into.
    TVideoPanel* Panel() const { return pnlView; }

signals:
    // A right-button release on the window, at the cursor's screen position.
    void nonClientRightButtonUp(const QPoint& globalPos);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    void ShowBackdrop(uint8_t index);
    void SetStaysOnTop(bool on);

    TVideoPanel* pnlView;
    // Indexed by format: SIF, VGA, SVGA, XGA, SXVGA, UXGA.
    std::array<QLabel*, VideoFormats.size()> Backdrops {};
    uint8_t FViewFormat = DefaultFormatIndex;
    QRect FSavedFormBounds;
    QRect FSavedViewBounds;
    std::function<bool()> FEscapeTaken;
    TMagnet* FMagnet;
    TSkinnedWindowDrag* FDrag;
    TViewOverlay* FOverlay;
    bool FFullScreen = false;
    QString FWindowedName;
    QString FFullScreenName;
    // The window the user was in when full screen began; it gets the keys back.
    QPointer<QWidget> FActiveBeforeFullScreen;
};
