#include "JpegWriter.h"

#include "FileCreateError.h"

#include <QFile>
#include <QImage>
#include <QString>

#include <cerrno>
#include <csetjmp>
#include <cstdio>
#include <cstring>

#include <jpeglib.h>

namespace {

constexpr int JpegQuality = 90;

// libjpeg's own handler ends the process; this one jumps back to the writer.
struct TJpegErrorManager {
    jpeg_error_mgr Public;
    std::jmp_buf Return;
    char Message[JMSG_LENGTH_MAX];
};

[[noreturn]] void ReturnToWriter(j_common_ptr info)
{
    auto* manager = reinterpret_cast<TJpegErrorManager*>(info->err);
    info->err->format_message(info, manager->Message);
    std::longjmp(manager->Return, 1);
}

// Everything that holds a resource lives outside the setjmp frame, so the
// jump back skips no destructor.
struct TJpegJob {
    jpeg_compress_struct Info {};
    TJpegErrorManager Error {};
    std::FILE* File = nullptr;
};

// Returns an empty text on success, the reason otherwise.
QString Encode(TJpegJob& job, const QImage& rows)
{
    job.Info.err = jpeg_std_error(&job.Error.Public);
    job.Error.Public.error_exit = ReturnToWriter;
    if (setjmp(job.Error.Return)) {
        jpeg_destroy_compress(&job.Info);
        return QString::fromLocal8Bit(job.Error.Message);
    }
    jpeg_create_compress(&job.Info);
    jpeg_stdio_dest(&job.Info, job.File);
    job.Info.image_width = static_cast<JDIMENSION>(rows.width());
    job.Info.image_height = static_cast<JDIMENSION>(rows.height());
    // Format_RGB32 rows are B, G, R, X bytes in memory on this machine.
    job.Info.input_components = 4;
    job.Info.in_color_space = JCS_EXT_BGRX;
    jpeg_set_defaults(&job.Info);
    jpeg_set_quality(&job.Info, JpegQuality, TRUE);
    jpeg_start_compress(&job.Info, TRUE);
    while (job.Info.next_scanline < job.Info.image_height) {
        // QImage rows are 32-bit aligned: each row is addressed by its own pointer.
        JSAMPROW row = const_cast<JSAMPROW>(rows.constScanLine(static_cast<int>(job.Info.next_scanline)));
        jpeg_write_scanlines(&job.Info, &row, 1);
    }
    jpeg_finish_compress(&job.Info);
    jpeg_destroy_compress(&job.Info);
    return {};
}

} // namespace

void SaveBitmapAsJpeg(const QImage& bitmap, const QString& path)
{
    static_assert(Q_BYTE_ORDER == Q_LITTLE_ENDIAN, "RGB32 rows are read as BGRX");
    if (bitmap.isNull())
        throw EFCreateError(path, QStringLiteral("The picture is empty."));
    const QImage rows = bitmap.format() == QImage::Format_RGB32 ? bitmap : bitmap.convertToFormat(QImage::Format_RGB32);

    TJpegJob job;
    job.File = std::fopen(QFile::encodeName(path).constData(), "wb");
    if (!job.File)
        throw EFCreateError(path, QString::fromLocal8Bit(std::strerror(errno)));
    QString reason = Encode(job, rows);
    const bool flushed = std::fflush(job.File) == 0 && !std::ferror(job.File);
    const int flushError = errno;
    const bool closed = std::fclose(job.File) == 0;
    if (reason.isEmpty() && !(flushed && closed))
        reason = QString::fromLocal8Bit(std::strerror(flushError ? flushError : errno));
    if (!reason.isEmpty()) {
        QFile::remove(path);
        throw EFCreateError(path, reason);
    }
}
