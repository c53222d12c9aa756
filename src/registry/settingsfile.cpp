#include "registry/settingsfile.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QSaveFile>

#ifdef Q_OS_WIN
#include <io.h>
#else
#include <unistd.h>
#endif

namespace {

// QSaveFile renames without syncing: the new content must reach the disk before
// the rename does, or a power cut right after it can leave an empty file.
void syncToDisk(QFileDevice &file)
{
    const int handle = file.handle();
    if (!file.flush() || handle < 0) {
        return;
    }
#ifdef Q_OS_WIN
    _commit(handle);
#else
    ::fsync(handle);
#endif
}

} // namespace

SettingsFile::SettingsFile(const QString &baseDirectory) : base(baseDirectory)
{
}

QString SettingsFile::baseDirectory() const
{
    if (!base.isEmpty()) {
        return base;
    }
    return QCoreApplication::applicationDirPath();
}

QString SettingsFile::directoryPath() const
{
    const QString baseDir = baseDirectory();
    if (baseDir.isEmpty()) {
        return {};
    }
    return baseDir + QLatin1Char('/') + directoryName;
}

QString SettingsFile::filePath() const
{
    const QString directory = directoryPath();
    if (directory.isEmpty()) {
        return {};
    }
    return directory + QLatin1Char('/') + fileName;
}

QByteArray SettingsFile::readAll() const
{
    const QString path = filePath();
    if (path.isEmpty()) {
        return {};
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || file.size() > MaxSize) {
        return {};
    }
    return file.read(MaxSize);
}

bool SettingsFile::holds(const QByteArray &data) const
{
    QFile file(filePath());
    if (!file.open(QIODevice::ReadOnly) || file.size() != data.size()) {
        return false;
    }
    return file.read(data.size() + 1) == data;
}

void SettingsFile::writeAll(const QByteArray &data)
{
    const QString directory = directoryPath();
    if (directory.isEmpty() || !QDir().mkpath(directory) || holds(data)) {
        return;
    }
    // A temporary file renamed over the old one: an interrupted save leaves
    // either the old list or the new one, never a mix.
    QSaveFile file(filePath());
    if (!file.open(QIODevice::WriteOnly)) {
        return;
    }
    if (file.write(data) != data.size()) {
        file.cancelWriting();
    } else {
        syncToDisk(file);
    }
    file.commit();
}

void SettingsFile::remove()
{
    const QString path = filePath();
    if (path.isEmpty()) {
        return;
    }
    QFile::remove(path);
}
