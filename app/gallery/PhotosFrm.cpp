#include "PhotosFrm.h"

#include "ImageButton.h"

TPhotosForm::TPhotosForm(QWidget* parent)
    : TGalleryForm(QStringLiteral("photos_back.png"), parent)
{
    setWindowTitle(QStringLiteral("Photos"));
    imgbSave = AddButton(QStringLiteral("gallery_save"), QRect(121, 99, 31, 31));
    imgbView = AddButton(QStringLiteral("gallery_view"), QRect(162, 99, 31, 31));
    imgbDelete = AddButton(QStringLiteral("gallery_delete"), QRect(203, 99, 31, 31));
}

TPhotosForm::~TPhotosForm() = default;

void TPhotosForm::AddImage(const QImage& picture)
{
    FPhotos.append(picture);
    show();
}

int TPhotosForm::ImageCount() const { return static_cast<int>(FPhotos.size()); }

void TPhotosForm::SetHints(const QString& save, const QString& view, const QString& remove)
{
    imgbSave->setToolTip(save);
    imgbView->setToolTip(view);
    imgbDelete->setToolTip(remove);
}
