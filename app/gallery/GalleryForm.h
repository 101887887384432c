// TGalleryForm: what the photo and the video gallery have in common as
// windows: the borderless skin with its fuchsia outline, the close button,
// the strip viewport with its caption, the magnet and dragging by the skin
// outside the controls of the hit-test list.
#pragma once

#include <QList>
#include <QWidget>

class QLabel;
class TImageButton;
class TMagnet;
class TSkinnedWindowDrag;

class TGalleryForm : public QWidget {
    Q_OBJECT
public:
    // background: the skin picture (":/skins/...") the window takes its size and shape from.
    TGalleryForm(const QString& background, QWidget* parent = nullptr);
    ~TGalleryForm() override;

    // The strip viewport's caption, seen while the gallery holds nothing.
    void SetStripCaption(const QString& text);
    void SetStripFont(const QString& face);
    bool IsDragPoint(const QPoint& windowPos) const;

    QLabel* imgBack;
    QWidget* pnlContainer; // the strip's viewport
    TImageButton* imgbClose;

signals:
    // The gallery hid itself with its own close button.
    void closedByUser();

protected:
    TImageButton* AddButton(const QString& skinName, const QRect& geometry);
    // The controls over which a press does not drag, in hit-test order.
    QList<QWidget*> FHitTestList;

private:
    QLabel* FStripCaption;
    TMagnet* FMagnet;
    TSkinnedWindowDrag* FDrag;
};
