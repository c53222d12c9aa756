#ifndef OUTPUTTEXT_H
#define OUTPUTTEXT_H

#include <QByteArray>
#include <QJsonObject>
#include <QString>
#include <QStringList>
#include <QVector>

// What the terminal prints. Device text comes from the network: it is printed
// as text, with every character a terminal could act on written as an escape.
class OutputText
{
public:
    // Backslashes doubled; control, line-separator and bidirectional
    // characters as \xHH or \u{HHHH}.
    static QString escaped(const QString &text);
    // The document as indented UTF-8 JSON. Characters that JSON allows raw but
    // a terminal could act on are written as \uHHHH escapes.
    static QByteArray json(const QJsonObject &document);
    // Rows of cells in columns padded with blanks; the first row is the header.
    // Cells are printed as given: escape device text first.
    static QString table(const QVector<QStringList> &rows);

    static void print(const QString &text);
    static void print(const QByteArray &utf8);
    static void printError(const QString &line);
    // A line for the person at the terminal, on standard error so that
    // standard output stays what a script reads.
    static void printProgress(const QString &line);

private:
    static bool needsEscape(ushort c);
};

#endif // OUTPUTTEXT_H
