#include "registry/rootmodel.h"

#include "device/norvaleodimmer.h"
#include "discovery/addressrange.h"
#include "logging/logcategories.h"
#include "model/devicelimits.h"
#include "model/dimmer.h"
#include "model/hostaddresstext.h"
#include "json/jsonreader.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonValue>

#include <algorithm>
#include <limits>

namespace {

const QString DevicesNodeName = QStringLiteral("Устройства");
constexpr int DimmerControllerType = 1;

// A JSON string as text; anything else is a null string. A present but empty
// string stays distinguishable from a missing one.
QString textOf(const QJsonValue &value)
{
    if (!value.isString()) {
        return {};
    }
    const QString text = value.toString();
    return text.isNull() ? QStringLiteral("") : text;
}

// The value of a text of decimal digits only, or -1.
int decimalValue(QStringView digits)
{
    if (digits.isEmpty() || digits.size() > 9) {
        return -1;
    }
    int value = 0;
    for (const QChar c : digits) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9')) {
            return -1;
        }
        value = value * 10 + (c.unicode() - '0');
    }
    return value;
}

// Members that are objects and whose names start with the prefix, in the order
// they were saved: by the number after the last "_" (so _2 comes before _10),
// members without such a number last, in text order.
QStringList savedOrder(const QJsonObject &object, const QString &prefix)
{
    QVector<QPair<int, QString>> members;
    for (auto it = object.constBegin(); it != object.constEnd(); ++it) {
        if (!it.key().startsWith(prefix) || !it.value().isObject()) {
            continue;
        }
        const int underscore = it.key().lastIndexOf(QLatin1Char('_'));
        const int number =
            underscore < 0 ? -1 : decimalValue(QStringView(it.key()).mid(underscore + 1));
        members.append({number < 0 ? std::numeric_limits<int>::max() : number, it.key()});
    }
    // The object iterates in text order, which the stable sort keeps for ties.
    std::stable_sort(members.begin(), members.end(),
                     [](const QPair<int, QString> &a, const QPair<int, QString> &b) {
                         return a.first < b.first;
                     });
    QStringList names;
    for (const auto &member : std::as_const(members)) {
        names.append(member.second);
    }
    return names;
}

// An address member of a file entry: canonical, or null when missing or
// unreadable; lost is set when a present value could not be read.
QString addressOf(const QJsonObject &object, const QString &member, bool &lost)
{
    const QJsonValue value = object.value(member);
    if (value.isUndefined()) {
        return {};
    }
    const QString address = HostAddressText::canonical(textOf(value));
    if (address.isNull() && !(value.isString() && value.toString().isEmpty())) {
        lost = true;
    }
    return address;
}

} // namespace

RootModel::RootModel(QObject *parent, const QString &settingsBaseDirectory)
    : RootModel(parent, SettingsFile(settingsBaseDirectory))
{
}

RootModel::RootModel(QObject *parent, const SettingsFile &file)
    : AbstractDeviceModel(QStringLiteral("root_model"), -1, parent), settingsFile(file)
{
    const QHash<QByteArray, int> &registry = roleRegistry();
    for (auto it = registry.constBegin(); it != registry.constEnd(); ++it) {
        roles.insert(it.value(), it.key());
    }
    model = this;
    startQueueTimer.setInterval(0);
    connect(&startQueueTimer, &QTimer::timeout, this, &RootModel::startQueued);

    auto *devices = new AbstractDeviceModel(DevicesNodeName, runningCount(QModelIndex()), this);
    insertChild(QModelIndex(), devices);

    // Searches for lost controllers only refresh addresses; they never end a
    // user operation.
    connect(&lostDeviceSearcher, &DevicesSearcher::searchedDevices, this, &RootModel::addDevices);
}

RootModel::~RootModel() = default;

QModelIndex RootModel::devicesIndex() const
{
    return index(0, 0);
}

AbstractDeviceModel *RootModel::devicesNode() const
{
    return children.value(0);
}

QString RootModel::applicationVersion() const
{
    return QCoreApplication::applicationVersion();
}

int RootModel::countDevices() const
{
    return hasChildren(devicesIndex()) ? 1 : 0;
}

int RootModel::maxNameLength() const
{
    return DeviceLimits::MaxNameLength;
}

void RootModel::createUserSearch()
{
    userSearch = new DevicesSearcher(this);
    addedByUserSearch = 0;
    connect(userSearch, &DevicesSearcher::searchedDevices, this, &RootModel::addSearchedDevices);
    connect(userSearch, &DevicesSearcher::searchingFinished, this, &RootModel::onSearchingFinished);
}

void RootModel::addSearchedDevices(QVector<DeviceDescription> devices)
{
    const int before = rowCount(devicesIndex());
    addDevices(devices);
    addedByUserSearch += rowCount(devicesIndex()) - before;
}

