// SPDX-License-Identifier: GPL-2.0-or-later
#include "gallery/PhotosFrm.h"

#include "core/CodeSiteHelperUnit.h"
#include "core/ErrorGuard.h"
#include "core/KeyHint.h"
#include "core/LanguageTexts.h"
#include "gallery/GalleryLogging.h"
#include "gallery/ImageViewFrm.h"
#include "gallery/JpegWriter.h"
#include "gallery/MailComposerLink.h"
#include "gallery/MediaStore.h"
#include "gallery/SafeSave.h"
#include "gallery/SaveLocation.h"
#include "gallery/TempFolder.h"
#include "gallery/ThumbnailStrip.h"
#include "widgets/ImageButton.h"

#include <QFileDialog>
#include <QMessageBox>

TPhotosForm::TPhotosForm(QWidget* parent)
    : TGalleryForm(QStringLiteral("photos_back.png"), "PhotosFrm.cpp", 241, parent)
{
    setWindowTitle(QStringLiteral("Photos"));
    Strip->pnlContainer->setObjectName(QStringLiteral("pnlImagesContainer"));
    Strip->pnlStrip->setObjectName(QStringLiteral("pnlImages"));
    SetStripCaption(QStringLiteral("Image List"));

    imgbView = AddButton(QRect(162, 99, 31, 31), QStringLiteral("photos_view_over.png"),
        QStringLiteral("photos_view_down.png"));
    connect(imgbSave, &TImageButton::clicked, this, Guarded(this, &TPhotosForm::actSaveExecute));
    connect(imgbView, &TImageButton::clicked, this, Guarded(this, &TPhotosForm::actViewExecute));
    connect(imgbDelete, &TImageButton::clicked, this, Guarded(this, &TPhotosForm::actDeleteExecute));
    connect(imgbEMail, &TImageButton::clicked, this, Guarded(this, &TPhotosForm::actEmailExecute));
    connect(Strip, &TThumbnailStrip::itemActivated, this, Guarded(this, &TPhotosForm::actViewExecute));

    SaveDialog->setDefaultSuffix(QStringLiteral("jpg"));
    SaveDialog->setNameFilter(
        LanguageTexts[QStringLiteral("JpegFileFilter")] + QStringLiteral("(*.jpg *.jpeg)"));

    BuildHitTestList();
}

TPhotosForm::~TPhotosForm() = default;

void TPhotosForm::BuildHitTestList()
{
    FHitTestList = { imgbClose, Strip->imgbMoveLeft, Strip->imgbMoveRight, Strip->imgbThumb, imgbSave,
        imgbView, imgbDelete, imgbEMail, Strip->imgScrollArea };
}

int TPhotosForm::AddImage(const QImage& picture)
{
    TCodeSiteHelper trace(lcGallery(), "AddImage");
    const int index = Strip->Add(picture);
    show();
    return index;
}

int TPhotosForm::ImageCount() const { return Strip->Count(); }

QImage TPhotosForm::FocusedImage() const
{
    return ImageCount() > 0 ? Strip->Item(Strip->FocusedIndex())->Picture() : QImage();
}

void TPhotosForm::SetHints(const QString& save, const QString& view, const QString& remove)
{
    SetHintWithKey(imgbSave, save, QKeySequence(Qt::CTRL | Qt::Key_S));
    SetHintWithKey(imgbView, view, QKeySequence(Qt::Key_Return));
    SetHintWithKey(imgbDelete, remove, QKeySequence(Qt::Key_Delete));
}

void TPhotosForm::DeleteFocusedImage() { Strip->DeleteFocused(); }

void TPhotosForm::actDeleteExecute()
{
    DeleteFocusedImage();
    emit statusText(LanguageText(QStringLiteral("SnapshotStatus"), ImageCount()));
}

void TPhotosForm::SaveFocusedImage(const QString& path, TReplace replace)
{
    SaveBitmapAsJpeg(FocusedImage(), path, replace);
}

void TPhotosForm::actSaveExecute()
{
    TThumbnail* photo = Strip->FocusedItem();
    if (!photo)
        return;
    SaveDialog->setDirectory(SaveFolder(TMediaKind::Photo));
    SaveDialog->selectFile(SuggestedFileName(photo->CapturedAt(), QStringLiteral("jpg")));
    if (SaveDialog->exec() != QDialog::Accepted || SaveDialog->selectedFiles().isEmpty())
        return;
    const QString path = SaveDialog->selectedFiles().constFirst();
    // Asked here rather than by the dialog: a dangling link is a taken name too.
    const bool taken = NameTaken(path);
    if (taken && !ConfirmReplace(this, path))
        return;
    SaveFocusedImage(path, taken ? TReplace::Confirmed : TReplace::No);
    photo->SetKept();
    RememberSaveFolder(TMediaKind::Photo, path);
}

int TPhotosForm::UnsavedCount() const { return Strip->UnkeptCount(); }

void TPhotosForm::actViewExecute()
{
    if (ImageCount() == 0)
        return;
    auto* viewer = new TImageViewForm(this);
    viewer->SetPicture(FocusedImage());
    viewer->show();
    // The new window takes the keys at once: Esc closes it again.
    viewer->raise();
    viewer->activateWindow();
}

void TPhotosForm::actEmailExecute()
{
    if (ImageCount() == 0)
        return;
    if (ComposerBusy())
        return;
    const QString attachment = PhotoAttachmentName(BaseFolder());
    DropLinkAt(attachment);
    SaveFocusedImage(attachment, TReplace::Confirmed);
    Strip->FocusedItem()->SetKept();
    MailComposerOpenWithAttachment(attachment);
}
