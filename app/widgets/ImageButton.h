// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <QAbstractButton>
#include <QPixmap>

// The push button of the skinned windows: a picture control that swaps in
// its over, down and up pictures as the pointer enters, presses, releases and
// leaves it. It takes no keyboard focus and draws no text; keys and screen
// readers press it with click() and animateClick(), which leave the look alone.
//
// Every mouse handler raises the ordinary signals first and changes the
// picture afterwards, so a window's handler still sees the previous look.
class TImageButton : public QAbstractButton {
    Q_OBJECT
public:
    // Which look the button is in; vsReleased also stands for disabled with a disabled picture.
    enum TVisualState : quint8 { vsReleased = 0, vsDown = 1, vsOver = 2, vsUp = 3 };

    explicit TImageButton(QWidget* parent = nullptr);

    // The picture actually drawn. Setting it directly gives the button its
    // initial look; the four pictures below replace it as the pointer acts.
    const QPixmap& Picture() const { return FPicture; }
    void SetPicture(const QPixmap& picture);

    // While the button is disabled no picture changes; it shows the disabled
    // picture, when it has one, and the up picture again once enabled.
    void SetPictureDisable(const QPixmap& picture);
    const QPixmap& PictureDown() const { return FPictureDown; }
    void SetPictureDown(const QPixmap& picture);
    void SetPictureOver(const QPixmap& picture);
    const QPixmap& PictureUp() const { return FPictureUp; }
    void SetPictureUp(const QPixmap& picture);

    // Pictures without an alpha channel leave out the colour of their
    // bottom-left pixel.
    void SetTransparent(bool value);
    // The button takes the size of every non-empty picture it shows.
    void SetAutoSize(bool value);

    TVisualState VisualState() const { return FState; }

    // Back to the resting look, as when the pointer leaves, for a press whose
    // release went elsewhere (to a menu the press opened).
    void ResetLook();

signals:
    // A press of any mouse button, where it landed in the button.
    void mouseDown(Qt::MouseButton button, const QPoint& pos);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void changeEvent(QEvent* event) override;
    bool event(QEvent* event) override;
    // The latch (setCheckable, setChecked: a gallery button while its window
    // shows, the record button while recording) is the window's to set, and
    // only screen readers see it: a click leaves it as it is.
    void nextCheckState() override { }

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
};

// Makes every TImageButton a push button to screen readers; the first button
// made installs it.
void InstallImageButtonAccessibility();
