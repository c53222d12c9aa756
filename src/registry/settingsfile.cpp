#include "registry/settingsfile.h"

#include "logging/logcategories.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>

#include <cerrno>
#include <cstring>

#ifdef Q_OS_WIN
// Without it Qt reads only the read-only attribute, and Program Files looks writable.
extern Q_CORE_EXPORT int qt_ntfs_permission_lookup;
#endif

namespace {

const QString damagedSuffix = QStringLiteral(".damaged");
// Numbered copies beyond this are not made: the earlier ones hold the bytes.
constexpr int MaxDamagedCopies = 20;

QString systemError()
{
    return QString::fromLocal8Bit(std::strerror(errno));
}

// Compares in pieces: a damaged file may be of any size.
bool sameContent(const QString &first, const QString &second)
{
    QFile a(first);
    QFile b(second);
    if (!a.open(QIODevice::ReadOnly) || !b.open(QIODevice::ReadOnly) || a.size() != b.size()) {
        return false;
    }
    constexpr qint64 Piece = 64 * 1024;
    while (!a.atEnd()) {
        const QByteArray left = a.read(Piece);
        if (left.isEmpty() || left != b.read(Piece)) {
            return false;
        }
    }
    return true;
}

} // namespace

SettingsFile::SettingsFile(const QString &baseDirectory)
    : base(baseDirectory), besideAllowed(!baseDirectory.isEmpty() || NORVALEO_PORTABLE_SETTINGS)
{
}

SettingsFile SettingsFile::perUser()
{
    SettingsFile file;
    file.besideAllowed = false;
    return file;
}

SettingsFile SettingsFile::inDirectory(const QString &directory)
{
    SettingsFile file;
    file.fixedDirectory = directory.isEmpty() ? QStringLiteral(".") : directory;
    return file;
}

QString SettingsFile::baseDirectory() const
{
    if (!base.isEmpty()) {
        return base;
    }
    return QCoreApplication::applicationDirPath();
}

QString SettingsFile::besidePath() const
{
    if (!besideAllowed) {
        return {};
    }
    const QString baseDir = baseDirectory();
    if (baseDir.isEmpty()) {
        return {};
    }
    return baseDir + QLatin1Char('/') + directoryName + QLatin1Char('/') + fileName;
}

QString SettingsFile::perUserPath() const
{
    const QString directory = QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation);
    if (directory.isEmpty()) {
        return {};
    }
    return directory + QLatin1Char('/') + fileName;
}

// Asks the file system only: reading must never create anything.
bool SettingsFile::besideIsWritable() const
{
    const QString path = besidePath();
    if (path.isEmpty()) {
        return false;
    }
#ifdef Q_OS_WIN
    ++qt_ntfs_permission_lookup;
#endif
    // The directory, or the nearest existing ancestor it would be created in.
    QFileInfo directory(QFileInfo(path).absolutePath());
    while (!directory.exists() && !directory.isRoot()) {
        directory = QFileInfo(directory.absolutePath());
    }
    const bool writable = directory.isDir() && directory.isWritable();
#ifdef Q_OS_WIN
    --qt_ntfs_permission_lookup;
#endif
    return writable;
}

QString SettingsFile::filePath() const
{
    if (!fixedDirectory.isEmpty()) {
        return fixedDirectory + QLatin1Char('/') + fileName;
    }
    if (besideIsWritable()) {
        return besidePath();
    }
    return perUserPath();
}

QString SettingsFile::readPath() const
{
    const QString path = filePath();
    if (!fixedDirectory.isEmpty() || !besideAllowed || path == besidePath() ||
        QFile::exists(path)) {
        return path;
    }
    // The list has not moved to the per-user location yet.
    return besidePath();
}

QString SettingsFile::directoryPath() const
{
    const QString path = filePath();
    return path.isEmpty() ? QString() : QFileInfo(path).absolutePath();
}

QString SettingsFile::errorString() const
{
    return lastError;
}

QString SettingsFile::damagedCopyPath() const
{
    return lastCopy;
}

bool SettingsFile::fail(const QString &action, const QString &path, const QString &reason)
{
    lastError = reason;
    qCWarning(lcSettings, "settings: cannot %s %s: %s", qPrintable(action), qPrintable(path),
              qPrintable(reason));
    return false;
}

QByteArray SettingsFile::readAll() const
{
    const QString path = readPath();
    if (path.isEmpty()) {
        return {};
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || file.size() > MaxSize) {
        return {};
    }
    return file.read(MaxSize);
}

bool SettingsFile::writeAll(const QByteArray &data)
{
    lastError.clear();
    const QString path = filePath();
    if (path.isEmpty()) {
        return fail(QStringLiteral("save"), fileName, QStringLiteral("no writable location"));
    }
    const QString directory = QFileInfo(path).absolutePath();
    errno = 0;
    if (!QDir().mkpath(directory)) {
        return fail(QStringLiteral("create the directory"), directory, systemError());
    }
    QFile current(path);
    if (current.open(QIODevice::ReadOnly) && current.size() == data.size() &&
        current.read(data.size() + 1) == data) {
        return true;
    }
    current.close();
    // A temporary file renamed over the old one, synced by commit: an
    // interrupted save leaves either the old list or the new one, never a mix.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        return fail(QStringLiteral("save"), path, file.errorString());
    }
    if (file.write(data) != data.size()) {
        const QString reason = file.errorString();
        file.cancelWriting();
        file.commit();
        return fail(QStringLiteral("save"), path, reason);
    }
    if (!file.commit()) {
        return fail(QStringLiteral("save"), path, file.errorString());
    }
    return true;
}

bool SettingsFile::remove()
{
    lastError.clear();
    const QString path = filePath();
    if (path.isEmpty()) {
        return fail(QStringLiteral("remove"), fileName, QStringLiteral("no writable location"));
    }
    const QString beside = besidePath();
    if (fixedDirectory.isEmpty() && path != beside && QFile::exists(beside)) {
        // The old list beside the executable cannot be removed; an empty list
        // here keeps it from coming back at the next start.
        return writeAll("{}");
    }
    QFile file(path);
    if (!file.exists() || file.remove()) {
        return true;
    }
    return fail(QStringLiteral("remove"), path, file.errorString());
}

bool SettingsFile::keepDamagedCopy()
{
    lastError.clear();
    lastCopy.clear();
    const QString source = readPath();
    // Only a file that the next save replaces is at risk.
    if (source.isEmpty() || source != filePath() || !QFile::exists(source)) {
        return true;
    }
    for (int number = 1; number <= MaxDamagedCopies; ++number) {
        const QString copy = source + damagedSuffix +
                             (number == 1 ? QString() : QLatin1Char('.') + QString::number(number));
        if (QFile::exists(copy)) {
            if (sameContent(source, copy)) {
                return true;
            }
            continue;
        }
        QFile file(source);
        if (!file.copy(copy)) {
            return fail(QStringLiteral("keep a copy of"), source, file.errorString());
        }
        lastCopy = copy;
        return true;
    }
    return fail(QStringLiteral("keep a copy of"), source,
                QStringLiteral("%1 earlier copies exist").arg(MaxDamagedCopies));
}
