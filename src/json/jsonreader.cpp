#include "json/jsonreader.h"

#include <QSet>
#include <QString>

#include <algorithm>
#include <vector>

namespace {

// Qt's reader refuses deeper nesting, so nothing beyond it is ever read.
constexpr size_t MaxNesting = 1100;

QChar escaped(char c)
{
    switch (c) {
    case 'b':
        return QLatin1Char('\b');
    case 'f':
        return QLatin1Char('\f');
    case 'n':
        return QLatin1Char('\n');
    case 'r':
        return QLatin1Char('\r');
    case 't':
        return QLatin1Char('\t');
    default:
        return QLatin1Char(c);
    }
}

// The JSON string whose opening quotation mark is at start, escapes decoded;
// end receives the position of its closing mark (the text's size when there
// is none).
QString decodedString(const QByteArray &text, int start, int *end)
{
    QString result;
    int run = start + 1;
    int i = run;
    while (i < text.size()) {
        const char c = text.at(i);
        if (c == '"') {
            result += QString::fromUtf8(text.constData() + run, i - run);
            *end = i;
            return result;
        }
        if (c != '\\') {
            ++i;
            continue;
        }
        result += QString::fromUtf8(text.constData() + run, i - run);
        if (i + 1 >= text.size()) {
            break;
        }
        if (text.at(i + 1) == 'u') {
            bool ok = false;
            const ushort code = text.mid(i + 2, 4).toUShort(&ok, 16);
            result += ok ? QChar(code) : QChar(QChar::ReplacementCharacter);
            i += 6;
        } else {
            result += escaped(text.at(i + 1));
            i += 2;
        }
        run = i;
    }
    *end = text.size();
    return result;
}

// Where the string whose opening quotation mark is at start ends, found as
// decodedString finds it but without decoding: values are never compared,
// and decoding every one of them doubled the cost of reading a reply.
int stringEnd(const QByteArray &text, int start)
{
    int i = start + 1;
    while (i < text.size()) {
        const char c = text.at(i);
        if (c == '"') {
            return i;
        }
        if (c != '\\') {
            ++i;
            continue;
        }
        if (i + 1 >= text.size()) {
            break;
        }
        i += text.at(i + 1) == 'u' ? 6 : 2;
    }
    return text.size();
}

// Objects up to this many members keep their names in a list: building and
// freeing a hash for every small object cost more than searching the list.
constexpr size_t SmallObject = 32;

struct Level
{
    bool object = false;
    bool expectName = false;
    std::vector<QString> names;
    QSet<QString> manyNames;
};

// Whether the object already has a member of this name; remembers it.
bool seenBefore(Level &level, const QString &name)
{
    if (level.manyNames.isEmpty()) {
        if (std::find(level.names.cbegin(), level.names.cend(), name) != level.names.cend()) {
            return true;
        }
        if (level.names.size() < SmallObject) {
            if (level.names.empty()) {
                level.names.reserve(SmallObject / 2);
            }
            level.names.push_back(name);
            return false;
        }
        for (const QString &known : level.names) {
            level.manyNames.insert(known);
        }
        level.names.clear();
    }
    if (level.manyNames.contains(name)) {
        return true;
    }
    level.manyNames.insert(name);
    return false;
}

} // namespace

bool JsonReader::hasRepeatedName(const QByteArray &text)
{
    std::vector<Level> levels;
    for (int i = 0; i < text.size(); ++i) {
        switch (text.at(i)) {
        case '{':
        case '[':
            if (levels.size() >= MaxNesting) {
                return false;
            }
            levels.push_back({text.at(i) == '{', text.at(i) == '{', {}, {}});
            break;
        case '}':
        case ']':
            if (!levels.empty()) {
                levels.pop_back();
            }
            break;
        case ',':
            if (!levels.empty() && levels.back().object) {
                levels.back().expectName = true;
            }
            break;
        case '"': {
            const bool isName = !levels.empty() && levels.back().expectName;
            int end = 0;
            const QString string = isName ? decodedString(text, i, &end) : QString();
            if (!isName) {
                end = stringEnd(text, i);
            }
            if (end >= text.size()) {
                return false; // unterminated: Qt's reader stops there
            }
            i = end;
            if (!isName) {
                break;
            }
            Level &level = levels.back();
            if (seenBefore(level, string)) {
                return true;
            }
            level.expectName = false;
            break;
        }
        default:
            break;
        }
    }
    return false;
}

QJsonDocument JsonReader::read(const QByteArray &text, QJsonParseError *error)
{
    if (hasRepeatedName(text)) {
        if (error) {
            error->error = QJsonParseError::IllegalValue;
            error->offset = 0;
        }
        return QJsonDocument();
    }
    return QJsonDocument::fromJson(text, error);
}
