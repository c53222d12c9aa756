#include "json/jsonreader.h"

#include <QJsonObject>
#include <QTest>

// Texts that name a member twice are refused before Qt's reader, which would
// lose the memory of the replaced value; all others read as Qt reads them.
class TestJsonReader : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void repeatedNames_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<bool>("repeated");

        QTest::newRow("plain") << QByteArray("{\"a\":1,\"a\":2}") << true;
        QTest::newRow("object values")
            << QByteArray("{\"a\":{\"type\":\"ADC\"},\"a\":{\"type\":\"ADC\"}}") << true;
        QTest::newRow("nested") << QByteArray("{\"x\":[1,{\"b\":\"v\",\"c\":2,\"b\":3}]}") << true;
        QTest::newRow("escaped name") << QByteArray("{\"ab\":1,\"\\u0061b\":2}") << true;
        QTest::newRow("escaped utf-8") << QByteArray("{\"\xc3\xa9\":1,\"\\u00e9\":2}") << true;
        QTest::newRow("escaped quote") << QByteArray("{\"a\\\"\":1,\"a\\u0022\":2}") << true;
        QTest::newRow("before an error")
            << QByteArray("{\"k\":{\"a\":{\"t\":\"A\"},\"a\":{\"t\":\"A\"}},\"z\":[[[") << true;

        QTest::newRow("distinct") << QByteArray(
                                         "{\"a\":1,\"b\":{\"a\":2},\"c\":[{\"a\":3},{\"a\":4}]}")
                                  << false;
        QTest::newRow("value equals name") << QByteArray("{\"a\":\"a\",\"b\":\"a\"}") << false;
        QTest::newRow("structure in strings")
            << QByteArray("{\"a\":\"{\\\"a\\\":1,\\\"a\\\":2}\",\"b\":\"],[\",\"c\":\"\\\\\"}")
            << false;
        QTest::newRow("case differs") << QByteArray("{\"a\":1,\"A\":2}") << false;
        QTest::newRow("array of names") << QByteArray("[\"a\",\"a\"]") << false;
        QTest::newRow("not json") << QByteArray("<html>a</html>") << false;
        QTest::newRow("unterminated") << QByteArray("{\"a\":1,\"a") << false;
    }

    void repeatedNames()
    {
        QFETCH(QByteArray, text);
        QFETCH(bool, repeated);
        QCOMPARE(JsonReader::hasRepeatedName(text), repeated);

        QJsonParseError error;
        const QJsonDocument document = JsonReader::read(text, &error);
        if (repeated) {
            QVERIFY(document.isNull());
            QVERIFY(error.error != QJsonParseError::NoError);
            return;
        }
        QJsonParseError qtError;
        const QJsonDocument expected = QJsonDocument::fromJson(text, &qtError);
        QCOMPARE(document, expected);
        QCOMPARE(error.error, qtError.error);
    }

    void deepNestingIsLeftToQt()
    {
        // Far deeper than Qt reads: refused by Qt itself, however it ends.
        const QByteArray deep = QByteArray(5000, '[') + "{\"a\":1,\"a\":2}";
        QVERIFY(!JsonReader::hasRepeatedName(deep));
        QJsonParseError error;
        QVERIFY(JsonReader::read(deep, &error).isNull());
        QCOMPARE(error.error, QJsonParseError::DeepNesting);
    }
};

QTEST_GUILESS_MAIN(TestJsonReader)
#include "tst_jsonreader.moc"
