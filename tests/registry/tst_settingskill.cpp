#include "registry/roleregistry.h"
#include "registry/rootmodel.h"
#include "registry/settingsfile.h"

#include "../common/devicetree.h"
#include "../common/testfiles.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

#include <atomic>
#include <csignal>
#include <sys/mman.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

using namespace DeviceTree;
using namespace TestFiles;

namespace {

constexpr int DefaultKills = 1000;
// About 100 KB of settings; a kill comes within the first few writes.
constexpr int Controllers = 20;
constexpr int ChannelsPerController = 40;
constexpr int MaxKillDelayUs = 20000;
// A child that is never killed ends by itself.
constexpr int ChildLifetimeMs = 10000;

void buildTree(RootModel &root)
{
    for (int c = 0; c < Controllers; ++c) {
        const QModelIndex device = addController(
            root, QStringLiteral("NV-%1").arg(c), QStringLiteral("Контроллер №%1 \"К\"").arg(c),
            QStringLiteral("127.0.1.%1").arg(c + 1), QStringLiteral("127.0.2.%1").arg(c + 1));
        for (int ch = 0; ch < ChannelsPerController; ++ch) {
            addChannel(root, device, QStringLiteral("Канал %1-%2").arg(c).arg(ch), ch + 1);
        }
    }
}

void setAllFavourites(RootModel &root, bool favourite)
{
    for (int c = 0; c < root.rowCount(devices(root)); ++c) {
        const QModelIndex device = controller(root, c);
        for (int ch = 0; ch < root.rowCount(device); ++ch) {
            root.setData(root.index(ch, 0, device), favourite, role("favourites"));
        }
    }
}

// Shared between the test and its forked children: where a child was killed.
struct SaveState
{
    std::atomic<int> saving;
};

// The forked child: writes the two versions of the list in turn, as the root
// model's saves do, until it is killed. It leaves through _exit, so nothing of
// the parent's is torn down twice.
[[noreturn]] void saveUntilKilled(SettingsFile &file, const QByteArray &first,
                                  const QByteArray &second, SaveState *state)
{
    timespec start = {};
    ::clock_gettime(CLOCK_MONOTONIC, &start);
    for (bool useFirst = true;; useFirst = !useFirst) {
        state->saving = 1;
        file.writeAll(useFirst ? first : second);
        state->saving = 0;
        timespec now = {};
        ::clock_gettime(CLOCK_MONOTONIC, &now);
        if ((now.tv_sec - start.tv_sec) * 1000 > ChildLifetimeMs) {
            ::_exit(0);
        }
    }
}

} // namespace

// A process killed at a random moment while it saves leaves the settings file
// holding exactly the old list or the new one, never a mix, never nothing.
// The saving processes are forked from the test, so each kill costs no
// start-up; NORVALEO_SAVE_KILLS sets their number.
class TestSettingsKill : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { RoleRegistry::fill(); }

    void killedSavesLeaveOldOrNew()
    {
        const int kills = qEnvironmentVariableIsSet("NORVALEO_SAVE_KILLS")
                              ? qEnvironmentVariableIntValue("NORVALEO_SAVE_KILLS")
                              : DefaultKills;
        QTemporaryDir base;
        SettingsFile file(base.path());
        RootModel root(nullptr, base.path());
        buildTree(root);
        setAllFavourites(root, true);
        root.saveSettings();
        const QByteArray allOn = contentOf(file.filePath());
        setAllFavourites(root, false);
        root.saveSettings();
        const QByteArray allOff = contentOf(file.filePath());
        QVERIFY(!QJsonDocument::fromJson(allOn).isNull());
        QVERIFY(allOn.size() != allOff.size());

        void *const shared = ::mmap(nullptr, sizeof(SaveState), PROT_READ | PROT_WRITE,
                                    MAP_SHARED | MAP_ANONYMOUS, -1, 0);
        QVERIFY(shared != MAP_FAILED);
        auto *state = new (shared) SaveState{{0}};
        int interrupted = 0;
        int sawOn = 0;
        for (int i = 0; i < kills; ++i) {
            const pid_t child = ::fork();
            QVERIFY(child >= 0);
            if (child == 0) {
                saveUntilKilled(file, allOn, allOff, state);
            }
            ::usleep(QRandomGenerator::global()->bounded(MaxKillDelayUs));
            ::kill(child, SIGKILL);
            int status = 0;
            QCOMPARE(::waitpid(child, &status, 0), child);
            QVERIFY(WIFSIGNALED(status));

            const QByteArray content = contentOf(file.filePath());
            QVERIFY2(
                content == allOff || content == allOn,
                qPrintable(QStringLiteral("kill %1 left %2 bytes").arg(i).arg(content.size())));
            sawOn += content == allOn;
            interrupted += state->saving.exchange(0);
        }
        ::munmap(shared, sizeof(SaveState));
        QVERIFY(interrupted > kills / 2);
        qInfo("%d kills, %d of them in the middle of a save; the file held the new list "
              "%d times and the old one %d times",
              kills, interrupted, sawOn, kills - sawOn);
    }
};

QTEST_GUILESS_MAIN(TestSettingsKill)
#include "tst_settingskill.moc"