QString RootModel::addressRangeError(const QString &text) const
{
    return AddressRange::parse(text).errorText();
}

QStringList RootModel::searchedNetworks() const
{
    return lastSearchedNetworks;
}

int RootModel::addedCount() const
{
    return addedByUserSearch;
}

void RootModel::startCommunication()
{
    if (userSearch) {
        return;
    }
    createUserSearch();
    userSearch->startSearching();
}

bool RootModel::knowsAddress(const QString &ipAddress) const
{
    const QVariant wanted(ipAddress);
    const QModelIndex devices = devicesIndex();
    for (int row = 0; row < rowCount(devices); ++row) {
        const QModelIndex device = index(row, 0, devices);
        const AbstractDeviceModel *node = nodeOf(device);
        if (data(device, node->roleByName("ipAddress_1")) == wanted ||
            data(device, node->roleByName("ipAddress_2")) == wanted) {
            return true;
        }
    }
    return false;
}

void RootModel::tryToAddDevice(QString ipAddress)
{
    const AddressRange range = AddressRange::parse(ipAddress);
    if (userSearch || !range.isValid()) {
        Q_EMIT searchingProcessFinished(QStringLiteral("error"), 0);
        return;
    }
    // Known addresses inside a network are greeted like the others and count
    // as known when they answer.
    if (range.isSingle() && knowsAddress(range.text())) {
        Q_EMIT searchingProcessFinished(QStringLiteral("existed"), 0);
        return;
    }
    createUserSearch();
    if (range.isSingle()) {
        userSearch->checkDevice(range.text());
    } else {
        userSearch->checkNetwork(range);
    }
}

void RootModel::stopSearching()
{
    if (!userSearch) {
        return;
    }
    userSearch->stopSearching();
    userSearch->deleteLater();
    userSearch = nullptr;
}

void RootModel::onSearchingFinished(QString triggerName, int count)
{
    if (!userSearch) {
        return;
    }
    lastSearchedNetworks = userSearch->searchedNetworks();
    userSearch->deleteLater();
    userSearch = nullptr;
    Q_EMIT searchingProcessFinished(triggerName, count);
}

void RootModel::addDevices(QVector<DeviceDescription> devices)
{
    const AbstractDeviceModel *known = devicesNode();
    for (const DeviceDescription &description : std::as_const(devices)) {
        const int count = known->children.size();
        addDevice(description, false);
        if (known->children.size() > count) {
            startQueue.append(known->children.last());
        }
    }
    startQueuedSoon();
}

// The first few start at once, the others with the next turns.
void RootModel::startQueuedSoon()
{
    if (!startQueueTimer.isActive()) {
        startQueued();
    }
}

void RootModel::startQueued()
{
    // About a tenth of a millisecond each: a few per turn keep the window
    // answering while hundreds start.
    constexpr int StartsPerTurn = 16;
    int started = 0;
    while (!startQueue.isEmpty() && started < StartsPerTurn) {
        const QPointer<AbstractDeviceModel> device = startQueue.takeFirst();
        if (device) {
            device->startCommunication();
            ++started;
        }
    }
    if (startQueue.isEmpty()) {
        startQueueTimer.stop();
    } else if (!startQueueTimer.isActive()) {
        startQueueTimer.start();
    }
}

// Read in place: a search's report asks this for every controller it names.
int RootModel::rowOfUniqueId(const QString &uniqueId) const
{
    static const int role = roleRegistry().value("uniqueId", -1);
    const QVector<AbstractDeviceModel *> &devices = devicesNode()->children;
    for (int row = 0; row < devices.size(); ++row) {
        const QVariant *value = devices.at(row)->storedValue(role);
        if (value && value->toString() == uniqueId) {
            return row;
        }
    }
    return -1;
}

void RootModel::updateAddress(const QModelIndex &device, const QByteArray &roleName,
                              const QString &address)
{
    if (address.isEmpty()) {
        return;
    }
    const int role = nodeOf(device)->roleByName(roleName);
    if (data(device, role) != QVariant(address)) {
        setData(device, address, role);
    }
}

