#ifndef JSONTEXT_H
#define JSONTEXT_H

#include <QString>

// Builds JSON text by hand where the member order and the absence of
// whitespace matter (settings file, settings texts).
class JsonText
{
public:
    // The text as a JSON string literal, quotes included, escaped as JSON
    // requires; other characters are kept as they are.
    static QString quoted(const QString &text);
};

#endif // JSONTEXT_H
