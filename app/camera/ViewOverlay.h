// SPDX-License-Identifier: GPL-2.0-or-later
// TViewOverlay: a borderless window laid over the live picture for a moment,
// since Qt cannot paint over the native panel the capture library draws
// into. It shows either the shutter's white flash over the whole picture or
// the self-timer's seconds in large digits at the picture's centre. It never
// takes the focus or the mouse.
#pragma once

#include <QWidget>

class QTimer;

class TViewOverlay : public QWidget {
    Q_OBJECT
public:
    static constexpr int FlashMs = 150;

    explicit TViewOverlay(QWidget* owner);

    // Covers `picture` (screen coordinates) white for FlashMs.
    void Flash(const QRect& picture);
    // Shows `seconds` at the centre of `picture`; 0 hides the digits.
    void ShowCountdown(const QRect& picture, int seconds);
    bool Flashing() const;
    int Countdown() const { return FSeconds; }

signals:
    // A flash has begun, covering the picture.
    void flashed();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void ShowOver(const QRect& area);

    QTimer* FFlashEnd;
    int FSeconds = 0;
};
