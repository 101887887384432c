// TPhotosForm: the photo gallery, a strip of the run's snapshots.
#pragma once

#include "GalleryForm.h"

#include <QImage>

class TPhotosForm : public TGalleryForm {
    Q_OBJECT
public:
    explicit TPhotosForm(QWidget* parent = nullptr);
    ~TPhotosForm() override;

    // Appends the photo, focuses it and shows the gallery.
    void AddImage(const QImage& picture);
    int ImageCount() const;
    void SetHints(const QString& save, const QString& view, const QString& remove);

    TImageButton* imgbSave;
    TImageButton* imgbView;
    TImageButton* imgbDelete;

private:
    QList<QImage> FPhotos;
};
