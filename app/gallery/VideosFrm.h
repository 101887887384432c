// TVideosForm: the video gallery, a strip of the run's clips. It owns the
// clip files and deletes them when it is destroyed.
#pragma once

#include "GalleryForm.h"

#include <QImage>
#include <QStringList>

#include <cstdint>

class TVideosForm : public TGalleryForm {
    Q_OBJECT
public:
    explicit TVideosForm(QWidget* parent = nullptr);
    ~TVideosForm() override;

    // A new clip file name in the media folder, its extension by the
    // camera controller's recording type.
    QString MakeClipFileName() const;
    // Lists the clip (from the first moment of its recording) and shows the gallery.
    void AddVideo(const QString& fileName, const QImage& thumbnail, uint8_t viewFormat);
    int VideoCount() const;
    void SetInputEnabled(bool enabled);
    void SetHints(const QString& save, const QString& play, const QString& remove);

    TImageButton* imgbSave;
    TImageButton* imgbPlay;
    TImageButton* imgbDelete;

private:
    QStringList FFileNames;
    QList<QImage> FThumbnails;
    QList<uint8_t> FViewFormats;
    bool FInputEnabled = true;
};
