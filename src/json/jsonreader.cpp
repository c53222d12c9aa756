#include "json/jsonreader.h"

#include <QString>

#include <algorithm>
#include <cstring>
#include <deque>
#include <memory>
#include <string_view>
#include <unordered_set>
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
int stringEnd(const char *text, int size, int start)
{
    int i = start + 1;
    while (i < size) {
        const char c = text[i];
        if (c == '"') {
            return i;
        }
        if (c != '\\') {
            ++i;
            continue;
        }
        if (i + 1 >= size) {
            break;
        }
        i += text[i + 1] == 'u' ? 6 : 2;
    }
    return size;
}

// A decoded name as UTF-8, every UTF-16 unit that is not half of a pair
// encoded on its own: equal to the bytes of the same name sent unescaped, and
// two names differ here exactly when they differ decoded.
QByteArray utf8Of(const QString &name)
{
    QByteArray out;
    out.reserve(name.size() * 3);
    for (int i = 0; i < name.size(); ++i) {
        uint code = name.at(i).unicode();
        if (QChar::isHighSurrogate(code) && i + 1 < name.size() &&
            QChar::isLowSurrogate(name.at(i + 1).unicode())) {
            code = QChar::surrogateToUcs4(ushort(code), name.at(i + 1).unicode());
            ++i;
        }
        if (code < 0x80) {
            out += char(code);
        } else if (code < 0x800) {
            out += char(0xc0 | (code >> 6));
            out += char(0x80 | (code & 0x3f));
        } else if (code < 0x10000) {
            out += char(0xe0 | (code >> 12));
            out += char(0x80 | ((code >> 6) & 0x3f));
            out += char(0x80 | (code & 0x3f));
        } else {
            out += char(0xf0 | (code >> 18));
            out += char(0x80 | ((code >> 12) & 0x3f));
            out += char(0x80 | ((code >> 6) & 0x3f));
            out += char(0x80 | (code & 0x3f));
        }
    }
    return out;
}

// Objects up to this many members search their names in a list: building a
// hash for every small object cost more than the search.
constexpr size_t SmallObject = 32;

struct Level
{
    bool object = false;
    bool expectName = false;
    // Where this object's names begin in the common list of names.
    size_t firstName = 0;
    std::unique_ptr<std::unordered_set<std::string_view>> manyNames;
};

// The names of the open objects, innermost last, as views of the text or of
// decoded copies: no name is copied unless it holds an escape.
class NameStack
{
public:
    // Whether the innermost object already has a member of this name; remembers it.
    bool seenBefore(Level &level, std::string_view name)
    {
        if (!level.manyNames) {
            const auto first = names.cbegin() + std::ptrdiff_t(level.firstName);
            if (std::find(first, names.cend(), name) != names.cend()) {
                return true;
            }
            names.push_back(name);
            if (names.size() - level.firstName <= SmallObject) {
                return false;
            }
            level.manyNames = std::make_unique<std::unordered_set<std::string_view>>(
                names.cbegin() + std::ptrdiff_t(level.firstName), names.cend());
            return false;
        }
        return !level.manyNames->insert(name).second;
    }

    std::string_view keep(const QString &decoded)
    {
        decodedNames.push_back(utf8Of(decoded));
        const QByteArray &kept = decodedNames.back();
        return std::string_view(kept.constData(), size_t(kept.size()));
    }

    size_t size() const { return names.size(); }
    void truncate(size_t size) { names.resize(std::min(size, names.size())); }

private:
    std::vector<std::string_view> names;
    std::deque<QByteArray> decodedNames;
};

} // namespace

bool JsonReader::hasRepeatedName(const QByteArray &text)
{
    const char *const data = text.constData();
    const int size = text.size();
    std::vector<Level> levels;
    NameStack names;
    for (int i = 0; i < size; ++i) {
        const char c = data[i];
        switch (c) {
        case '{':
        case '[':
            if (levels.size() >= MaxNesting) {
                return false;
            }
            levels.push_back({c == '{', c == '{', names.size(), nullptr});
            break;
        case '}':
        case ']':
            if (!levels.empty()) {
                names.truncate(levels.back().firstName);
                levels.pop_back();
            }
            break;
        case ',':
            if (!levels.empty() && levels.back().object) {
                levels.back().expectName = true;
            }
            break;
        case '"': {
            const int end = stringEnd(data, size, i);
            if (end >= size) {
                return false; // unterminated: Qt's reader stops there
            }
            const bool isName = !levels.empty() && levels.back().expectName;
            if (isName) {
                const char *const first = data + i + 1;
                const size_t length = size_t(end - i - 1);
                std::string_view name(first, length);
                if (std::memchr(first, '\\', length)) {
                    int decodedEnd = 0;
                    name = names.keep(decodedString(text, i, &decodedEnd));
                }
                Level &level = levels.back();
                if (names.seenBefore(level, name)) {
                    return true;
                }
                level.expectName = false;
            }
            i = end;
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
