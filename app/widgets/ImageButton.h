// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <QPixmap>
#include <QWidget>

// The push button of the skinned windows: a picture control that swaps in
// its over, down and up pictures as the pointer enters, presses, releases and
// leaves it. It takes no keyboard focus and draws no text.
//
// Every mouse handler raises the ordinary signals first and changes the
// picture afterwards, so a window's handler still sees the previous look.
class TImageButton : public QWidget {
    Q_OBJECT
public:
    // Which look the button is in; vsReleased also stands for disabled with a disabled picture.
    enum TVisualState : quint8 { vsReleased = 0, vsDown = 1, vsOver = 2, vsUp = 3 };

    explicit TImageButton(QWidget* parent = nullptr);

    // The picture actually drawn. Setting it directly gives the button its
    // initial look; the four pictures below replace it as the pointer acts.
    const QPixmap& Picture() const { return FPicture; }
    void SetPicture(const QPixmap& picture);

    const QPixmap& PictureDisable() const { return FPictureDisable; }
    void SetPictureDisable(const QPixmap& picture);
    const QPixmap& PictureDown() const { return FPictureDown; }
    void SetPictureDown(const QPixmap& picture);
    const QPixmap& PictureOver() const { return FPictureOver; }
    void SetPictureOver(const QPixmap& picture);
    const QPixmap& PictureUp() const { return FPictureUp; }
    void SetPictureUp(const QPixmap& picture);

    // While the button is disabled no picture changes; it shows the disabled
    // picture, when it has one, and the up picture again once enabled.
    void SetEnabled(bool value) { setEnabled(value); }

    // Pictures without an alpha channel leave out the colour of their
    // bottom-left pixel.
    bool Transparent() const { return FTransparent; }
    void SetTransparent(bool value);
    // The button takes the size of every non-empty picture it shows.
    bool AutoSize() const { return FAutoSize; }
    void SetAutoSize(bool value);

    TVisualState VisualState() const { return FState; }

    // Raises the click as a left press and release inside the button would.
    void Click();
    // A left press and release in the button's middle, through the very
    // handlers the mouse runs: what a key or a screen reader's "Press" does.
    void Press();

    // A toggle's latch: the gallery buttons stay down while their window shows.
    // Only screen readers see it; the look is the window's to set.
    bool Checkable() const { return FCheckable; }
    void SetCheckable(bool value) { FCheckable = value; }
    bool Checked() const { return FChecked; }
    void SetChecked(bool value);
    // Back to the resting look, as when the pointer leaves, for a press whose
    // release went elsewhere (to a menu the press opened).
    void ResetLook();

signals:
    void clicked();
    void doubleClicked();
    // Positions are in the button's own coordinates.
    void mouseDown(Qt::MouseButton button, const QPoint& pos);
    void mouseUp(Qt::MouseButton button, const QPoint& pos);
    void mouseMove(Qt::MouseButtons buttons, const QPoint& pos);
    void mouseEnter();
    void mouseLeave();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void changeEvent(QEvent* event) override;
    bool event(QEvent* event) override;

private:
    void PointerEntered();
    void PointerLeft();
    void LeftPressed();
    void LeftReleased();
    void Show(const QPixmap& picture);

    TVisualState FState = vsUp;
    QPixmap FPictureDisable;
    QPixmap FPictureDown;
    QPixmap FPictureOver;
    QPixmap FPictureUp;
    QPixmap FPicture;
    QPixmap FDrawn; // FPicture as painted, with its transparent colour left out
    bool FTransparent = false;
    bool FAutoSize = false;
    // Qt neither reports leaving nor re-entering while a button is held, and
    // reports a leave after the release instead: the button tracks it itself.
    bool FPointerInside = false;
    bool FLeftHeld = false;
    bool FClickPending = false; // a left press began on the button
    bool FCheckable = false;
    bool FChecked = false;
};

// Makes every TImageButton a push button to screen readers; the first button
// made installs it.
void InstallImageButtonAccessibility();
