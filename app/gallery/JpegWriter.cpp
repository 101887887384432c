// SPDX-License-Identifier: GPL-2.0-or-later
#include "gallery/JpegWriter.h"

#include "gallery/FileCreateError.h"
#include "gallery/SafeSave.h"

#include <QImage>
#include <QString>

#include <csetjmp>
#include <cstdlib>
#include <cstring>
#include <vector>

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
    std::vector<JSAMPROW> Rows;
    // The encoder writes into memory, the file gets it in one write.
    unsigned char* Encoded = nullptr;
    unsigned long EncodedSize = 0;

    ~TJpegJob() { std::free(Encoded); }
};

// Returns an empty text on success, the reason otherwise.
QString Encode(TJpegJob& job, const QImage& rows)
{
    job.Info.err = jpeg_std_error(&job.Error.Public);
    job.Error.Public.error_exit = ReturnToWriter;
    if (setjmp(job.Error.Return)) {
        jpeg_destroy_compress(&job.Info);
        // The memory destination hands its buffer over only when it finishes;
        // before that the pointer may already have been freed by a regrowth.
        job.Encoded = nullptr;
        return QString::fromLocal8Bit(job.Error.Message);
    }
    jpeg_create_compress(&job.Info);
    jpeg_mem_dest(&job.Info, &job.Encoded, &job.EncodedSize);
    job.Info.image_width = static_cast<JDIMENSION>(rows.width());
    job.Info.image_height = static_cast<JDIMENSION>(rows.height());
    // Format_RGB32 rows are B, G, R, X bytes in memory on this machine.
    job.Info.input_components = 4;
    job.Info.in_color_space = JCS_EXT_BGRX;
    jpeg_set_defaults(&job.Info);
    jpeg_set_quality(&job.Info, JpegQuality, TRUE);
    jpeg_start_compress(&job.Info, TRUE);
    // QImage rows are 32-bit aligned: each row is addressed by its own pointer.
    job.Rows.resize(rows.height());
    for (int y = 0; y < rows.height(); ++y)
        job.Rows[y] = const_cast<JSAMPROW>(rows.constScanLine(y));
    while (job.Info.next_scanline < job.Info.image_height)
        jpeg_write_scanlines(&job.Info, job.Rows.data() + job.Info.next_scanline,
            job.Info.image_height - job.Info.next_scanline);
    jpeg_finish_compress(&job.Info);
    jpeg_destroy_compress(&job.Info);
    return {};
}

} // namespace

void SaveBitmapAsJpeg(const QImage& bitmap, const QString& path, TReplace replace)
{
    static_assert(Q_BYTE_ORDER == Q_LITTLE_ENDIAN, "RGB32 rows are read as BGRX");
    if (bitmap.isNull())
        throw EFCreateError(path, QStringLiteral("The picture is empty."));
    const QImage rows
        = bitmap.format() == QImage::Format_RGB32 ? bitmap : bitmap.convertToFormat(QImage::Format_RGB32);

    TJpegJob job;
    const QString reason = Encode(job, rows);
    if (!reason.isEmpty())
        throw EFCreateError(path, reason);

    TSafeSave file(path);
    if (!file.Open(replace == TReplace::Confirmed)
        || !file.Write(reinterpret_cast<const char*>(job.Encoded), qint64(job.EncodedSize)) || !file.Commit())
        throw EFCreateError(path, file.ErrorString());
}
