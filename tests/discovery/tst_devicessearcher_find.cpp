#include "discovery/devicessearcher.h"
#include "searcherlog.h"
#include "simulatedcontroller.h"

#include <QSignalSpy>
#include <QTest>

namespace {
const int runTimeout = 40000;
}

// "find" runs by unique id among three simulated controllers that all answer
// broadcasts.
class TestDevicesSearcherFind : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init()
    {
        a = new SimulatedController("127.0.0.41", "127.0.0.42", "F-A", "A", 4, this);
        b = new SimulatedController("127.0.0.43", "127.0.0.44", "F-B", "B", 4, this);
        c = new SimulatedController("127.0.0.45", "127.0.0.46", "F-C", "C", 4, this);
        QVERIFY(a->start());
        QVERIFY(b->start());
        QVERIFY(c->start());
    }

    void cleanup()
    {
        delete a;
        delete b;
        delete c;
    }

    // A second id joins the running run, which ends once both have answered;
    // the third controller is never reported.
    void extendedWhileRunning()
    {
        b->setUdpSilent(true);
        DevicesSearcher searcher;
        SearcherLog log(&searcher);
        QSignalSpy aAnswered(a, &SimulatedController::greetingAnswered);

        searcher.findDevice("F-A");
        QVERIFY(aAnswered.wait(runTimeout));
        searcher.findDevice("F-B");
        searcher.findDevice("F-A"); // already wanted
        QTRY_COMPARE_WITH_TIMEOUT(log.reportCount(), 1, runTimeout);
        b->setUdpSilent(false);
        QTRY_COMPARE_WITH_TIMEOUT(log.finishes, 1, runTimeout);

        QCOMPARE(log.events.last(), QStringLiteral("finished find 2"));
        QCOMPARE(log.events.at(log.events.size() - 2), QStringLiteral("devices F-A,F-B"));
        for (int i = 0; i < log.events.size() - 2; ++i)
            QCOMPARE(log.events.at(i), QStringLiteral("devices F-A"));
        QCOMPARE(log.lastReport(),
                 (QStringList{"F-A|A|127.0.0.41|127.0.0.42|1", "F-B|B|127.0.0.43|127.0.0.44|1"}));
        // All three heard every greeting; the unwanted one answered them all.
        QCOMPARE(c->greetingsAnswered(), a->greetingsAnswered());
        QVERIFY(c->greetingsAnswered() >= 2);
    }

    // The second run does not see the first one's table: it neither ends at its
    // first tick nor reports the first controller.
    void twoRunsInARow()
    {
        DevicesSearcher searcher;
        SearcherLog log(&searcher);
        searcher.findDevice("F-A");
        QTRY_COMPARE_WITH_TIMEOUT(log.finishes, 1, runTimeout);
        QCOMPARE(log.events, (QStringList{"devices F-A", "finished find 1"}));

        // B keeps quiet past the second run's first tick, which A sees as its
        // second greeting.
        b->setUdpSilent(true);
        const int greetingsBefore = a->greetingsAnswered();
        connect(a, &SimulatedController::greetingAnswered, b, [this, greetingsBefore] {
            if (a->greetingsAnswered() >= greetingsBefore + 2)
                b->setUdpSilent(false);
        });
        log.events.clear();
        searcher.findDevice("F-B");
        QTRY_COMPARE_WITH_TIMEOUT(log.finishes, 2, runTimeout);

        QCOMPARE(log.events, (QStringList{"devices F-B", "finished find 1"}));
        QCOMPARE(log.lastReport(), QStringList{"F-B|B|127.0.0.43|127.0.0.44|1"});
    }

private:
    SimulatedController *a = nullptr;
    SimulatedController *b = nullptr;
    SimulatedController *c = nullptr;
};

QTEST_GUILESS_MAIN(TestDevicesSearcherFind)
#include "tst_devicessearcher_find.moc"
