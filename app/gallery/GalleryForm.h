// SPDX-License-Identifier: GPL-2.0-or-later
// TGalleryForm: what the photo and the video gallery share as windows: the
// borderless skin with its fuchsia outline, the thumbnail strip, the close
// button, the keys, the magnet and dragging by the skin outside the controls
// of the hit-test list.
#pragma once

#include <QList>
#include <QString>
#include <QWidget>

class QFileDialog;
class QLabel;
class TImageButton;
class TMagnet;
class TSkinnedWindowDrag;
class TThumbnailStrip;

class TGalleryForm : public QWidget {
    Q_OBJECT
public:
    // background: the skin picture the window takes its size and shape from;
    // unitFile: the unit named when an internal check fails; emailLeft: where
    // the (hidden) e-mail button stands.
    TGalleryForm(const QString& background, const char* unitFile, int emailLeft, QWidget* parent = nullptr);
    ~TGalleryForm() override;

    // The strip viewport's caption, seen while the gallery holds nothing.
    void SetStripCaption(const QString& text);
    void SetStripFont(const QString& face);
    // How screen readers name the strip's items: "Photo %d of %d".
    void SetItemNameFormat(const QString& text);
    // What screen readers call the strip's list.
    void SetListName(const QString& text);
    // Hints of the close button and the scroll controls, which the design
    // shows no tooltip for: kept as status tips, so screen readers name them.
    void SetControlHints(const QString& close, const QString& scrollLeft, const QString& scrollRight,
        const QString& scrollThumb);

    // Whether a press at this point (window coordinates) drags the window.
    virtual bool IsDragPoint(const QPoint& windowPos) const;
    void FormKeyDown(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier);
    void imgbCloseClick();

    QLabel* imgBack;
    TThumbnailStrip* Strip;
    TImageButton* imgbClose;
    TImageButton* imgbSave;
    TImageButton* imgbDelete;
    TImageButton* imgbEMail; // nothing in the gallery shows it
    QFileDialog* SaveDialog;

signals:
    // The gallery hid itself with its own close button.
    void closedByUser();
    // A text for the main window's status line.
    void statusText(const QString& text);

protected:
    // While the composer is sending, says so, brings it forward and answers
    // true: a new e-mail cannot be written then.
    bool ComposerBusy();
    // The buttons of the skin: transparent, their resting look in the background.
    TImageButton* AddButton(const QRect& geometry, const QString& overSkin, const QString& downSkin);
    // Enter on the focused item, Delete, and whether keys count at all.
    virtual void ActivateFocused() = 0;
    virtual void DeleteFocusedAction() = 0;
    virtual bool KeysEnabled() const { return true; }
    void keyPressEvent(QKeyEvent* event) override;

    // The controls over which a press does not drag, in hit-test order.
    QList<QWidget*> FHitTestList;

private:
    TMagnet* FMagnet;
    TSkinnedWindowDrag* FDrag;
};
