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
        QCOMPARE(greeted.size(), 1024);
    }

    void answeredAddressesAreLeftOut()
    {
        AddressSweep sweep(AddressRange::parse("10.0.0.1-10.0.0.3"));
        sweep.markAnswered(QHostAddress("10.0.0.2"));
        sweep.markAnswered(QHostAddress("10.0.1.2")); // outside: no effect
        const QVector<QHostAddress> rest{QHostAddress("10.0.0.1"), QHostAddress("10.0.0.3")};
        QCOMPARE(sweep.nextBatch(), rest);
        QCOMPARE(sweep.nextBatch(), rest);
        sweep.markAnswered(rest.at(0));
        sweep.markAnswered(rest.at(1));
        QVERIFY(sweep.allAnswered());
    }
};

QTEST_GUILESS_MAIN(TestAddressSweep)
#include "tst_addresssweep.moc"
