#ifndef SIMULATORFIXTURE_H
#define SIMULATORFIXTURE_H

#include <QHash>
#include <QObject>
#include <QStringList>
#include <QVariantMap>

class RootModel;
class SimulatedController;

// What Qt Quick tests see as `simulator`: simulated controllers in this
// process, their request logs, and shortcuts into the real root model.
class SimulatorFixture : public QObject
{
    Q_OBJECT

public:
    SimulatorFixture(RootModel *rootModel, const QString &settingsDir, QObject *parent = nullptr);
    ~SimulatorFixture() override;

    // Starts a controller; false when its sockets could not be opened.
    Q_INVOKABLE bool addController(const QString &uniqueId, const QString &name,
                                   const QString &wiredAddress, const QString &wifiAddress,
                                   int channels);
    Q_INVOKABLE void removeControllers();

    // Puts a controller into the root model as a search would, and starts polling it.
    Q_INVOKABLE void addToModel(const QString &uniqueId);
    // Empties the device list and removes the settings file.
    Q_INVOKABLE void resetModel();

    // Queries received by a controller, in order; `setOnly` drops the polls.
    Q_INVOKABLE QStringList queries(const QString &uniqueId, bool setOnly = true) const;
    Q_INVOKABLE void clearRequests();
    // The local address each logged request came in on, in order.
    Q_INVOKABLE QStringList requestAddresses(const QString &uniqueId) const;

    Q_INVOKABLE int brightness(const QString &uniqueId, int channel) const;
    Q_INVOKABLE void setBrightness(const QString &uniqueId, int channel, int value);
    Q_INVOKABLE void setOutputType(const QString &uniqueId, int channel, const QString &type);
    Q_INVOKABLE void setChannelName(const QString &uniqueId, int channel, const QString &name);
    // Keys of the simulator's settings ("rs485Speed", "modbusAddress", "autosave",
    // "inputAutodetect", "innerTmp", ...) and of its system info ("wifiDhcp", ...).
    Q_INVOKABLE void setDeviceValue(const QString &uniqueId, const QString &key,
                                    const QVariant &value);
    // Inputs as a list of {type, volt}.
    Q_INVOKABLE void setInputs(const QString &uniqueId, const QVariantList &inputs);
    Q_INVOKABLE void setSilent(const QString &uniqueId, bool silent);
    Q_INVOKABLE void setRefusedItemType(const QString &uniqueId, const QString &itemType);

    Q_INVOKABLE QString settingsFilePath() const;
    Q_INVOKABLE QString settingsFileText() const;
    Q_INVOKABLE bool writeSettingsFile(const QString &text) const;
    // Rebuilds the tree from the settings file, as a restart would.
    Q_INVOKABLE void reloadSettings();

    // Saves a picture of the item's window as <name>.png into the directory
    // named by NORVALEO_SCREENSHOT_DIR (scripts/screenshots sets it); does
    // nothing otherwise.
    Q_INVOKABLE void screenshot(QObject *item, const QString &name) const;

    // What an accessibility client reads of an item: role (QAccessible::Role),
    // name, description, value (when it has one) and action names.
    Q_INVOKABLE QVariantMap accessible(QObject *item) const;

private:
    SimulatedController *controller(const QString &uniqueId) const;

    RootModel *rootModel;
    QString settingsDir;
    QHash<QString, SimulatedController *> controllers;
};

#endif // SIMULATORFIXTURE_H
