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
        // Empty when refused; then "reason" is a word of the explanation.
        QTest::addColumn<QString>("canonical");
        QTest::addColumn<int>("size");
        QTest::addColumn<QString>("first");
        QTest::addColumn<QString>("last");
        QTest::addColumn<QString>("reason");

        QTest::newRow("address") << "192.168.5.10"
                                 << "192.168.5.10" << 1 << "192.168.5.10"
                                 << "192.168.5.10"
                                 << "";
        QTest::newRow("address with zeros") << " 010.001.0.7 "
                                            << "10.1.0.7" << 1 << "10.1.0.7"
                                            << "10.1.0.7"
                                            << "";
        QTest::newRow("/24") << "192.168.5.0/24"
                             << "192.168.5.0/24" << 256 << "192.168.5.0"
                             << "192.168.5.255"
                             << "";
        QTest::newRow("/22 is the widest") << "10.0.4.0/22"
                                           << "10.0.4.0/22" << 1024 << "10.0.4.0"
                                           << "10.0.7.255"
                                           << "";
        QTest::newRow("/32") << "10.0.0.9/32"
                             << "10.0.0.9/32" << 1 << "10.0.0.9"
                             << "10.0.0.9"
                             << "";
        QTest::newRow("range") << "192.168.5.10 - 192.168.5.60"
                               << "192.168.5.10-192.168.5.60" << 51 << "192.168.5.10"
                               << "192.168.5.60"
                               << "";
        QTest::newRow("range across networks") << "10.0.0.250-10.0.1.4"
                                               << "10.0.0.250-10.0.1.4" << 11 << "10.0.0.250"
                                               << "10.0.1.4"
                                               << "";
        QTest::newRow("range of 1024") << "10.0.0.0-10.0.3.255"
                                       << "10.0.0.0-10.0.3.255" << 1024 << "10.0.0.0"
                                       << "10.0.3.255"
                                       << "";

        QTest::newRow("empty") << "  "
                               << "" << 0 << ""
                               << ""
                               << "Введите";
        QTest::newRow("/21 too wide") << "10.0.0.0/21"
                                      << "" << 0 << ""
                                      << ""
                                      << "/22";
        QTest::newRow("/0") << "0.0.0.0/0"
                            << "" << 0 << ""
                            << ""
                            << "/22";
        QTest::newRow("prefix 33") << "10.0.0.0/33"
                                   << "" << 0 << ""
                                   << ""
                                   << "префикса";
        QTest::newRow("no prefix") << "10.0.0.0/"
                                   << "" << 0 << ""
                                   << ""
                                   << "префикса";
        QTest::newRow("host bits") << "192.168.5.7/24"
                                   << "" << 0 << ""
                                   << ""
                                   << "192.168.5.0/24";
        QTest::newRow("reversed range") << "192.168.5.60-192.168.5.10"
                                        << "" << 0 << ""
                                        << ""
                                        << "наоборот";
        QTest::newRow("range of 1025") << "10.0.0.0-10.0.4.0"
                                       << "" << 0 << ""
                                       << ""
                                       << "1025";
        QTest::newRow("range end cut short") << "192.168.5.10-60"
                                             << "" << 0 << ""
                                             << ""
                                             << "два полных";
        QTest::newRow("IPv6") << "fe80::1"
                              << "" << 0 << ""
                              << ""
                              << "IPv6";
        QTest::newRow("IPv6 network") << "2001:db8::/64"
                                      << "" << 0 << ""
                                      << ""
                                      << "IPv6";
        QTest::newRow("three numbers") << "10.0.1"
                                       << "" << 0 << ""
                                       << ""
                                       << "Примеры";
        QTest::newRow("number over 255") << "10.0.0.256"
                                         << "" << 0 << ""
                                         << ""
                                         << "Примеры";
        QTest::newRow("name") << "controller.local"
                              << "" << 0 << ""
                              << ""
                              << "Примеры";
        QTest::newRow("both forms") << "10.0.0.0/24-10.0.0.9"
                                    << "" << 0 << ""
                                    << ""
                                    << "Примеры";
    }

    void parse()
    {
        QFETCH(QString, text);
        QFETCH(QString, canonical);
        QFETCH(int, size);
        QFETCH(QString, first);
        QFETCH(QString, last);
        QFETCH(QString, reason);

        const AddressRange range = AddressRange::parse(text);
        QCOMPARE(range.isValid(), reason.isEmpty());
        QCOMPARE(range.text(), canonical);
        QCOMPARE(range.size(), size);
        QCOMPARE(range.at(0).toString(), first);
        QCOMPARE(range.at(size - 1).toString(), last);
        QVERIFY2(range.errorText().contains(reason), qPrintable(range.errorText()));
        QCOMPARE(range.errorText().isEmpty(), reason.isEmpty());
        if (range.isValid()) {
            QCOMPARE(range.indexOf(range.at(size - 1)), size - 1);
            QCOMPARE(range.indexOf(QHostAddress(range.at(size - 1).toIPv4Address() + 1)), -1);
        }
    }
};

QTEST_GUILESS_MAIN(TestAddressRange)
#include "tst_addressrange.moc"
