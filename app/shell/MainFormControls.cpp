// SPDX-License-Identifier: GPL-2.0-or-later
#include "shell/MainFormControls.h"

#include "camera/CamControllerUnit.h"
#include "camera/EncoderRegistry.h"
#include "camera/VideoFormatTable.h"
#include "core/KeyHint.h"
#include "core/LanguageTexts.h"
#include "core/PlainText.h"
#include "shell/PanelKeys.h"
#include "widgets/ImageButton.h"
#include "widgets/SkinMask.h"
#include "widgets/SkinPicture.h"
#include "widgets/StatusLine.h"

#include <QActionGroup>
#include <QLabel>
#include <QMenu>
#include <QTimer>

namespace {

QTimer* MakeTimer(QObject* parent, int intervalMs)
{
    auto* timer = new QTimer(parent);
    timer->setInterval(intervalMs);
    return timer;
}

QLabel* MakeLinkLabel(QWidget* parent, const QRect& geometry, const QString& caption)
{
    auto* label = new QLabel(caption, parent);
    label->setGeometry(geometry);
    label->setAlignment(Qt::AlignCenter);
    QFont font(QStringLiteral("MS UI Gothic"));
    font.setPixelSize(11);
    font.setBold(true);
    label->setFont(font);
    label->setCursor(Qt::PointingHandCursor);
    label->setAttribute(Qt::WA_TranslucentBackground);
    label->hide();
    return label;
}

} // namespace

void TMainFormControls::CreateControls(QWidget* form, QPixmap& background)
{
    imgBack = new QLabel(form);
    background = SkinPicture(QStringLiteral("main_back.png"));
    imgBack->setPixmap(WithoutColourKey(background));
    imgBack->setGeometry(
        QRect(QPoint(0, 0), background.isNull() ? QSize(354, 124) : LogicalSize(background)));

    auto button = [form](const QString& name, const QRect& geometry) {
        auto* b = new TImageButton(form);
        b->setGeometry(geometry);
        b->SetTransparent(true);
        b->SetAutoSize(true);
        b->SetPictureOver(SkinPicture(QStringLiteral("main_%1_over.png").arg(name)));
        b->SetPictureDown(SkinPicture(QStringLiteral("main_%1_down.png").arg(name)));
        return b;
    };
    imgbHide = button(QStringLiteral("hide"), QRect(283, 24, 14, 14));
    imgbHide->SetPicture(SkinPicture(QStringLiteral("main_hide_up.png")));
    imgbClose = button(QStringLiteral("close"), QRect(301, 24, 14, 14));
    imgbSnapshot = button(QStringLiteral("snapshot"), QRect(54, 47, 47, 47));
    imgbRecord = button(QStringLiteral("record"), QRect(110, 47, 47, 47));
    imgbImage = button(QStringLiteral("image"), QRect(182, 31, 31, 31));
    imgbVideo = button(QStringLiteral("video"), QRect(240, 31, 31, 31));
    imgbControl = button(QStringLiteral("control"), QRect(211, 63, 31, 31));
    imgbFormat = button(QStringLiteral("format"), QRect(269, 63, 31, 31));
    // The gallery buttons stay down while their gallery shows, the record
    // button while a recording runs.
    imgbImage->setCheckable(true);
    imgbVideo->setCheckable(true);
    imgbRecord->setCheckable(true);
    SetCameraButtonsVisible(false);

    lblStatus = new TStatusLine(form);
    // The status well of the skin less the same 4-pixel margin at both ends:
    // a left-to-right text starts there, a right-to-left one (the layout is
    // mirrored then) ends there. The text is centred in the well's height.
    lblStatus->setGeometry(StatusArea);
    lblStatus->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    QFont statusFont(QStringLiteral("NSimSun"));
    statusFont.setPixelSize(11);
    lblStatus->setFont(statusFont);
    lblStatus->setAttribute(Qt::WA_TranslucentBackground);
    QPalette statusPalette = lblStatus->palette();
    statusPalette.setColor(QPalette::WindowText, form->palette().color(QPalette::HighlightedText));
    lblStatus->setPalette(statusPalette);

    lblLink1 = MakeLinkLabel(form, QRect(17, 132, 69, 13), QStringLiteral("Scanora"));
    lblLink2 = MakeLinkLabel(form, QRect(99, 132, 73, 13), QStringLiteral("NetMeeting"));
    lblHomepage
        = MakeLinkLabel(form, QRect(179, 132, 158, 13), QStringLiteral("www.norvel-electronics.example"));

    tmSystem = MakeTimer(form, 10);
    tmRecord = MakeTimer(form, 250);
    tmFormatChange = MakeTimer(form, 20);
    tmDeviceChange = MakeTimer(form, 20);
}

