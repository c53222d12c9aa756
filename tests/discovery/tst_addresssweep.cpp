#include "discovery/addresssweep.h"

#include <QSet>
#include <QTest>

// A network check greets at a bounded rate and stops greeting who answered.
class TestAddressSweep : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void wideRangeIsSpreadOverTicks()
    {
        AddressSweep sweep(AddressRange::parse("10.0.4.0/22"));
        QSet<quint32> greeted;
        for (int tick = 0; tick < 4; ++tick) {
            const QVector<QHostAddress> batch = sweep.nextBatch();
            QCOMPARE(batch.size(), AddressSweep::MaxPerTick);
            for (const QHostAddress &address : batch)
                greeted.insert(address.toIPv4Address());
        }
        // Four ticks reach every address once; the fifth starts over.
        QCOMPARE(greeted.size(), 1024);
        QCOMPARE(sweep.nextBatch().first(), QHostAddress("10.0.4.0"));
    }

    void answeredAddressesAreLeftOut()
    {
        AddressSweep sweep(AddressRange::parse("192.168.5.10-192.168.5.13"));
        sweep.markAnswered(QHostAddress("192.168.5.11"));
        sweep.markAnswered(QHostAddress("192.168.6.11"));
        // A small range is greeted whole at every tick, each address once.
        const QVector<QHostAddress> expected{QHostAddress("192.168.5.10"),
                                             QHostAddress("192.168.5.12"),
                                             QHostAddress("192.168.5.13")};
        QCOMPARE(sweep.nextBatch(), expected);
        QCOMPARE(sweep.nextBatch(), expected);
        QVERIFY(!sweep.allAnswered());
        for (const QHostAddress &address : expected)
            sweep.markAnswered(address);
        QVERIFY(sweep.allAnswered());
        QVERIFY(sweep.nextBatch().isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestAddressSweep)
#include "tst_addresssweep.moc"
