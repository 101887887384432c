// SPDX-License-Identifier: GPL-2.0-or-later
#include "gallery/SafeSave.h"

#include "core/LanguageTexts.h"
#include "core/PlainText.h"

#include <QFile>
#include <QFileInfo>
#include <QMessageBox>
#include <QRandomGenerator>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

bool NameTaken(const QString& path)
{
    struct stat info { };
    return ::lstat(QFile::encodeName(path).constData(), &info) == 0;
}

bool ConfirmReplace(QWidget* owner, const QString& path)
{
    // Yes and No are Qt's own buttons: they speak the language through Qt's
    // translations, which the program loads for it.
    const auto answer = ShowPlainMessage(owner, QMessageBox::Question, QString(),
        LanguageText(QStringLiteral("ReplaceFileMsg"), path), QMessageBox::Yes | QMessageBox::No,
        QMessageBox::No);
    return answer == QMessageBox::Yes;
}

namespace {

// A new file named `name` with a random ending, made with the mode a new file
// gets (0666 less the umask), whatever the file it will replace had: another
// account's file in a shared folder may carry set-id bits or 0777. The kernel
// applies the umask, so the process's umask is never changed under threads
// that create files too.
int OpenTemporaryBeside(const QByteArray& name, QByteArray& temporary)
{
    static constexpr char Letters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    for (int attempt = 0; attempt < 100; ++attempt) {
        temporary = name + ".glimview-";
        for (int i = 0; i < 6; ++i)
            temporary += Letters[QRandomGenerator::system()->bounded(int(sizeof Letters) - 1)];
        const int fd
            = ::open(temporary.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST)
            return fd;
    }
    errno = EEXIST;
    return -1;
}

} // namespace

TSafeSave::TSafeSave(QString path)
    : FPath(std::move(path))
    , FName(QFile::encodeName(FPath))
{
}

TSafeSave::~TSafeSave() { Discard(); }

bool TSafeSave::Fail(int error)
{
    FError = QString::fromLocal8Bit(std::strerror(error));
    Discard();
    return false;
}

void TSafeSave::Discard()
{
    if (FFd >= 0)
        ::close(FFd);
    FFd = -1;
    if (!FWritten.isEmpty())
        ::unlink(FWritten.constData());
    FWritten.clear();
}

bool TSafeSave::Open(bool replace)
{
    Discard();
    FFd = ::open(FName.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (FFd >= 0) {
        FWritten = FName;
        return true;
    }
    if (errno != EEXIST)
        return Fail(errno);
    if (!replace)
        return Fail(EEXIST);
    struct stat info { };
    if (::lstat(FName.constData(), &info) != 0)
        return Fail(errno);
    if (S_ISLNK(info.st_mode) && info.st_uid != ::geteuid())
        return Fail(EPERM); // another account's link: neither it nor its target is ours to replace
    if (!S_ISLNK(info.st_mode) && !S_ISREG(info.st_mode))
        return Fail(S_ISDIR(info.st_mode) ? EISDIR : EINVAL);
    // Beside the name, so the rename stays within one file system.
    QByteArray temporary;
    FFd = OpenTemporaryBeside(FName, temporary);
    if (FFd < 0)
        return Fail(errno);
    FWritten = temporary;
    return true;
}

bool TSafeSave::Write(const char* data, qint64 size)
{
    if (FFd < 0)
        return false;
    while (size > 0) {
        const ssize_t written = ::write(FFd, data, size_t(size));
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return Fail(written < 0 ? errno : ENOSPC);
        data += written;
        size -= written;
    }
    return true;
}

bool TSafeSave::Commit()
{
    if (FFd < 0)
        return false;
    if (::fsync(FFd) != 0)
        return Fail(errno);
    const int fd = FFd;
    FFd = -1;
    if (::close(fd) != 0)
        return Fail(errno);
    if (FWritten != FName && ::rename(FWritten.constData(), FName.constData()) != 0)
        return Fail(errno);
    FWritten.clear();
    // The rename, or the new name, lasts only once the folder is synced.
    const QByteArray folder = QFile::encodeName(QFileInfo(FPath).absolutePath());
    if (const int dir = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC); dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
    return true;
}