void TMainFormControls::CreateMenus(QWidget* form)
{
    pmMain = new QMenu(form);
    pmiBrightletViewer = pmMain->addAction(QStringLiteral("Brightlet Viewer"));
    pmMain->addSeparator();
    pmiVideoDevices = pmMain->addMenu(QString());
    pmiAudioDevices = pmMain->addMenu(QString());
    pmMain->addSeparator();
    pmiVideoFileFormat = pmMain->addMenu(QString());
    pmiUncompressedAVI = pmiVideoFileFormat->addAction(QStringLiteral("Uncompressed AVI"));
    pmiUncompressedAVI->setCheckable(true);
    pmiUncompressedAVI->setVisible(false);
    pmiUncompressedAVI->setEnabled(false);
    pmiASF = pmiVideoFileFormat->addAction(QStringLiteral("Microsoft ASF"));
    pmiASF->setCheckable(true);
    pmiASF->setChecked(true);
    pmiMP4 = pmiVideoFileFormat->addAction(QStringLiteral("MP4 (H.264)"));
    pmiMP4->setCheckable(true);
    pmiWebM = pmiVideoFileFormat->addAction(QStringLiteral("WebM (VP8)"));
    pmiWebM->setCheckable(true);
    // A disabled type says why.
    pmiVideoFileFormat->setToolTipsVisible(true);
    // The picture size submenu joins before this separator once the texts are read.
    pmiPictureSeparator = pmMain->addSeparator();
    pmiMirror = pmMain->addAction(QString());
    pmiMirror->setCheckable(true);
    pmiSelfTimer = pmMain->addMenu(QString());
    pmiSelfTimerItems = new QActionGroup(pmiSelfTimer);
    auto timerItem = [this](int seconds) {
        QAction* item = pmiSelfTimer->addAction(QString());
        item->setCheckable(true);
        item->setData(seconds);
        pmiSelfTimerItems->addAction(item);
        return item;
    };
    pmiSelfTimerOff = timerItem(0);
    pmiSelfTimer3 = timerItem(3);
    pmiSelfTimer10 = timerItem(10);
    pmiSelfTimerOff->setChecked(true);
    pmiFlash = pmMain->addAction(QString());
    pmiFlash->setCheckable(true);
    pmiFlash->setChecked(true);

    pmVideoFormat = new QMenu(form);
    // Each size item carries its format index.
    auto sizeItem = [this](const QString& caption, uint8_t index, bool visible) {
        QAction* item = pmVideoFormat->addAction(caption);
        item->setCheckable(true);
        item->setVisible(visible);
        item->setData(index);
        return item;
    };
    pmiSIF = sizeItem(QStringLiteral("320x240(S&IF)"), vfSIF, true);
    pmiVGA = sizeItem(QStringLiteral("640x480(&VGA)"), vfVGA, true);
    pmiVGA->setChecked(true);
    pmiXGA = sizeItem(QStringLiteral("1024x768(XG&A)"), vfXGA, false);
    pmiSXVGA = sizeItem(QStringLiteral("1280x1024(S&XVGA)"), vfSXVGA, false);
    pmiUXGA = sizeItem(QStringLiteral("1600x1200(&UXGA)"), vfUXGA, false);
    pmiFullScreen = pmVideoFormat->addAction(QString());
}

