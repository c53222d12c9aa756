#include "discovery/devicessearcher.h"
#include "rawresponder.h"
#include "searcherlog.h"
#include "simulatedcontroller.h"

#include <QTest>

namespace {
const int runTimeout = 40000;
}

// "check" runs towards one address.
class TestDevicesSearcherCheck : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void answeringController()
    {
        SimulatedController controller("127.0.0.31", "127.0.0.32", "C-1", "Спальня");
        QVERIFY(controller.start());
        SimulatedController other("127.0.0.33", "127.0.0.34", "C-2", "Other");
        QVERIFY(other.start());
        DevicesSearcher searcher;
        SearcherLog log(&searcher);

        searcher.checkDevice("127.0.0.32");
        // A running check ignores other starts.
        searcher.startSearching();
        searcher.checkDevice("127.0.0.33");
        searcher.findDevice("C-2");
        QTRY_COMPARE_WITH_TIMEOUT(log.finishes, 1, runTimeout);

        QCOMPARE(log.events, (QStringList{"devices C-1", "finished check 1"}));
        QCOMPARE(log.answered, QStringList{"C-1"});
        QCOMPARE(log.lastReport(), QStringList{"C-1|Спальня|127.0.0.31|127.0.0.32|1"});
        QCOMPARE(controller.greetingsAnswered(), 1);
        QCOMPARE(other.greetingsAnswered(), 0);
    }

    // Nobody answers: one check towards an address where only a silent
    // responder listens, one towards a text that is no address, side by side.
    void silentAddresses()
    {
        RawResponder responder;
        QVERIFY(responder.listen());
        DevicesSearcher towardsSilence;
        SearcherLog silenceLog(&towardsSilence);
        DevicesSearcher towardsNothing;
        SearcherLog nothingLog(&towardsNothing);

        towardsSilence.checkDevice("127.0.0.50");
        towardsNothing.checkDevice("no address");
        QTRY_COMPARE_WITH_TIMEOUT(silenceLog.finishes, 1, runTimeout);
        QTRY_COMPARE_WITH_TIMEOUT(nothingLog.finishes, 1, runTimeout);

        QCOMPARE(silenceLog.events, QStringList{"finished check 0"});
        QCOMPARE(nothingLog.events, QStringList{"finished check 0"});
        // Fourteen greetings reached the silent address; nothing left for the
        // unparsable one.
        QCOMPARE(responder.greetings(), 14);
        QCOMPARE(responder.greetingDestinations().count(QHostAddress("127.0.0.50")), 14);
        QCOMPARE(responder.otherDatagrams(), 0);
    }

    // The namespace has no IPv6 route: the greeting cannot leave, and the
    // searcher says so at once.
    void unsendableGreeting()
    {
        DevicesSearcher searcher;
        SearcherLog log(&searcher);
        searcher.checkDevice("::2");
        QCOMPARE(log.events, QStringList{"not sent check"});
        QVERIFY(!log.notSentReason.isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestDevicesSearcherCheck)
#include "tst_devicessearcher_check.moc"
