#include "discovery/devicessearcher.h"
#include "rawresponder.h"
#include "searcherlog.h"

#include <QSignalSpy>
#include <QTest>

namespace {

const int runTimeout = 30000;

QByteArray answer(const QString &id)
{
    return RawResponder::answer(RawResponder::dimmerInfo(id, "127.0.0.2", "127.0.0.3", id));
}

// Only the limited broadcast: the greetings counted below are one per send.
const auto noAdapters = [] {
    return QVector<BroadcastTargets::Target>();
};

} // namespace

// Ending a run early: by stopSearching, from a receiver of the run's report, and
// by destroying the searcher.
class TestDevicesSearcherStop : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void stopInTheMiddle()
    {
        RawResponder responder;
        QVERIFY(responder.listen());
        responder.setAnswers({answer("S-1")});
        DevicesSearcher searcher;
        searcher.setTargetSource(noAdapters);
        SearcherLog log(&searcher);

        searcher.stopSearching(); // no run yet: nothing to do
        searcher.startSearching();
        QTRY_COMPARE_WITH_TIMEOUT(log.reportCount(), 1, runTimeout);
        // The first tick reported the answer and greeted again.
        QTRY_COMPARE_WITH_TIMEOUT(responder.greetings(), 2, runTimeout);
        searcher.stopSearching();

        QCOMPARE(responder.greetings(), 2);
        QCOMPARE(log.events, QStringList{"devices S-1"});
        const QHostAddress broadcast(QHostAddress::Broadcast);
        QCOMPARE(responder.greetingDestinations(), (QList<QHostAddress>{broadcast, broadcast}));
        QCOMPARE(responder.otherDatagrams(), 0);

        // The stopped searcher starts afresh: a "find" ends at its first tick,
        // which comes after the stopped run's next one would have.
        searcher.findDevice("S-1");
        QTRY_COMPARE_WITH_TIMEOUT(log.finishes, 1, runTimeout);
        QCOMPARE(log.events, (QStringList{"devices S-1", "devices S-1", "finished find 1"}));
        QCOMPARE(responder.greetings(), 3);
    }

    void stopWhileReporting()
    {
        RawResponder responder;
        QVERIFY(responder.listen());
        responder.setAnswers({answer("S-1")});
        DevicesSearcher searcher;
        searcher.setTargetSource(noAdapters);
        SearcherLog log(&searcher);
        const QMetaObject::Connection stop = connect(&searcher, &DevicesSearcher::searchedDevices,
                                                     &searcher, &DevicesSearcher::stopSearching);

        searcher.startSearching();
        QTRY_COMPARE_WITH_TIMEOUT(log.reportCount(), 1, runTimeout);
        disconnect(stop);

        // A find ends at its first tick, after the stopped run's next one
        // would have come: only its own greeting and report follow.
        searcher.findDevice("S-1");
        QTRY_COMPARE_WITH_TIMEOUT(log.finishes, 1, runTimeout);
        QCOMPARE(log.events, (QStringList{"devices S-1", "devices S-1", "finished find 1"}));
        QCOMPARE(responder.greetings(), 2);
    }

    // A receiver that ends the run and starts the next one while the table is
    // reported: the old tick must neither end nor greet for the new run.
    void restartWhileReporting()
    {
        RawResponder responder;
        QVERIFY(responder.listen());
        responder.setAnswers({answer("S-1")});
        DevicesSearcher searcher;
        searcher.setTargetSource(noAdapters);
        SearcherLog log(&searcher);
        bool restarted = false;
        connect(&searcher, &DevicesSearcher::searchedDevices, &searcher, [&] {
            if (restarted)
                return;
            restarted = true;
            searcher.stopSearching();
            searcher.findDevice("S-1");
        });

        searcher.checkDevice("127.0.0.1");
        QTRY_COMPARE_WITH_TIMEOUT(log.finishes, 1, runTimeout);

        QCOMPARE(log.events, (QStringList{"devices S-1", "devices S-1", "finished find 1"}));
        QCOMPARE(responder.greetings(), 2);
        QCOMPARE(responder.greetingDestinations().last(), QHostAddress(QHostAddress::Broadcast));
    }

    void destroyDuringRun()
    {
        RawResponder responder;
        QVERIFY(responder.listen());
        responder.setAnswers({answer("S-1")});
        auto *searcher = new DevicesSearcher;
        searcher->setTargetSource(noAdapters);
        QSignalSpy reports(searcher, &DevicesSearcher::searchedDevices);
        QSignalSpy finishes(searcher, &DevicesSearcher::searchingFinished);

        searcher->startSearching();
        QTRY_COMPARE_WITH_TIMEOUT(responder.greetings(), 1, runTimeout);
        delete searcher; // its answer is still on the way or waiting in the socket

        // Another searcher's find ends at its first tick, after the deleted
        // run's next one would have come.
        DevicesSearcher next;
        next.setTargetSource(noAdapters);
        SearcherLog log(&next);
        next.findDevice("S-1");
        QTRY_COMPARE_WITH_TIMEOUT(log.finishes, 1, runTimeout);
        QCOMPARE(responder.greetings(), 2);
        QCOMPARE(reports.count(), 0);
        QCOMPARE(finishes.count(), 0);
    }
};

QTEST_GUILESS_MAIN(TestDevicesSearcherStop)
#include "tst_devicessearcher_stop.moc"
