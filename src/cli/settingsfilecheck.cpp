#include "cli/settingsfilecheck.h"

#include "cli/outputtext.h"
#include "registry/settingsfile.h"
#include "json/jsonreader.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {

// Paths are printed like device text: nothing in them may act on a terminal.
QString shown(const QString &path)
{
    return OutputText::escaped(QDir::toNativeSeparators(path));
}

} // namespace

SettingsFileCheck::SettingsFileCheck(Result result, const QString &text)
    : result(result), text(text)
{
}

SettingsFileCheck SettingsFileCheck::of(const QString &filePath)
{
    const QString directory = QFileInfo(filePath).path();
    // The nearest part of the path that exists decides whether a directory
    // could be there at all: "--settings-dir x/settings.json" names a file.
    QFileInfo existing(directory);
    while (!existing.exists() && !existing.isRoot() &&
           existing.filePath() != QFileInfo(existing.path()).filePath()) {
        existing = QFileInfo(existing.path());
    }
    if (existing.exists() && !existing.isDir()) {
        const QString text =
            existing.filePath() == QFileInfo(directory).filePath()
                ? QStringLiteral("каталог настроек %1 — файл, а не каталог (нужен каталог, в "
                                 "котором лежит settings.json)")
                      .arg(shown(directory))
                : QStringLiteral("каталог настроек %1: %2 — файл, а не каталог")
                      .arg(shown(directory), shown(existing.filePath()));
        return {Result::NotADirectory, text};
    }
    if (!QFileInfo(directory).isDir()) {
        return {Result::MissingDirectory,
                QStringLiteral("каталога настроек %1 нет").arg(shown(directory))};
    }
    const QString shownPath = shown(filePath);
    const QFileInfo info(filePath);
    if (!info.exists()) {
        return {Result::MissingFile, QStringLiteral("файла настроек %1 нет").arg(shownPath)};
    }
    if (info.isDir()) {
        return {Result::Unreadable,
                QStringLiteral("файл настроек %1 — каталог, а не файл").arg(shownPath)};
    }
    QFile file(filePath);
    if (!file.open(QIODevice::ReadOnly)) {
        return {
            Result::Unreadable,
            QStringLiteral("файл настроек %1 не читается: %2").arg(shownPath, file.errorString())};
    }
    if (file.size() > SettingsFile::MaxSize) {
        return {Result::Damaged, QStringLiteral("файл настроек %1 повреждён: больше %2 байт")
                                     .arg(shownPath, QString::number(SettingsFile::MaxSize))};
    }
    // As the window reads it: anything but a JSON object holds no list.
    if (!JsonReader::read(file.read(SettingsFile::MaxSize)).isObject()) {
        return {Result::Damaged,
                QStringLiteral(
                    "файл настроек %1 повреждён: в нём не объект JSON со списком контроллеров")
                    .arg(shownPath)};
    }
    return {Result::Readable, QString()};
}
