#include "simulatorfixture.h"

#include "discovery/devicedescription.h"
#include "registry/rootmodel.h"
#include "simulatedcontroller.h"

#include <QAccessible>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QQuickItem>
#include <QQuickWindow>

SimulatorFixture::SimulatorFixture(RootModel *rootModel, const QString &settingsDir,
                                   QObject *parent)
    : QObject(parent), rootModel(rootModel), settingsDir(settingsDir)
{
}

SimulatorFixture::~SimulatorFixture() = default;

bool SimulatorFixture::addController(const QString &uniqueId, const QString &name,
                                     const QString &wiredAddress, const QString &wifiAddress,
                                     int channels)
{
    delete controllers.take(uniqueId);
    auto *device =
        new SimulatedController(wiredAddress, wifiAddress, uniqueId, name, channels, this);
    controllers.insert(uniqueId, device);
    return device->start();
}

void SimulatorFixture::removeControllers()
{
    qDeleteAll(controllers);
    controllers.clear();
}

void SimulatorFixture::addToModel(const QString &uniqueId)
{
    const SimulatedController *device = controller(uniqueId);
    if (!device) {
        return;
    }
    DeviceDescription description;
    description.uniqueId = device->uniqueId();
    description.name = device->name();
    description.ipAddress1 = device->wiredAddress();
    description.ipAddress2 = device->wifiAddress();
    description.type = 1;
    rootModel->addDevice(description, true);
}

void SimulatorFixture::resetModel()
{
    rootModel->stopSearching();
    rootModel->clearSettings();
}

QStringList SimulatorFixture::queries(const QString &uniqueId, bool setOnly) const
{
    QStringList result;
    const SimulatedController *device = controller(uniqueId);
    if (!device) {
        return result;
    }
    for (const SimulatedController::Request &request : device->requests()) {
        if (!setOnly || request.query.startsWith(QLatin1String("request_type=set"))) {
            result.append(request.query);
        }
    }
    return result;
}

void SimulatorFixture::clearRequests()
{
    for (SimulatedController *device : std::as_const(controllers)) {
        device->clearRequests();
    }
}

QStringList SimulatorFixture::requestAddresses(const QString &uniqueId) const
{
    QStringList result;
    if (const SimulatedController *device = controller(uniqueId)) {
        for (const SimulatedController::Request &request : device->requests()) {
            result.append(request.address);
        }
    }
    return result;
}

int SimulatorFixture::brightness(const QString &uniqueId, int channel) const
{
    const SimulatedController *device = controller(uniqueId);
    return device ? device->brightness(channel) : -1;
}

void SimulatorFixture::setBrightness(const QString &uniqueId, int channel, int value)
{
    if (SimulatedController *device = controller(uniqueId)) {
        device->setBrightness(channel, value);
    }
}

void SimulatorFixture::setOutputType(const QString &uniqueId, int channel, const QString &type)
{
    SimulatedController *device = controller(uniqueId);
    if (!device) {
        return;
    }
    SimulatedController::Output output = device->output(channel);
    output.type = type;
    device->setOutput(channel, output);
}

void SimulatorFixture::setChannelName(const QString &uniqueId, int channel, const QString &name)
{
    SimulatedController *device = controller(uniqueId);
    if (!device) {
        return;
    }
    SimulatedController::Output output = device->output(channel);
    output.name = name;
    device->setOutput(channel, output);
}

void SimulatorFixture::setDeviceValue(const QString &uniqueId, const QString &key,
                                      const QVariant &value)
{
    SimulatedController *device = controller(uniqueId);
    if (!device) {
        return;
    }
    SimulatedController::Settings settings = device->settings();
    SimulatedController::SystemInfo info = device->systemInfo();
    if (key == QLatin1String("rs485Speed")) {
        settings.rs485Speed = value.toString();
    } else if (key == QLatin1String("modbusAddress")) {
        settings.modbusAddress = value.toInt();
    } else if (key == QLatin1String("autosave")) {
        settings.autosave = value.toBool();
    } else if (key == QLatin1String("inputAutodetect")) {
        settings.inputAutodetect = value.toBool();
    } else if (key == QLatin1String("innerTmp")) {
        settings.innerTmp = value.toDouble();
    } else if (key == QLatin1String("externTmp")) {
        settings.externTmp = value.toDouble();
    } else if (key == QLatin1String("crosszeroOffset")) {
        settings.crosszeroOffset = value.toInt();
    } else if (key == QLatin1String("dimmerHalfPeriod")) {
        settings.dimmerHalfPeriod = value.toInt();
    } else if (key == QLatin1String("dimmerPulseDuration")) {
        settings.dimmerPulseDuration = value.toInt();
    } else if (key == QLatin1String("dimmerUseTimerSinch")) {
        settings.dimmerUseTimerSinch = value.toBool();
    } else if (key == QLatin1String("wifiDhcp")) {
        info.wifiDhcp = value.toBool();
    } else if (key == QLatin1String("lanDhcp")) {
        info.lanDhcp = value.toBool();
    } else if (key == QLatin1String("wifiSsid")) {
        info.wifiSsid = value.toString();
    } else if (key == QLatin1String("name")) {
        device->setName(value.toString());
    } else {
        qWarning("SimulatorFixture: unknown device value %s", qPrintable(key));
        return;
    }
    device->setSettings(settings);
    device->setSystemInfo(info);
}