QModelIndex RootModel::addDevice(const DeviceDescription &description, bool startCommunication)
{
    const QString wired = HostAddressText::canonical(description.ipAddress1);
    const QString wifi = HostAddressText::canonical(description.ipAddress2);
    const QModelIndex devices = devicesIndex();
    const int knownRow = rowOfUniqueId(description.uniqueId);
    if (knownRow >= 0) {
        // A known controller: only its addresses can have changed.
        const QModelIndex device = index(knownRow, 0, devices);
        updateAddress(device, "ipAddress_1", wired);
        updateAddress(device, "ipAddress_2", wifi);
        return device;
    }

    if ((wired.isNull() && wifi.isNull()) || description.uniqueId.isEmpty() ||
        description.uniqueId.size() > DeviceLimits::MaxUniqueIdLength ||
        description.type != DimmerControllerType ||
        rowCount(devices) >= DeviceLimits::MaxControllers) {
        return {};
    }

    auto *controller = new NorvaleoDimmer(wired, wifi, description.uniqueId,
                                          DeviceLimits::cutName(description.name),
                                          runningCount(devices), devicesNode());
    connect(controller, &AbstractDeviceModel::itemPreparedToInsert, this,
            &RootModel::addItemToModel, Qt::DirectConnection);
    connect(controller, &QAbstractItemModel::dataChanged, this, &QAbstractItemModel::dataChanged,
            Qt::DirectConnection);
    connect(controller, &NorvaleoDimmer::lostConnection, this, &RootModel::findDevice,
            Qt::DirectConnection);
    insertChild(devices, controller);
    if (startCommunication) {
        controller->startCommunication();
    }
    return indexOfItem(this, controller);
}

void RootModel::addItemToModel(QModelIndex parent, std::shared_ptr<AbstractDeviceModel> item)
{
    if (!parent.isValid() || !item) {
        return;
    }
    auto *deleter = std::get_deleter<DeviceDeleter>(item);
    if (!deleter) {
        return; // a node the tree cannot take over; its pointer keeps owning it
    }
    deleter->armed = false;
    // Rows are announced on this model, whichever node made the index.
    insertChild(indexOfItem(this, nodeOf(parent)), item.get());
}

void RootModel::findDevice(QString uniqueId)
{
    lostDeviceSearcher.findDevice(uniqueId);
}

bool RootModel::setData(const QModelIndex &index, const QVariant &value, int role)
{
    // Every name fits the settings file's bounds.
    if (role == roleByName("name") && value.toString().size() > DeviceLimits::MaxNameLength) {
        return false;
    }
    if (!AbstractDeviceModel::setData(index, value, role)) {
        return false;
    }
    const AbstractDeviceModel *edited = nodeOf(index);
    for (AbstractDeviceModel *device : std::as_const(devicesNode()->children)) {
        if (edited == device || edited->isChildOf(device)) {
            device->transferDataToDevice(index, value, role);
            break;
        }
    }
    return true;
}

bool RootModel::keepDamagedFile()
{
    if (!fileNeedsCopy) {
        return true;
    }
    if (!settingsFile.keepDamagedCopy()) {
        return false;
    }
    fileNeedsCopy = false;
    if (!settingsFile.damagedCopyPath().isEmpty()) {
        qCWarning(lcSettings, "settings: %s could not be loaded whole; its bytes are kept in %s",
                  qPrintable(settingsFile.readPath()), qPrintable(settingsFile.damagedCopyPath()));
    }
    return true;
}

bool RootModel::clearSettings()
{
    beginResetModel();
    const bool removed = keepDamagedFile() && settingsFile.remove();
    lostDeviceSearcher.stopSearching();
    if (userSearch) {
        // Its reports must not refill the emptied list before it is gone.
        disconnect(userSearch, nullptr, this, nullptr);
        userSearch->deleteLater();
        userSearch = nullptr;
    }
    // Controllers live on until their deferred deletion; they must not reach
    // the model any more.
    for (AbstractDeviceModel *device : std::as_const(devicesNode()->children)) {
        disconnect(device, nullptr, this, nullptr);
    }
    startQueue.clear();
    // The reset tells the views everything; a layout change inside it would
    // break the model's contract (views may not see a change within a reset).
    deleteChildren(devicesIndex(), false);
    endResetModel();
    return removed;
}

QByteArray RootModel::settingsText() const
{
    QString text = QStringLiteral("{");
    int counter = 0;
    devicesNode()->writeChildren(text, counter);
    text += QLatin1Char('}');
    return text.toUtf8();
}

bool RootModel::saveSettings()
{
    const QByteArray text = settingsText();
    if (text.size() <= 2) {
        return true;
    }
    return keepDamagedFile() && settingsFile.writeAll(text);
}

void RootModel::setSaveDelay(int milliseconds)
{
    saveTimer.stop();
    disconnect(this, nullptr, &saveTimer, nullptr);
    disconnect(&saveTimer, nullptr, this, nullptr);
    if (milliseconds <= 0) {
        return;
    }
    saveTimer.setSingleShot(true);
    saveTimer.setInterval(milliseconds);
    // An unchanged list leaves the file untouched.
    connect(&saveTimer, &QTimer::timeout, this, &RootModel::saveSettings);
    // Every change of the tree restarts the wait; values the file does not
    // hold (brightness, temperatures, the connection) do not.
    const auto soon = [this] {
        saveTimer.start();
    };
    connect(this, &QAbstractItemModel::rowsInserted, &saveTimer, soon);
    connect(this, &QAbstractItemModel::rowsRemoved, &saveTimer, soon);
    connect(this, &QAbstractItemModel::modelReset, &saveTimer, soon);
    connect(this, &QAbstractItemModel::layoutChanged, &saveTimer, soon);
    connect(this, &QAbstractItemModel::dataChanged, &saveTimer,
            [this](const QModelIndex &topLeft, const QModelIndex &, const QVector<int> &roles) {
                if (touchesSavedValues(topLeft, roles)) {
                    saveTimer.start();
                }
            });
}

