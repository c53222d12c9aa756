#ifndef JSONREADER_H
#define JSONREADER_H

#include <QByteArray>
#include <QJsonDocument>
#include <QJsonParseError>

// Reads JSON texts that come from outside: device replies, discovery answers,
// the settings file. Qt 5.15's reader never frees the value of a member that a
// later member of the same name replaces, so a sender repeating a name would
// grow the process with every text; such texts are refused before Qt reads them.
class JsonReader
{
public:
    // The document, or a null document with error set when the text is no
    // JSON or an object in it names a member twice.
    static QJsonDocument read(const QByteArray &text, QJsonParseError *error = nullptr);

    // Whether an object in the text names a member twice, the names compared
    // with their escapes decoded. Looks only as far as Qt's reader would go.
    static bool hasRepeatedName(const QByteArray &text);
};

#endif // JSONREADER_H
