#ifndef SETTINGSFILE_H
#define SETTINGSFILE_H

#include <QByteArray>
#include <QString>

// The file "settings/settings.json" beside the executable, where the list of
// known controllers survives a restart. All operations are silent on failure.
class SettingsFile
{
public:
    // A file larger than this is no settings file of ours and is not read.
    static constexpr qint64 MaxSize = 4 * 1024 * 1024;

    // An empty base directory means the application directory; only tests
    // give another one.
    explicit SettingsFile(const QString &baseDirectory = QString());

    QByteArray readAll() const;
    // Replaces the file atomically, and only when its content differs.
    void writeAll(const QByteArray &data);
    void remove();

    QString directoryPath() const;
    QString filePath() const;

private:
    QString baseDirectory() const;
    bool holds(const QByteArray &data) const;

    QString base;
    QString directoryName = QStringLiteral("settings");
    QString fileName = QStringLiteral("settings.json");
};

#endif // SETTINGSFILE_H
