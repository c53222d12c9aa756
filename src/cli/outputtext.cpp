#include "cli/outputtext.h"

#include <QJsonDocument>

#include <algorithm>
#include <cstdio>

bool OutputText::needsEscape(ushort c)
{
    if (c < 0x20 || (c >= 0x7f && c <= 0x9f)) {
        return true;
    }
    // Marks and overrides that reorder what follows, and the line separators.
    return c == 0x200e || c == 0x200f || (c >= 0x2028 && c <= 0x202e) ||
           (c >= 0x2066 && c <= 0x2069);
}

QString OutputText::escaped(const QString &text)
{
    QString result;
    result.reserve(text.size());
    for (const QChar c : text) {
        const ushort code = c.unicode();
        if (c == QLatin1Char('\\')) {
            result += QLatin1String("\\\\");
        } else if (!needsEscape(code)) {
            result += c;
        } else if (code <= 0xff) {
            result += QStringLiteral("\\x%1").arg(code, 2, 16, QLatin1Char('0'));
        } else {
            result += QStringLiteral("\\u{%1}").arg(code, 4, 16, QLatin1Char('0'));
        }
    }
    return result;
}

QByteArray OutputText::json(const QJsonObject &document)
{
    // Outside strings JSON text is ASCII, so every such character is in a string.
    const QString text = QString::fromUtf8(QJsonDocument(document).toJson(QJsonDocument::Indented));
    QString result;
    result.reserve(text.size());
    for (const QChar c : text) {
        if (needsEscape(c.unicode()) && c != QLatin1Char('\n')) {
            result += QStringLiteral("\\u%1").arg(c.unicode(), 4, 16, QLatin1Char('0'));
        } else {
            result += c;
        }
    }
    return result.toUtf8();
}

QString OutputText::table(const QVector<QStringList> &rows)
{
    QVector<int> widths;
    for (const QStringList &row : rows) {
        widths.resize(std::max(widths.size(), row.size()));
        for (int column = 0; column < row.size(); ++column) {
            widths[column] = std::max(widths.at(column), static_cast<int>(row.at(column).size()));
        }
    }
    QString result;
    for (const QStringList &row : rows) {
        QString line;
        for (int column = 0; column < row.size(); ++column) {
            if (column > 0) {
                line += QLatin1String("  ");
            }
            line += column + 1 < row.size() ? row.at(column).leftJustified(widths.at(column))
                                            : row.at(column);
        }
        result += line + QLatin1Char('\n');
    }
    return result;
}

void OutputText::print(const QString &text)
{
    print(text.toUtf8());
}

void OutputText::print(const QByteArray &utf8)
{
    std::fwrite(utf8.constData(), 1, size_t(utf8.size()), stdout);
    std::fflush(stdout);
}

void OutputText::printError(const QString &line)
{
    const QByteArray text = QByteArrayLiteral("norvaleo-ctl: ") + line.toUtf8() + '\n';
    std::fwrite(text.constData(), 1, size_t(text.size()), stderr);
    std::fflush(stderr);
}

void OutputText::printProgress(const QString &line)
{
    const QByteArray text = line.toUtf8() + '\n';
    std::fwrite(text.constData(), 1, size_t(text.size()), stderr);
    std::fflush(stderr);
}
