// SPDX-License-Identifier: GPL-2.0-or-later
// Writing a photo or clip under a name the user chose, in a folder others
// may write into too (a group-shared one).
//
// A new name is created exclusively and never through a link
// (O_CREAT|O_EXCL|O_NOFOLLOW). A name that is taken is replaced only when
// the caller says the user confirmed it: the data goes into a temporary file
// beside it, which is synced and renamed over the name, so the old file
// stays whole until the new one is complete. A link under the name is
// replaced itself, never its target, and only when it is the user's own. A
// replaced file gets the mode a new file would get, whatever the old one had.
#pragma once

#include <QString>

class QWidget;

// True when something (a file, a folder, a link, dangling or not) has the name.
bool NameTaken(const QString& path);
// Asks whether the file at `path` is to be replaced; false for No.
bool ConfirmReplace(QWidget* owner, const QString& path);

class TSafeSave {
public:
    explicit TSafeSave(QString path);
    ~TSafeSave(); // a save never committed leaves nothing behind
    TSafeSave(const TSafeSave&) = delete;
    TSafeSave& operator=(const TSafeSave&) = delete;

    // False, with the reason in ErrorString(), when the name cannot be
    // written: taken without `replace`, another account's link, not a
    // regular file, or no file can be made.
    bool Open(bool replace);
    bool Write(const char* data, qint64 size);
    // Syncs the data, puts it under the name and syncs the folder.
    bool Commit();
    QString ErrorString() const { return FError; }

private:
    bool Fail(int error);
    void Discard();

    QString FPath;
    QByteArray FName;
    QByteArray FWritten; // the file this object made: the name itself or a temporary one
    int FFd = -1;
    QString FError;
};
