#ifndef SETTINGSFILECHECK_H
#define SETTINGSFILECHECK_H

#include <QString>

// Whether the settings file at a path can give the list of controllers, and
// if not, why: the window reads any trouble as an empty list, which would
// tell a terminal user the wrong thing.
class SettingsFileCheck
{
public:
    enum class Result {
        Readable,
        NotADirectory,
        MissingDirectory,
        MissingFile,
        Unreadable,
        Damaged
    };

    static SettingsFileCheck of(const QString &filePath);

    Result result = Result::Readable;
    // One line naming the path and what is wrong with it; empty when readable.
    QString text;

private:
    SettingsFileCheck(Result result, const QString &text);
};

#endif // SETTINGSFILECHECK_H
