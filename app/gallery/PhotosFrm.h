// SPDX-License-Identifier: GPL-2.0-or-later
// TPhotosForm: the photo gallery. The snapshots of the run live here only, as
// the full pictures of the strip's thumbnails, until the user saves, views,
// e-mails or deletes them.
#pragma once

#include "gallery/GalleryForm.h"
#include "gallery/JpegWriter.h"

#include <QImage>

class TPhotosForm : public TGalleryForm {
    Q_OBJECT
public:
    explicit TPhotosForm(QWidget* parent = nullptr);
    ~TPhotosForm() override;

    // Appends a copy of the picture, focuses it, shows the gallery and
    // returns the photo's index.
    int AddImage(const QImage& picture);
    int ImageCount() const;
    // Photos neither saved nor e-mailed.
    int UnsavedCount() const;
    // The focused photo; a null picture while the gallery is empty.
    QImage FocusedImage() const;

    void actSaveExecute() override;
    void actViewExecute();
    void actDeleteExecute() override;
    void actEmailExecute() override;
    void DeleteFocusedImage();
    void SaveFocusedImage(const QString& path, TReplace replace);

protected:
    void ActivateFocused() override { actViewExecute(); }
};
