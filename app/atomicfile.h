// Saving a file so that the previous version survives any failure.
#pragma once

#include <QByteArray>
#include <QString>

namespace varnel {

// The backup name of a file: its extension replaced by backupExt (appended
// when it has none).
QString BackupName(const QString& path, const QString& backupExt);

// Writes bytes to a temporary file in the target folder, flushes and syncs
// it, then (when backupExt is not empty and the target exists) keeps the old
// file under its backup name, and finally renames the new file over the
// target. On failure the target is as it was, the temporary file is gone,
// and error holds the system's reason; returns false.
bool SaveFileAtomically(const QString& path, const QByteArray& bytes, const QString& backupExt,
                        QString* error);

// Reads a whole file; false with the system's reason in error.
bool ReadWholeFile(const QString& path, QByteArray& bytes, QString* error);

}  // namespace varnel
