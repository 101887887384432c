// SPDX-License-Identifier: GPL-2.0-or-later
#include "gallery/PhotosFrm.h"

#include "core/CodeSiteHelperUnit.h"
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

#include <QMessageBox>

TPhotosForm::TPhotosForm(QWidget* parent)
    : TGalleryForm(QStringLiteral("photos_back.png"), "PhotosFrm.cpp", 241,
        QStringLiteral("photos_view_over.png"), QStringLiteral("photos_view_down.png"), parent)
{
    setWindowTitle(QStringLiteral("Photos"));
    SetStripCaption(QStringLiteral("Image List"));
}

TPhotosForm::~TPhotosForm() = default;

int TPhotosForm::AddImage(const QImage& picture)
{
    TCodeSiteHelper trace(lcGallery(), "AddImage");
    const int index = Strip()->Add(picture);
    show();
    return index;
}

int TPhotosForm::ImageCount() const { return Strip()->Count(); }

QImage TPhotosForm::FocusedImage() const
{
    return ImageCount() > 0 ? Strip()->Item(Strip()->FocusedIndex())->Picture() : QImage();
}

void TPhotosForm::DeleteFocusedImage() { Strip()->DeleteFocused(); }

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
    TThumbnail* photo = Strip()->FocusedItem();
    if (!photo)
        return;
    const QString path = AskSaveName(SaveFolder(TMediaKind::Photo),
        SuggestedFileName(photo->CapturedAt(), QStringLiteral("jpg")),
        LanguageTexts[QStringLiteral("JpegFileFilter")] + QStringLiteral("(*.jpg *.jpeg)"),
        QStringLiteral("jpg"));
    if (path.isEmpty())
        return;
    // Asked here rather than by the dialog: a dangling link is a taken name too.
    const bool taken = NameTaken(path);
    if (taken && !ConfirmReplace(this, path))
        return;
    SaveFocusedImage(path, taken ? TReplace::Confirmed : TReplace::No);
    photo->SetKept();
    RememberSaveFolder(TMediaKind::Photo, path);
}

int TPhotosForm::UnsavedCount() const { return Strip()->UnkeptCount(); }

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
    Strip()->FocusedItem()->SetKept();
    MailComposerOpenWithAttachment(attachment);
}
