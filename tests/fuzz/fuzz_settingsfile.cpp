// A settings file loaded into a root model and saved again. Whatever a file
// holds, the saved text is JSON, the loaded tree keeps its bounds, and the
// saved text loads into a tree that saves to exactly the same text.

#include "fuzzsupport.h"

#include "model/devicelimits.h"
#include "registry/rootmodel.h"
#include "registry/settingsfile.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QSet>
#include <QTemporaryDir>

namespace {

QVariant valueOf(const RootModel &root, const QModelIndex &index, const QByteArray &role)
{
    return root.data(index, root.roleByName(role));
}

void writeFile(const QString &path, const QByteArray &content)
{
    QFile file(path);
    FUZZ_CHECK(file.open(QIODevice::WriteOnly | QIODevice::Truncate), path);
    FUZZ_CHECK(file.write(content) == content.size(), path);
}

void checkLoadedTree(const RootModel &root)
{
    const QModelIndex devices = root.index(0, 0);
    const int controllers = root.rowCount(devices);
    FUZZ_CHECK(controllers <= DeviceLimits::MaxControllers, QString::number(controllers));
    QSet<QString> uniqueIds;
    for (int row = 0; row < controllers; ++row) {
        const QModelIndex device = root.index(row, 0, devices);
        const QString uniqueId = valueOf(root, device, "uniqueId").toString();
        FUZZ_CHECK(!uniqueId.isEmpty(), QString::number(row));
        FUZZ_CHECK(!uniqueIds.contains(uniqueId), uniqueId);
        uniqueIds.insert(uniqueId);
        // Entries with the same id merge, up to the limit of one controller.
        const int channels = root.rowCount(device);
        FUZZ_CHECK(channels <= DeviceLimits::MaxChannels, QString::number(channels));
        for (int channel = 0; channel < channels; ++channel) {
            const QModelIndex index = root.index(channel, 0, device);
            FUZZ_CHECK(root.parent(index) == device, uniqueId);
            FUZZ_CHECK(valueOf(root, index, "light_id").toInt() >= 1, uniqueId);
            FUZZ_CHECK(!valueOf(root, index, "name").toString().isEmpty(), uniqueId);
        }
    }
}

// Loads the file under base into a fresh root model and returns what that
// model saves: empty when it holds no controller.
QByteArray loadAndSave(const QString &base)
{
    RootModel root(nullptr, base);
    root.loadSettings();
    checkLoadedTree(root);
    SettingsFile(base).remove();
    root.saveSettings();
    return SettingsFile(base).readAll();
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    FuzzSupport::initialize(argc, argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static QTemporaryDir directory;
    static const QString firstBase = directory.path() + QStringLiteral("/first");
    static const QString secondBase = directory.path() + QStringLiteral("/second");
    static const bool made = QDir().mkpath(SettingsFile(firstBase).directoryPath()) &&
                             QDir().mkpath(SettingsFile(secondBase).directoryPath());
    FUZZ_CHECK(made, directory.path());

    writeFile(SettingsFile(firstBase).filePath(), FuzzSupport::bytes(data, size));
    const QByteArray saved = loadAndSave(firstBase);
    if (saved.isEmpty()) {
        return 0;
    }
    FUZZ_CHECK(!QJsonDocument::fromJson(saved).isNull(), QString::fromUtf8(saved));
    // What was saved can be read again.
    FUZZ_CHECK(saved.size() <= SettingsFile::MaxSize, QString::number(saved.size()));

    writeFile(SettingsFile(secondBase).filePath(), saved);
    const QByteArray savedAgain = loadAndSave(secondBase);
    FUZZ_CHECK(savedAgain == saved,
               QStringLiteral("first save:\n%1\nsecond save:\n%2")
                   .arg(QString::fromUtf8(saved), QString::fromUtf8(savedAgain)));
    return 0;
}
