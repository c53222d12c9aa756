#ifndef SETTINGSFILE_H
#define SETTINGSFILE_H

#include "model/devicelimits.h"

#include <QByteArray>
#include <QString>

// The file that keeps the list of known controllers across restarts:
// "settings/settings.json" beside the executable where that directory can be
// written, else "settings.json" in the user's application configuration
// directory. A build made for installation (NORVALEO_PORTABLE_SETTINGS off)
// keeps it per user only: even an administrator's copy must not write into
// the installed program's directory. Failures are reported by the result and
// one warning line.
class SettingsFile
{
public:
    // A file larger than this is no settings file of ours and is not read.
    static constexpr qint64 MaxSize = DeviceLimits::MaxSettingsFileSize;

    // An empty base directory means the application directory, or only the
    // per-user file in a build made for installation; only tests give another
    // one. The per-user fallback applies to both.
    explicit SettingsFile(const QString &baseDirectory = QString());
    // Only the per-user file, never one beside the executable.
    static SettingsFile perUser();
    // Exactly <directory>/settings.json, without any fallback.
    static SettingsFile inDirectory(const QString &directory);

    // Never writes anything. Empty when the file is missing, unreadable or
    // larger than MaxSize.
    QByteArray readAll() const;
    // Replaces the file atomically, and only when its content differs.
    bool writeAll(const QByteArray &data);
    // A missing file counts as removed.
    bool remove();
    // Copies the file that was read to "<name>.damaged" (or a numbered name
    // beside it when an earlier copy holds other bytes); true when a copy with
    // these bytes exists afterwards or there is nothing to copy.
    bool keepDamagedCopy();
    // Why the last writeAll, remove or keepDamagedCopy failed.
    QString errorString() const;

    // Where the list is written (and read, unless it still lies only beside
    // the executable).
    QString filePath() const;
    QString directoryPath() const;
    // Where the list is read from.
    QString readPath() const;
    // The file of the last kept damaged copy, or an empty text.
    QString damagedCopyPath() const;

private:
    QString baseDirectory() const;
    QString besidePath() const;
    QString perUserPath() const;
    bool besideIsWritable() const;
    bool fail(const QString &action, const QString &path, const QString &reason);

    QString base;
    QString fixedDirectory; // set by inDirectory: no location rules
    bool besideAllowed = true;
    QString directoryName = QStringLiteral("settings");
    QString fileName = QStringLiteral("settings.json");
    QString lastError;
    QString lastCopy;
};

#endif // SETTINGSFILE_H
