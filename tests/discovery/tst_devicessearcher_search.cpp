#include "discovery/devicessearcher.h"
#include "rawresponder.h"
#include "searcherlog.h"
#include "simulatedcontroller.h"

#include <QTest>

namespace {
const int runTimeout = 40000;
}

// A whole broadcast "search": one simulated controller answering every greeting
// and a raw responder whose answers change during the run.
class TestDevicesSearcherSearch : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void fullRun()
    {
        SimulatedController controller("127.0.0.11", "127.0.0.12", "S-1", "Гостиная");
        QVERIFY(controller.start());
        // A controller with an empty name that later answers with only its
        // Wi-Fi address (and another name, which is not taken).
        RawResponder responder;
        QVERIFY(responder.listen());
        responder.setAnswerer([](int greeting) {
            if (greeting < 5)
                return QByteArrayList{RawResponder::answer(
                    RawResponder::dimmerInfo("R-1", "127.0.0.21", "127.0.0.22", ""))};
            return QByteArrayList{RawResponder::answer(
                RawResponder::dimmerInfo("R-1", QString(), "127.0.0.23", "Renamed"))};
        });
        DevicesSearcher searcher;
        SearcherLog log(&searcher);
        bool findSent = false;
        connect(&searcher, &DevicesSearcher::searchedDevices, this, [&] {
            if (findSent)
                return;
            findSent = true;
            // Neither turns the running search into a "find" nor starts another run.
            searcher.findDevice("S-1");
            searcher.startSearching();
            searcher.checkDevice("127.0.0.11");
        });

        searcher.startSearching();
        QTRY_COMPARE_WITH_TIMEOUT(log.finishes, 1, runTimeout);

        QVERIFY(findSent);
        // Both answered the first greeting: reported at each of the 13 ticks that
        // greet again and once more before the end.
        QStringList expectedEvents;
        for (int tick = 0; tick < 14; ++tick)
            expectedEvents.append("devices R-1,S-1");
        expectedEvents.append("finished search 2");
        QCOMPARE(log.events, expectedEvents);
        QCOMPARE(log.lastReport(), (QStringList{"R-1|NORVALEO DIMMER|127.0.0.21|127.0.0.23|1",
                                                "S-1|Гостиная|127.0.0.11|127.0.0.12|1"}));
        for (const QVector<DeviceDescription> &report : std::as_const(log.reports))
            QCOMPARE(report.size(), 2);
        // Each told once, at its first answer, though both answered every greeting.
        QStringList answered = log.answered;
        answered.sort();
        QCOMPARE(answered, (QStringList{"R-1", "S-1"}));

        // Fourteen greetings to 255.255.255.255 and fourteen to the broadcast
        // address of the namespace's bridge (10.253.0.1/24); the simulated
        // controller, on none of its networks, answered the first kind only.
        QCOMPARE(responder.greetings(), 28);
        QCOMPARE(responder.greetingDestinations().count(QHostAddress(QHostAddress::Broadcast)), 14);
        QCOMPARE(responder.greetingDestinations().count(QHostAddress("10.253.0.255")), 14);
        QCOMPARE(searcher.searchedNetworks(), QStringList{"nvbr0 10.253.0.1/24"});
        QCOMPARE(responder.otherDatagrams(), 0);
        QCOMPARE(controller.greetingsAnswered(), 14);
    }
};

QTEST_GUILESS_MAIN(TestDevicesSearcherSearch)
#include "tst_devicessearcher_search.moc"
