#include "VideosFrm.h"

#include "CamControllerUnit.h"
#include "ImageButton.h"

#include <QDir>
#include <QFile>
#include <QTime>

TVideosForm::TVideosForm(QWidget* parent)
    : TGalleryForm(QStringLiteral("videos_back.png"), parent)
{
    setWindowTitle(QStringLiteral("Videos"));
    imgbSave = AddButton(QStringLiteral("gallery_save"), QRect(121, 99, 31, 31));
    imgbPlay = AddButton(QStringLiteral("gallery_play"), QRect(162, 99, 31, 31));
    imgbDelete = AddButton(QStringLiteral("gallery_delete"), QRect(203, 99, 31, 31));
}

TVideosForm::~TVideosForm()
{
    // Clips are working files: none outlives the run.
    for (const QString& fileName : FFileNames)
        QFile::remove(fileName);
}

QString TVideosForm::MakeClipFileName() const
{
    const double dayFraction = QTime::currentTime().msecsSinceStartOfDay() / 86400000.0;
    return QDir::currentPath() + QStringLiteral("/Temp/GLV_temp_")
        + QString::asprintf("%.14E", dayFraction) + (CamController->VideoType ? QStringLiteral(".wmv") : QStringLiteral(".avi"));
}

void TVideosForm::AddVideo(const QString& fileName, const QImage& thumbnail, uint8_t viewFormat)
{
    FFileNames.append(fileName);
    FThumbnails.append(thumbnail);
    FViewFormats.append(viewFormat);
    show();
}

int TVideosForm::VideoCount() const { return static_cast<int>(FFileNames.size()); }

void TVideosForm::SetInputEnabled(bool enabled) { FInputEnabled = enabled; }

void TVideosForm::SetHints(const QString& save, const QString& play, const QString& remove)
{
    imgbSave->setToolTip(save);
    imgbPlay->setToolTip(play);
    imgbDelete->setToolTip(remove);
}
