// SPDX-License-Identifier: GPL-2.0-or-later
// TThumbnailStrip: the strip of 80 x 60 thumbnails that both galleries show,
// with its viewport, focus frame, scroll track, thumb and step arrows. It
// creates these controls in the gallery window and runs every scrolling and
// focusing operation on them; the gallery decides what an item means.
#pragma once

#include <QDateTime>
#include <QImage>
#include <QList>
#include <QObject>
#include <QPixmap>
#include <QPoint>
#include <QRect>
#include <QWidget>

class QLabel;
class TImageButton;

// One item of the strip: the full picture, drawn from a copy scaled once.
class TThumbnail : public QWidget {
    Q_OBJECT
public:
    TThumbnail(const QImage& picture, const QDateTime& capturedAt, QWidget* strip);

    const QImage& Picture() const { return FPicture; }
    const QDateTime& CapturedAt() const { return FCapturedAt; }
    // Saved or e-mailed: the user has it somewhere beyond this run.
    bool Kept() const { return FKept; }
    void SetKept() { FKept = true; }
    // The framed item of its strip, which screen readers see as current.
    bool Current() const { return FCurrent; }
    void SetCurrent(bool value);

signals:
    void pressed(TThumbnail* item);
    void doubleClicked(TThumbnail* item);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    QImage FPicture;
    QPixmap FScaled;
    QDateTime FCapturedAt;
    bool FKept = false;
    bool FCurrent = false;
};

// The row of thumbnails inside the viewport: a list to screen readers.
class TThumbnailList : public QWidget {
    Q_OBJECT
public:
    using QWidget::QWidget;
};

// Makes the thumbnails list items of their list for screen readers; the
// first strip made installs it.
void InstallThumbnailAccessibility();

// The strip's controls in the gallery window; its tests reach them through
// TThumbnailStripTestAccess.
struct TThumbnailStripControls {
    QWidget* pnlContainer = nullptr; // the viewport
    QWidget* pnlStrip = nullptr;
    QWidget* shpFocus = nullptr;
    QWidget* imgScrollArea = nullptr;
    TImageButton* imgbThumb = nullptr;
    TImageButton* imgbMoveLeft = nullptr;
    TImageButton* imgbMoveRight = nullptr;
};

class TThumbnailStrip : public QObject, private TThumbnailStripControls {
    Q_OBJECT
    friend struct TThumbnailStripTestAccess;

public:
    // unitFile names the window's unit in the reports of failed checks.
    TThumbnailStrip(QWidget* window, const char* unitFile);

    int Count() const { return static_cast<int>(FItems.size()); }
    const TThumbnail* Item(int index) const { return FItems.at(index); }
    TThumbnail* Item(int index) { return FItems.at(index); }
    // The framed item; null while the strip is empty.
    TThumbnail* FocusedItem() const;
    // Items neither saved nor e-mailed.
    int UnkeptCount() const;
    int Offset() const { return FOffset; }
    int HiddenCount() const { return FHiddenCount; }
    double DragStep() const { return FDragStep; }

    // Appends the item, frames it and scrolls it into view at the right edge.
    int Add(const QImage& picture, const QDateTime& capturedAt = QDateTime::currentDateTime());
    // Removes the framed item and returns its index; -1 when there is none.
    int DeleteFocused();

    int FocusedIndex() const;
    int IndexAtPoint(int x, int y) const;
    void SetFocusIndex(int index);
    void FocusPrevious();
    void FocusNext();
    void FocusFirst();
    void FocusLast();
    void PageLeft();
    void PageRight();
    void RefreshThumbPosition();

    // The step arrows.
    void actMoveLeftExecute();
    void actMoveRightExecute();
    // Positions in window coordinates.
    void imgbThumbMouseDown(const QPoint& windowPos);
    void imgbThumbMouseMove(const QPoint& windowPos);
    void imgbThumbMouseUp();
    void imgScrollAreaMouseDown(Qt::MouseButton button, const QPoint& windowPos);

    void SetCaption(const QString& text);
    void SetCaptionFont(const QString& face);
    // How screen readers name an item: a text with two "%d", the item's
    // place and the count ("Photo 3 of 7").
    void SetItemNameFormat(const QString& text);
    // What screen readers call the list.
    void SetListName(const QString& text);
    // The hints of the arrows and the thumb, kept as status tips.
    void SetControlHints(const QString& scrollLeft, const QString& scrollRight, const QString& scrollThumb);

    // Whether a window point is in the viewport.
    bool InViewport(const QPoint& windowPos) const { return pnlContainer->geometry().contains(windowPos); }
    // The arrows, the thumb and its track.
    QList<QWidget*> Controls() const;

signals:
    void itemActivated(int index); // a double click on a thumbnail

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void SetOffset(int offset);
    void PlaceItems();
    void ShowStrip(bool visible);
    // Names the items by their places and marks the framed one current.
    void UpdateAccessibleItems();
    // A failed internal check, reported under the window's unit.
    void Check(bool condition, int line) const;

    QWidget* FWindow;
    const char* FUnitFile;
    QLabel* FCaption;
    QString FItemNameFormat;
    QList<TThumbnail*> FItems;
    int FOffset = 0;
    int FHiddenCount = 0;
    double FDragStep = 0;
    QPoint FLastDragPoint;
    QRect FDragBand;
};