// Rows of one range are nodes of one class, which keep the same values.
bool RootModel::touchesSavedValues(const QModelIndex &index, const QVector<int> &roles) const
{
    if (roles.isEmpty()) {
        return true;
    }
    const AbstractDeviceModel *node = nodeOrSelf(index);
    return std::any_of(roles.cbegin(), roles.cend(),
                       [node](int role) { return node->isPersistentRole(role); });
}

void RootModel::loadSettings(bool startCommunication)
{
    const QByteArray content = settingsFile.readAll();
    if (content.isEmpty()) {
        // Too large or unreadable: whatever it holds is not lost by a save.
        fileNeedsCopy = QFileInfo(settingsFile.readPath()).size() > 0;
        return;
    }
    const QJsonDocument document = JsonReader::read(content);
    if (!document.isObject()) {
        fileNeedsCopy = true;
        return;
    }
    const QJsonObject devices = document.object();
    const QStringList names = savedOrder(devices, QStringLiteral("NORVALEO_DIMMER"));
    bool whole = names.size() == devices.size();
    for (const QString &name : names) {
        whole = loadDevice(devices.value(name).toObject(), startCommunication) && whole;
    }
    fileNeedsCopy = !whole;
}

void RootModel::startDevicesCommunication()
{
    for (AbstractDeviceModel *device : std::as_const(devicesNode()->children)) {
        startQueue.append(device);
    }
    startQueuedSoon();
}

bool RootModel::loadDevice(const QJsonObject &object, bool startCommunication)
{
    bool lost = false;
    DeviceDescription description;
    description.type = DimmerControllerType;
    description.ipAddress1 = addressOf(object, QStringLiteral("ipAddress_1"), lost);
    description.ipAddress2 = addressOf(object, QStringLiteral("ipAddress_2"), lost);
    description.name = textOf(object.value(QStringLiteral("name")));
    description.uniqueId = textOf(object.value(QStringLiteral("uniqueId")));
    lost = lost || description.name.size() > DeviceLimits::MaxNameLength;

    const QModelIndex device = addDevice(description, false);
    if (!device.isValid()) {
        return false;
    }
    const QStringList channels = savedOrder(object, QStringLiteral("DIMMER"));
    // Anything but the values and the channels would be dropped by the next save.
    int values = 0;
    for (const char *member : {"ipAddress_1", "ipAddress_2", "name", "uniqueId"}) {
        values += object.contains(QLatin1String(member)) ? 1 : 0;
    }
    lost = lost || values + channels.size() != object.size();
    for (const QString &name : channels) {
        lost = !loadChannel(device, object.value(name).toObject()) || lost;
    }
    if (startCommunication) {
        nodeOf(device)->startCommunication();
    }
    return !lost;
}

bool RootModel::loadChannel(const QModelIndex &device, const QJsonObject &object)
{
    const QString name = textOf(object.value(QStringLiteral("name")));
    const QString lightIdText = textOf(object.value(QStringLiteral("light_id")));
    const int lightId = decimalValue(lightIdText);
    if (name.isEmpty() || lightId < 1 || rowCount(device) >= DeviceLimits::MaxChannels) {
        return false;
    }

    AbstractDeviceModel *controller = nodeOf(device);
    auto *channel = new Dimmer(DeviceLimits::cutName(name), runningCount(device), controller);
    addItemToModel(device, std::shared_ptr<AbstractDeviceModel>(channel, DeviceDeleter(true)));
    const QModelIndex channelIndex = indexOfItem(this, channel);

    setData(channelIndex, lightId, channel->roleByName("light_id"));
    for (auto it = object.constBegin(); it != object.constEnd(); ++it) {
        if (it.key() == QLatin1String("light_id") || it.key() == QLatin1String("name")) {
            continue;
        }
        const int role = channel->roleByName(it.key().toUtf8());
        if (role < 0) {
            continue;
        }
        // A mark is the text "true" or "false", however long the file's text.
        const QVariant value =
            it.key() == QLatin1String("favourites")
                ? QVariant(it.value().toString() == QLatin1String("true") ? QStringLiteral("true")
                                                                          : QStringLiteral("false"))
                : it.value().toVariant();
        setData(channelIndex, value, role);
    }
    return name.size() <= DeviceLimits::MaxNameLength;
}