void TMainFormControls::ApplyTexts() const
{
    auto text = [](const char* key) { return LanguageTexts[QString::fromLatin1(key)]; };
    QFont statusFont = lblStatus->font();
    statusFont.setFamily(LanguageFont);
    lblStatus->setFont(statusFont);
    lblStatus->ShowStatus(text("CameraLoading"));
    // Screen readers hear the hint; the tooltip adds the button's key.
    auto hint = [&text](TImageButton* button, const char* key, QKeyCombination pressedBy) {
        SetHintWithKey(button, text(key), QKeySequence(pressedBy));
    };
    hint(imgbSnapshot, "SnapShotHint", SnapshotKey);
    hint(imgbRecord, "RecordHint", RecordKey);
    hint(imgbImage, "ImageWindowHint", PhotoGalleryKey);
    hint(imgbVideo, "VideoWindowHint", VideoGalleryKey);
    hint(imgbControl, "ControlHint", CameraSettingsKey);
    imgbFormat->setToolTip(text("FormatHint"));
    // Kept as hints only: these two buttons show no tooltip.
    SetHintWithKey(imgbHide, text("HideWindowHint"), QKeySequence(MinimizeKey), true);
    SetHintWithKey(imgbClose, text("CloseWindowHint"), QKeySequence(CloseKey), true);
    pmiBrightletViewer->setText(text("TitleFormat"));
    pmiVideoDevices->setTitle(text("VideoDevice"));
    pmiAudioDevices->setTitle(text("AudioDevice"));
    pmiVideoFileFormat->setTitle(text("VideoFileFormat"));
    pmiFullScreen->setText(text("FullScreen"));
    pmiMirror->setText(text("MirrorItem"));
    pmiSelfTimer->setTitle(text("SelfTimerMenu"));
    pmiSelfTimerOff->setText(text("SelfTimerOff"));
    pmiSelfTimer3->setText(text("SelfTimer3"));
    pmiSelfTimer10->setText(text("SelfTimer10"));
    pmiFlash->setText(text("FlashItem"));
}

void TMainFormControls::SetCameraButtonsVisible(bool visible) const
{
    for (TImageButton* b : { imgbSnapshot, imgbRecord, imgbControl, imgbFormat })
        b->setVisible(visible);
}

void TMainFormControls::SetCaptureButtonsEnabled(bool enabled) const
{
    for (TImageButton* b : { imgbSnapshot, imgbFormat, imgbControl })
        b->setEnabled(enabled);
}

QList<QAction*> TMainFormControls::SizeItems() const { return { pmiSIF, pmiVGA, pmiXGA, pmiSXVGA, pmiUXGA }; }

void TMainFormControls::CheckSizeItem(const QAction* item) const
{
    for (QAction* other : SizeItems())
        other->setChecked(other == item);
}

QAction* TMainFormControls::FileTypeItem(int32_t videoType) const
{
    if (videoType == TCamController::VideoTypeAvi)
        return pmiUncompressedAVI;
    if (videoType == TCamController::VideoTypeAsf)
        return pmiASF;
    if (videoType == TCamController::VideoTypeMp4)
        return pmiMP4;
    if (videoType == TCamController::VideoTypeWebM)
        return pmiWebM;
    return nullptr;
}

int32_t TMainFormControls::CheckedCompressedType() const
{
    for (const int32_t type : { TCamController::VideoTypeMp4, TCamController::VideoTypeWebM })
        if (FileTypeItem(type)->isChecked() && FileTypeItem(type)->isEnabled())
            return type;
    return TCamController::VideoTypeAsf;
}

void TMainFormControls::OfferEncodableFileTypes() const
{
    for (const int32_t type : { TCamController::VideoTypeMp4, TCamController::VideoTypeWebM }) {
        QAction* item = FileTypeItem(type);
        const bool encodable = RecordingTypeEncodable(type);
        item->setEnabled(encodable);
        item->setToolTip(encodable
                ? QString()
                : LanguageText(QStringLiteral("EncoderMissingHint"), RecordingTypePackage(type)));
    }
}

QList<QWidget*> TMainFormControls::NoDragControls() const
{
    return { imgbClose, imgbControl, imgbFormat, imgbHide, imgbImage, imgbRecord, imgbSnapshot, imgbVideo,
        lblLink1, lblLink2, lblHomepage };
}
