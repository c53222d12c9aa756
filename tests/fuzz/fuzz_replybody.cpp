// Reply bodies handed to a controller node in a root model, one after another
// (the input is cut at NUL bytes), as if they arrived for its poll requests.
// After each body the controller and its channels must still form a sound tree.

#include "fuzzsupport.h"

#include "../common/modeltester.h"
#include "device/deviceprotocol.h"
#include "device/norvaleodimmer.h"
#include "model/devicelimits.h"
#include "registry/rootmodel.h"

#include <QSet>

namespace {

constexpr int MaxBodies = 8;
const QString UniqueId = QStringLiteral("NV-FUZZ-1");

QVariant valueOf(const RootModel &root, const QModelIndex &index, const QByteArray &role)
{
    return root.data(index, root.roleByName(role));
}

QString nodeType(const QModelIndex &index)
{
    return static_cast<AbstractDeviceModel *>(index.internalPointer())->itemType();
}

void checkRs485(const RootModel &root, const QModelIndex &device)
{
    static const QSet<int> speeds = {2400,  4800,   9600,   19200,  38400,
                                     57600, 115200, 250000, 500000, 1000000};
    const int speed = valueOf(root, device, "rs485_speed").toInt();
    const QString parity = valueOf(root, device, "rs485_parity").toString();
    const int stopBits = valueOf(root, device, "rs485_stop_bits").toInt();
    const int dataBits = valueOf(root, device, "rs485_data_bits").toInt();
    FUZZ_CHECK(speeds.contains(speed), QString::number(speed));
    FUZZ_CHECK(parity == QLatin1String("N") || parity == QLatin1String("E"), parity);
    FUZZ_CHECK(stopBits == 1 || stopBits == 2, QString::number(stopBits));
    FUZZ_CHECK(dataBits == 8, QString::number(dataBits));
}

void checkInputs(const RootModel &root, const QModelIndex &device)
{
    const int count = valueOf(root, device, "inputs_count").toInt();
    const int types = valueOf(root, device, "inputs_types").toList().size();
    const int values = valueOf(root, device, "inputs_values").toList().size();
    FUZZ_CHECK(count >= 0 && count <= DeviceProtocol::MaxChannelNumber, QString::number(count));
    FUZZ_CHECK(types == count && values == count,
               QStringLiteral("%1 inputs, %2 types, %3 values").arg(count).arg(types).arg(values));
}

void checkChannels(const RootModel &root, const QModelIndex &device, QObject *controller)
{
    const int rows = root.rowCount(device);
    FUZZ_CHECK(rows <= DeviceLimits::MaxChannels, QString::number(rows));
    const QVariant connected = valueOf(root, device, "connection_status");
    QSet<int> lightIds;
    for (int row = 0; row < rows; ++row) {
        const QModelIndex channel = root.index(row, 0, device);
        FUZZ_CHECK(channel.isValid() && channel.row() == row, QString::number(row));
        FUZZ_CHECK(root.parent(channel) == device, QString::number(row));
        auto *node = static_cast<AbstractDeviceModel *>(channel.internalPointer());
        FUZZ_CHECK(static_cast<QObject *>(node)->parent() == controller, QString::number(row));
        FUZZ_CHECK(nodeType(channel) == QLatin1String("DIMMER"), nodeType(channel));
        FUZZ_CHECK(root.rowCount(channel) == 0, QString::number(row));
        const int lightId = valueOf(root, channel, "light_id").toInt();
        FUZZ_CHECK(lightId >= 1 && lightId <= DeviceProtocol::MaxChannelNumber,
                   QString::number(lightId));
        FUZZ_CHECK(!lightIds.contains(lightId), QString::number(lightId));
        lightIds.insert(lightId);
        // Every reply ends by giving all channels the controller's state.
        FUZZ_CHECK(valueOf(root, channel, "connection_status") == connected,
                   QString::number(lightId));
    }
}

void checkTree(const RootModel &root, const QModelIndex &device, QObject *controller)
{
    FUZZ_CHECK(root.rowCount() == 1, QString::number(root.rowCount()));
    const QModelIndex devices = root.index(0, 0);
    FUZZ_CHECK(root.rowCount(devices) == 1, QString::number(root.rowCount(devices)));
    FUZZ_CHECK(root.index(0, 0, devices) == device, QString());
    FUZZ_CHECK(root.parent(device) == devices, QString());
    FUZZ_CHECK(nodeType(device) == QLatin1String("NORVALEO_DIMMER"), nodeType(device));
    // Another device's status is never taken over.
    FUZZ_CHECK(valueOf(root, device, "uniqueId") == QVariant(UniqueId),
               valueOf(root, device, "uniqueId").toString());
    const int usingInterface = valueOf(root, device, "using_interface").toInt();
    FUZZ_CHECK(usingInterface == 1 || usingInterface == 2, QString::number(usingInterface));
    checkRs485(root, device);
    checkInputs(root, device);
    checkChannels(root, device, controller);
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    FuzzSupport::initialize(argc, argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    // Nothing is read from or written to the settings directory.
    RootModel root(nullptr, QStringLiteral("/nonexistent"));
    ModelTester tester(&root);
    DeviceDescription description;
    description.uniqueId = UniqueId;
    description.name = QStringLiteral("Fuzz");
    description.ipAddress1 = QStringLiteral("127.0.0.2");
    description.ipAddress2 = QStringLiteral("127.0.0.3");
    description.type = 1;
    const QModelIndex device = root.addDevice(description, false);
    FUZZ_CHECK(device.isValid(), QString());
    auto *controller = static_cast<NorvaleoDimmer *>(device.internalPointer());
    // A lost controller would start a broadcast search; here it is only counted.
    QObject::disconnect(controller, &NorvaleoDimmer::lostConnection, nullptr, nullptr);
    QObject::connect(controller, &NorvaleoDimmer::lostConnection,
                     [](const QString &uniqueId) { FUZZ_CHECK(uniqueId == UniqueId, uniqueId); });

    for (const QByteArray &body : FuzzSupport::parts(FuzzSupport::bytes(data, size), MaxBodies)) {
        controller->handleReplyBody(body);
        checkTree(root, device, controller);
        FUZZ_CHECK(tester.unexpected().isEmpty(), tester.unexpected().join(QLatin1Char('\n')));
    }
    return 0;
}
