// SPDX-License-Identifier: GPL-2.0-or-later
#include "gallery/GalleryForm.h"

#include "core/ErrorGuard.h"
#include "core/KeyHint.h"
#include "core/PlainText.h"
#include "gallery/MailComposerLink.h"
#include "gallery/ThumbnailStrip.h"
#include "widgets/ImageButton.h"
#include "widgets/MagnetUnit.h"
#include "widgets/SkinMask.h"
#include "widgets/SkinPicture.h"
#include "widgets/SkinnedWindowDrag.h"
#include "widgets/TaskbarEntry.h"

#include <QFileDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QMessageBox>

namespace {
QPixmap Skin(const QString& name) { return SkinPicture(name); }
} // namespace

TGalleryForm::TGalleryForm(const QString& background, const char* unitFile, int emailLeft, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint)
{
    setAttribute(Qt::WA_QuitOnClose, false);
    KeepOffTaskbar(this);
    setAttribute(Qt::WA_AlwaysShowToolTips);
    setFocusPolicy(Qt::StrongFocus);
    setFont(QFont(QStringLiteral("MS Sans Serif")));
    imgBack = new QLabel(this);
    const QPixmap back = Skin(background);
    imgBack->setPixmap(WithoutColourKey(back));
    imgBack->setGeometry(QRect(QPoint(0, 0), back.isNull() ? QSize(354, 148) : LogicalSize(back)));
    resize(imgBack->size());
    if (!back.isNull())
        ApplySkinMask(this, back);

    Strip = new TThumbnailStrip(this, unitFile);

    imgbClose = AddButton(QRect(321, 114, 14, 14), QStringLiteral("gallery_close_over.png"),
        QStringLiteral("gallery_close_down.png"));
    connect(imgbClose, &TImageButton::clicked, this, Guarded(this, &TGalleryForm::imgbCloseClick));
    imgbSave = AddButton(QRect(121, 99, 31, 31), QStringLiteral("gallery_save_over.png"),
        QStringLiteral("gallery_save_down.png"));
    imgbDelete = AddButton(QRect(203, 99, 31, 31), QStringLiteral("gallery_delete_over.png"),
        QStringLiteral("gallery_delete_down.png"));
    imgbEMail = AddButton(QRect(emailLeft, 103, 51, 22), QString(), QStringLiteral("gallery_email_down.png"));
    imgbEMail->SetAutoSize(false);
    imgbEMail->hide();

    SaveDialog = new QFileDialog(this);
    SaveDialog->setAcceptMode(QFileDialog::AcceptSave);
    SaveDialog->setFileMode(QFileDialog::AnyFile);
    // The galleries ask before a replace themselves: the dialog's own check
    // follows links, so a dangling one would pass as a free name.
    SaveDialog->setOption(QFileDialog::DontConfirmOverwrite);
    SaveDialog->setSizeGripEnabled(true);

    FMagnet = new TMagnet(this);
    FMagnet->SetActive(true);
    FMagnet->SetSnapOptions(soMagnet);
    FMagnet->SetEnableClustering(false);
    FDrag = new TSkinnedWindowDrag(this);
    FDrag->SetCaptionTest([this](const QPoint& pos) { return IsDragPoint(pos); });
}

TGalleryForm::~TGalleryForm() = default;

TImageButton* TGalleryForm::AddButton(const QRect& geometry, const QString& overSkin, const QString& downSkin)
{
    auto* button = new TImageButton(this);
    button->setGeometry(geometry);
    button->SetTransparent(true);
    button->SetAutoSize(true);
    if (!overSkin.isEmpty())
        button->SetPictureOver(Skin(overSkin));
    button->SetPictureDown(Skin(downSkin));
    return button;
}

void TGalleryForm::SetStripCaption(const QString& text) { Strip->SetCaption(text); }

void TGalleryForm::SetStripFont(const QString& face) { Strip->SetCaptionFont(face); }

void TGalleryForm::SetItemNameFormat(const QString& text) { Strip->SetItemNameFormat(text); }

void TGalleryForm::SetListName(const QString& text) { Strip->pnlStrip->setAccessibleName(text); }

void TGalleryForm::SetControlHints(
    const QString& close, const QString& scrollLeft, const QString& scrollRight, const QString& scrollThumb)
{
    SetHintWithKey(imgbClose, close, QKeySequence(Qt::CTRL | Qt::Key_W), true);
    Strip->imgbMoveLeft->setStatusTip(scrollLeft);
    Strip->imgbMoveRight->setStatusTip(scrollRight);
    Strip->imgbThumb->setStatusTip(scrollThumb);
}

bool TGalleryForm::IsDragPoint(const QPoint& windowPos) const
{
    // The viewport is a window of its own in the design: it never drags.
    if (Strip->pnlContainer->geometry().contains(windowPos))
        return false;
    for (const QWidget* control : FHitTestList)
        if (control->geometry().contains(windowPos))
            return false;
    return true;
}

// A key that stands for a button clicks it, and only while the button can
// be pressed.
static void PressIfAvailable(TImageButton* button)
{
    if (button->isVisible() && button->isEnabled())
        button->click();
}

void TGalleryForm::FormKeyDown(int key, Qt::KeyboardModifiers modifiers)
{
    if (!KeysEnabled())
        return;
    if (modifiers.testFlag(Qt::ControlModifier)) {
        if (key == Qt::Key_S)
            PressIfAvailable(imgbSave);
        else if (key == Qt::Key_W)
            PressIfAvailable(imgbClose);
    }
    switch (key) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        ActivateFocused();
        break;
    case Qt::Key_PageUp:
        Strip->PageLeft();
        break;
    case Qt::Key_PageDown:
        Strip->PageRight();
        break;
    case Qt::Key_Left:
        Strip->FocusPrevious();
        break;
    case Qt::Key_Right:
        Strip->FocusNext();
        break;
    case Qt::Key_Home:
        Strip->FocusFirst();
        break;
    case Qt::Key_End:
        Strip->FocusLast();
        break;
    case Qt::Key_Delete:
        DeleteFocusedAction();
        break;
    default:
        break;
    }
}

void TGalleryForm::keyPressEvent(QKeyEvent* event)
{
    RunGuarded([&] { FormKeyDown(event->key(), event->modifiers()); });
}

void TGalleryForm::imgbCloseClick()
{
    hide();
    emit closedByUser();
}

bool TGalleryForm::ComposerBusy()
{
    if (!MailComposerSending())
        return false;
    ShowPlainMessage(this, QMessageBox::Information, QString(),
        QStringLiteral("Could not write new e-mail while sending e-mail!"));
    MailComposerShow();
    return true;
}
