// Saving a file so that the previous version survives any failure.
#pragma once

#include <QByteArray>
#include <QString>
#include <string>

struct stat;

namespace varnel {

// The backup name of a file: its extension replaced by backupExt (appended
// when it has none).
QString BackupName(const QString& path, const QString& backupExt);

// Saves bytes to path so that a failure never leaves it half written:
// - a symbolic link is followed and stays a link; the file it points to is
//   written (and backed up beside it);
// - a target that exists must be a regular file the user may write: a
//   folder, FIFO or device, or a read-only file, is refused;
// - normally the bytes go to a temporary file in the same folder, which is
//   synced and then renamed over the target, keeping its permissions, owner
//   and group. A file with several hard links, or one whose owner or group
//   this process cannot give to a new file, is written in place after a
//   copy of its old contents has been kept (and put back should the write
//   fail), so that every name sees the new data and the owner stays;
// - with backupExt not empty the previous version becomes the backup, and
//   an older backup is replaced only once the new file is in place;
// - a file-size limit gives an error, not a signal.
// On failure the target and its backup are as they were, no temporary file
// is left, and error holds the reason; returns false.
bool SaveFileAtomically(const QString& path, const QByteArray& bytes, const QString& backupExt,
                        QString* error);

// Reads a whole regular file; false with the reason in error. Folders,
// FIFOs and devices are refused without reading from them.
bool ReadWholeFile(const QString& path, QByteArray& bytes, QString* error);
bool ReadWholeFile(const QString& path, std::string& bytes, QString* error);

// Opens a regular file for reading (blocking) and tells its status; -1 with
// the reason in error for a folder, FIFO, device or a file that cannot be
// opened, none of which is read from.
int OpenRegularFile(const QString& path, struct stat* st, QString* error);

}  // namespace varnel