void SimulatorFixture::setInputs(const QString &uniqueId, const QVariantList &inputs)
{
    SimulatedController *device = controller(uniqueId);
    if (!device) {
        return;
    }
    QVector<SimulatedController::Input> list;
    for (const QVariant &entry : inputs) {
        const QVariantMap map = entry.toMap();
        SimulatedController::Input input;
        input.type = map.value(QStringLiteral("type")).toString();
        input.voltValue = map.value(QStringLiteral("volt")).toDouble();
        list.append(input);
    }
    device->setInputs(list);
}

void SimulatorFixture::setSilent(const QString &uniqueId, bool silent)
{
    SimulatedController *device = controller(uniqueId);
    if (!device) {
        return;
    }
    device->setAddressSilent(device->wiredAddress(), silent);
    device->setAddressSilent(device->wifiAddress(), silent);
}

void SimulatorFixture::setRefusedItemType(const QString &uniqueId, const QString &itemType)
{
    if (SimulatedController *device = controller(uniqueId)) {
        device->setRefusedItemType(itemType);
    }
}

QString SimulatorFixture::settingsFilePath() const
{
    return settingsDir + QStringLiteral("/settings/settings.json");
}

QString SimulatorFixture::settingsFileText() const
{
    QFile file(settingsFilePath());
    if (!file.open(QIODevice::ReadOnly)) {
        return {};
    }
    return QString::fromUtf8(file.readAll());
}

bool SimulatorFixture::writeSettingsFile(const QString &text) const
{
    QDir().mkpath(settingsDir + QStringLiteral("/settings"));
    QFile file(settingsFilePath());
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        return false;
    }
    return file.write(text.toUtf8()) >= 0;
}

void SimulatorFixture::reloadSettings()
{
    rootModel->stopSearching();
    // Clearing removes the file, so keep its text and put it back.
    const QString text = settingsFileText();
    rootModel->clearSettings();
    writeSettingsFile(text);
    rootModel->loadSettings();
}

void SimulatorFixture::screenshot(QObject *item, const QString &name) const
{
    const QString dir = qEnvironmentVariable("NORVALEO_SCREENSHOT_DIR");
    if (dir.isEmpty()) {
        return;
    }
    QQuickWindow *window = qobject_cast<QQuickWindow *>(item);
    if (!window) {
        if (auto *quickItem = qobject_cast<QQuickItem *>(item)) {
            window = quickItem->window();
        }
    }
    if (!window) {
        qWarning("screenshot %s: no window", qPrintable(name));
        return;
    }
    QDir().mkpath(dir);
    // A second pass under another scale factor names its pictures apart.
    const QString suffix = qEnvironmentVariable("NORVALEO_SCREENSHOT_SUFFIX");
    window->grabWindow().save(dir + QLatin1Char('/') + name + suffix + QStringLiteral(".png"));
}

SimulatedController *SimulatorFixture::controller(const QString &uniqueId) const
{
    return controllers.value(uniqueId);
}

QVariantMap SimulatorFixture::accessible(QObject *item) const
{
    QAccessibleInterface *face = item ? QAccessible::queryAccessibleInterface(item) : nullptr;
    if (!face)
        return {};
    QVariantMap result{{QStringLiteral("role"), int(face->role())},
                       {QStringLiteral("name"), face->text(QAccessible::Name)},
                       {QStringLiteral("description"), face->text(QAccessible::Description)}};
    if (QAccessibleValueInterface *value = face->valueInterface())
        result.insert(QStringLiteral("value"), value->currentValue());
    if (QAccessibleActionInterface *actions = face->actionInterface())
        result.insert(QStringLiteral("actions"), actions->actionNames());
    return result;
}
