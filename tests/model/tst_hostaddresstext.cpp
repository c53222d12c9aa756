#include "model/hostaddresstext.h"

#include <QTest>

class TestHostAddressText : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // canonical: null when refused. netmask: whether it is one. grows: whether
    // it is an IPv4 address or more typing may still make one of it.
    void readings_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("canonical");
        QTest::addColumn<bool>("netmask");
        QTest::addColumn<bool>("grows");
        QTest::newRow("plain") << "192.168.1.10"
                               << "192.168.1.10" << false << true;
        QTest::newRow("leading zeros are decimal") << "192.168.1.010"
                                                   << "192.168.1.10" << false << true;
        QTest::newRow("spaces around") << " 10.0.0.1 "
                                       << "10.0.0.1" << false << false;
        QTest::newRow("three numbers") << "192.168.1" << QString() << false << true;
        QTest::newRow("trailing dot") << "192.168.1." << QString() << false << true;
        QTest::newRow("five numbers") << "1.2.3.4.5" << QString() << false << false;
        QTest::newRow("empty number") << "1..2.3" << QString() << false << false;
        QTest::newRow("256") << "10.0.0.256" << QString() << false << false;
        QTest::newRow("four digits") << "10.0.0.0001" << QString() << false << false;
        QTest::newRow("hexadecimal") << "0x7f.0.0.1" << QString() << false << false;
        QTest::newRow("one number") << "3232235777" << QString() << false << false;
        QTest::newRow("ipv6") << "::1"
                              << "::1" << false << false;
        QTest::newRow("mask") << "255.255.252.0"
                              << "255.255.252.0" << true << true;
        QTest::newRow("mask, all ones") << "255.255.255.255"
                                        << "255.255.255.255" << true << true;
        QTest::newRow("mask, none") << "0.0.0.0"
                                    << "0.0.0.0" << true << true;
        QTest::newRow("mask with a hole") << "255.0.255.0"
                                          << "255.0.255.0" << false << true;
        QTest::newRow("mask, ones at the right") << "0.0.0.255"
                                                 << "0.0.0.255" << false << true;
    }

    void readings()
    {
        QFETCH(QString, text);
        QFETCH(QString, canonical);
        QFETCH(bool, netmask);
        QFETCH(bool, grows);
        QCOMPARE(HostAddressText::canonical(text), canonical);
        QCOMPARE(HostAddressText::canonical(text).isNull(), canonical.isNull());
        QCOMPARE(HostAddressText::isNetmask(text), netmask);
        QCOMPARE(HostAddressText::canGrowIntoIpv4(text), grows);
    }
};

QTEST_GUILESS_MAIN(TestHostAddressText)
#include "tst_hostaddresstext.moc"
