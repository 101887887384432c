// SPDX-License-Identifier: GPL-2.0-or-later
// TGalleryForm: what the photo and the video gallery share as windows: the
// borderless skin with its fuchsia outline, the thumbnail strip, the buttons,
// the keys, the magnet and dragging by the skin outside the controls.
#pragma once

#include <QList>
#include <QString>
#include <QWidget>

class QFileDialog;
class TImageButton;
class TMagnet;
class TSkinnedWindowDrag;
class TThumbnailStrip;

// The gallery's buttons; its tests reach them through TGalleryFormTestAccess.
struct TGalleryControls {
    TImageButton* imgbClose = nullptr;
    TImageButton* imgbSave = nullptr;
    TImageButton* imgbOpen = nullptr; // views the photo, plays the clip
    TImageButton* imgbDelete = nullptr;
    TImageButton* imgbEMail = nullptr; // nothing in the gallery shows it
};

class TGalleryForm : public QWidget, private TGalleryControls {
    Q_OBJECT
    friend struct TGalleryFormTestAccess;

public:
    // background: the skin picture the window takes its size and shape from;
    // unitFile: the unit named when an internal check fails; emailLeft: where
    // the (hidden) e-mail button stands; openOver, openDown: the open
    // button's pictures.
    TGalleryForm(const QString& background, const char* unitFile, int emailLeft, const QString& openOver,
        const QString& openDown, QWidget* parent = nullptr);
    ~TGalleryForm() override;

    TThumbnailStrip* Strip() const { return FStrip; }

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
    void SetHints(const QString& save, const QString& open, const QString& remove);

    // Whether a press at this point (window coordinates) drags the window.
    virtual bool IsDragPoint(const QPoint& windowPos) const;
    void FormKeyDown(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier);
    void imgbCloseClick();
    virtual void actSaveExecute() = 0;
    virtual void actDeleteExecute() = 0;
    virtual void actEmailExecute() = 0;

signals:
    // The gallery hid itself with its own close button.
    void closedByUser();
    // A text for the main window's status line.
    void statusText(const QString& text);

protected:
    // While the composer is sending, says so, brings it forward and answers
    // true: a new e-mail cannot be written then.
    bool ComposerBusy();
    // Asks in the save dialog where a file goes; empty when the user cancels.
    QString AskSaveName(
        const QString& folder, const QString& fileName, const QString& filter, const QString& suffix);
    // The open button's action, also Enter's and a double click's on an item.
    virtual void ActivateFocused() = 0;
    // Whether keys count at all.
    virtual bool KeysEnabled() const { return true; }
    void keyPressEvent(QKeyEvent* event) override;

private:
    // The buttons of the skin: transparent, their resting look in the
    // background; a press on them never drags the window.
    TImageButton* AddButton(const QRect& geometry, const QString& overSkin, const QString& downSkin);

    TThumbnailStrip* FStrip;
    QFileDialog* FSaveDialog;
    // The controls over which a press does not drag.
    QList<QWidget*> FNoDragControls;
    TMagnet* FMagnet;
    TSkinnedWindowDrag* FDrag;
};
