// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <QObject>
#include <QPoint>
#include <functional>

class QMouseEvent;
class QWidget;

// Lets the user drag a borderless window by its skin. Without a window
// manager to run the move (Xvfb has none) the window moves itself: a left
// press on a caption point starts the move, each mouse move proposes a new
// place (announced to the window's event filters, so a TMagnet can snap it),
// and the release ends it. The window says which of its points act as the
// caption; presses elsewhere reach its controls as usual.
//
// A right-button release on a caption point raises nonClientRightButtonUp
// instead of the window's context menu, as a release over a window's caption
// bar would.
class TSkinnedWindowDrag : public QObject {
    Q_OBJECT
public:
    // Answers whether the point, in the window's coordinates, drags the window.
    using TCaptionTest = std::function<bool(const QPoint& windowPos)>;

    // Every point of the window drags it until SetCaptionTest says otherwise.
    explicit TSkinnedWindowDrag(QWidget* window);
    ~TSkinnedWindowDrag() override;

    void SetCaptionTest(TCaptionTest test);
    bool IsCaption(const QPoint& windowPos) const;
    bool Moving() const { return FMoving; }

signals:
    void nonClientRightButtonUp(const QPoint& globalPos);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool OwnsEventOf(QObject* watched) const;
    bool MousePress(QMouseEvent* event);
    bool MouseMove(QMouseEvent* event);
    bool MouseRelease(QMouseEvent* event);
    QPoint WindowPos(const QPoint& globalPos) const;
    void BeginMove(const QPoint& globalPos);
    void EndMove();

    QWidget* FWindow;
    TCaptionTest FCaptionTest;
    bool FMoving = false;
    bool FRightPressedOnCaption = false;
    QPoint FGrabOffset; // cursor position relative to the window's top-left
};
