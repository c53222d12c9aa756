#include "discovery/addressrange.h"

#include <QTest>

// What "Добавить вручную" and norvaleo-ctl search take, and why they refuse.
class TestAddressRange : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void parse_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("canonical"); // empty when refused
        QTest::addColumn<int>("size");
        QTest::addColumn<QString>("reason"); // a part of the refusal's text

        // clang-format off
        QTest::newRow("address") << " 010.001.0.7 " << "10.1.0.7" << 1 << "";
        QTest::newRow("/24") << "192.168.5.0/24" << "192.168.5.0/24" << 256 << "";
        QTest::newRow("/22") << "10.0.4.0/22" << "10.0.4.0/22" << 1024 << "";
        QTest::newRow("range") << "10.0.0.250 - 10.0.1.4" << "10.0.0.250-10.0.1.4" << 11 << "";
        QTest::newRow("range of 1024") << "10.0.0.0-10.0.3.255" << "10.0.0.0-10.0.3.255" << 1024 << "";
        QTest::newRow("empty") << "  " << "" << 0 << "Введите";
        QTest::newRow("/21") << "10.0.0.0/21" << "" << 0 << "/21 слишком велика";
        QTest::newRow("prefix 33") << "10.0.0.0/33" << "" << 0 << "префикса";
        QTest::newRow("host bits") << "192.168.5.7/24" << "" << 0 << "это 192.168.5.0/24";
        QTest::newRow("reversed") << "10.0.0.60-10.0.0.10" << "" << 0 << "наоборот";
        QTest::newRow("range of 1025") << "10.0.0.0-10.0.4.0" << "" << 0 << "1025";
        QTest::newRow("short range end") << "10.0.0.10-60" << "" << 0 << "два полных";
        QTest::newRow("IPv6") << "fe80::1" << "" << 0 << "IPv6";
        QTest::newRow("three numbers") << "10.0.1" << "" << 0 << "Примеры";
        QTest::newRow("both forms") << "10.0.0.0/24-10.0.0.9" << "" << 0 << "Примеры";
        // clang-format on
    }

    void parse()
    {
        QFETCH(QString, text);
        QFETCH(QString, canonical);
        QFETCH(int, size);
        QFETCH(QString, reason);

        const AddressRange range = AddressRange::parse(text);
        QCOMPARE(range.isValid(), reason.isEmpty());
        QCOMPARE(range.text(), canonical);
        QCOMPARE(range.size(), size);
        QCOMPARE(range.errorText().isEmpty(), reason.isEmpty());
        QVERIFY2(range.errorText().contains(reason), qPrintable(range.errorText()));
    }
};

QTEST_GUILESS_MAIN(TestAddressRange)
#include "tst_addressrange.moc"
