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

TGalleryForm::TGalleryForm(const QString& background, const char* unitFile, int emailLeft,
    const QString& openOver, const QString& openDown, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint)
{
    setAttribute(Qt::WA_QuitOnClose, false);
    KeepOffTaskbar(this);
    setAttribute(Qt::WA_AlwaysShowToolTips);
    setFocusPolicy(Qt::StrongFocus);
    setFont(QFont(QStringLiteral("MS Sans Serif")));
    auto* imgBack = new QLabel(this);
    const QPixmap back = Skin(background);
    imgBack->setPixmap(WithoutColourKey(back));
    imgBack->setGeometry(QRect(QPoint(0, 0), back.isNull() ? QSize(354, 148) : LogicalSize(back)));
    resize(imgBack->size());
    if (!back.isNull())
        ApplySkinMask(this, back);

    FStrip = new TThumbnailStrip(this, unitFile);
    FNoDragControls = FStrip->Controls();
    connect(FStrip, &TThumbnailStrip::itemActivated, this, Guarded(this, &TGalleryForm::ActivateFocused));

    imgbClose = AddButton(QRect(321, 114, 14, 14), QStringLiteral("gallery_close_over.png"),
        QStringLiteral("gallery_close_down.png"));
    imgbSave = AddButton(QRect(121, 99, 31, 31), QStringLiteral("gallery_save_over.png"),
        QStringLiteral("gallery_save_down.png"));
    imgbOpen = AddButton(QRect(162, 99, 31, 31), openOver, openDown);
    imgbDelete = AddButton(QRect(203, 99, 31, 31), QStringLiteral("gallery_delete_over.png"),
        QStringLiteral("gallery_delete_down.png"));
    imgbEMail = AddButton(QRect(emailLeft, 103, 51, 22), QString(), QStringLiteral("gallery_email_down.png"));
    imgbEMail->SetAutoSize(false);
    imgbEMail->hide();
    connect(imgbClose, &TImageButton::clicked, this, Guarded(this, &TGalleryForm::imgbCloseClick));
    connect(imgbSave, &TImageButton::clicked, this, Guarded(this, &TGalleryForm::actSaveExecute));
    connect(imgbOpen, &TImageButton::clicked, this, Guarded(this, &TGalleryForm::ActivateFocused));
    connect(imgbDelete, &TImageButton::clicked, this, Guarded(this, &TGalleryForm::actDeleteExecute));
    connect(imgbEMail, &TImageButton::clicked, this, Guarded(this, &TGalleryForm::actEmailExecute));

    FSaveDialog = new QFileDialog(this);
    FSaveDialog->setAcceptMode(QFileDialog::AcceptSave);
    FSaveDialog->setFileMode(QFileDialog::AnyFile);
    // The galleries ask before a replace themselves: the dialog's own check
    // follows links, so a dangling one would pass as a free name.
    FSaveDialog->setOption(QFileDialog::DontConfirmOverwrite);
    FSaveDialog->setSizeGripEnabled(true);

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
    FNoDragControls.append(button);
    return button;
}

void TGalleryForm::SetStripCaption(const QString& text) { FStrip->SetCaption(text); }

void TGalleryForm::SetStripFont(const QString& face) { FStrip->SetCaptionFont(face); }

void TGalleryForm::SetItemNameFormat(const QString& text) { FStrip->SetItemNameFormat(text); }

void TGalleryForm::SetListName(const QString& text) { FStrip->SetListName(text); }

void TGalleryForm::SetControlHints(
    const QString& close, const QString& scrollLeft, const QString& scrollRight, const QString& scrollThumb)
{
    SetHintWithKey(imgbClose, close, QKeySequence(Qt::CTRL | Qt::Key_W), true);
    FStrip->SetControlHints(scrollLeft, scrollRight, scrollThumb);
}

void TGalleryForm::SetHints(const QString& save, const QString& open, const QString& remove)
{
    SetHintWithKey(imgbSave, save, QKeySequence(Qt::CTRL | Qt::Key_S));
    SetHintWithKey(imgbOpen, open, QKeySequence(Qt::Key_Return));
    SetHintWithKey(imgbDelete, remove, QKeySequence(Qt::Key_Delete));
}

bool TGalleryForm::IsDragPoint(const QPoint& windowPos) const
{
    // The viewport is a window of its own in the design: it never drags.
    if (FStrip->InViewport(windowPos))
        return false;
    for (const QWidget* control : FNoDragControls)
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
        FStrip->PageLeft();
        break;
    case Qt::Key_PageDown:
        FStrip->PageRight();
        break;
    case Qt::Key_Left:
        FStrip->FocusPrevious();
        break;
    case Qt::Key_Right:
        FStrip->FocusNext();
        break;
    case Qt::Key_Home:
        FStrip->FocusFirst();
        break;
    case Qt::Key_End:
        FStrip->FocusLast();
        break;
    case Qt::Key_Delete:
        actDeleteExecute();
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

QString TGalleryForm::AskSaveName(
    const QString& folder, const QString& fileName, const QString& filter, const QString& suffix)
{
    FSaveDialog->setNameFilter(filter);
    FSaveDialog->setDefaultSuffix(suffix);
    FSaveDialog->setDirectory(folder);
    FSaveDialog->selectFile(fileName);
    if (FSaveDialog->exec() != QDialog::Accepted || FSaveDialog->selectedFiles().isEmpty())
        return QString();
    return FSaveDialog->selectedFiles().constFirst();
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
