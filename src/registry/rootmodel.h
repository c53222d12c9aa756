#ifndef ROOTMODEL_H
#define ROOTMODEL_H

#include "discovery/devicedescription.h"
#include "discovery/devicessearcher.h"
#include "model/abstractdevicemodel.h"
#include "registry/settingsfile.h"

#include <QJsonObject>
#include <QPointer>
#include <QStringList>
#include <QTimer>
#include <QVector>

#include <memory>

// The one model the user interface browses: the invisible root of the device
// tree, the registry of known controllers and the entry point for searches,
// address checks and the settings file.
class RootModel : public AbstractDeviceModel
{
    Q_OBJECT
    // The longest name the tree keeps, in UTF-16 units as QString and a text
    // field's maximumLength count them; a longer name is refused.
    Q_PROPERTY(int maxNameLength READ maxNameLength CONSTANT)

public:
    // settingsBaseDirectory: where the "settings" directory lies; empty means
    // the application directory (tests give another one).
    explicit RootModel(QObject *parent = nullptr, const QString &settingsBaseDirectory = QString());
    RootModel(QObject *parent, const SettingsFile &file);
    ~RootModel() override;

    bool setData(const QModelIndex &index, const QVariant &value, int role = Qt::EditRole) override;

    QModelIndex addDevice(const DeviceDescription &description, bool startCommunication);
    // Without communication the tree only lists what the file holds; nothing is
    // sent until startDevicesCommunication (start-up draws the list first).
    void loadSettings(bool startCommunication = true);
    void startDevicesCommunication();

    // False, with a warning line, when the file could not be written or removed.
    Q_INVOKABLE bool saveSettings();
    // Writes the file this long after the last change to what it holds, so that
    // a process killed later loses nothing; 0 (the default) writes only when asked.
    void setSaveDelay(int milliseconds);
    Q_INVOKABLE bool clearSettings();
    // The one Startup gives the application.
    Q_INVOKABLE QString applicationVersion() const;
    Q_INVOKABLE int countDevices() const;
    int maxNameLength() const;
    // Why a typed address, network or range would be refused; empty if not.
    Q_INVOKABLE QString addressRangeError(const QString &text) const;
    // Of the last user search that ended: what it greeted ("eth0
    // 192.168.1.10/24" per adapter, or the typed range) and how many
    // controllers it added to the list.
    Q_INVOKABLE QStringList searchedNetworks() const;
    Q_INVOKABLE int addedCount() const;

Q_SIGNALS:
    void searchingProcessFinished(QString triggerName, int devicesCount);

public Q_SLOTS:
    void addDevices(QVector<DeviceDescription> devices);
    void tryToAddDevice(QString ipAddress);
    void startCommunication() override;
    void stopSearching();
    void onSearchingFinished(QString triggerName, int count);
    void addItemToModel(QModelIndex parent, std::shared_ptr<AbstractDeviceModel> item);
    void findDevice(QString uniqueId);

private:
    QModelIndex devicesIndex() const;
    AbstractDeviceModel *devicesNode() const;
    void createUserSearch();
    void addSearchedDevices(QVector<DeviceDescription> devices);
    bool knowsAddress(const QString &ipAddress) const;
    void updateAddress(const QModelIndex &device, const QByteArray &roleName,
                       const QString &address);
    bool loadDevice(const QJsonObject &object, bool startCommunication);
    bool loadChannel(const QModelIndex &device, const QJsonObject &object);
    bool keepDamagedFile();
    QByteArray settingsText() const;
    bool touchesSavedValues(const QModelIndex &index, const QVector<int> &roles) const;
    int rowOfUniqueId(const QString &uniqueId) const;
    void startQueuedSoon();
    void startQueued();

    DevicesSearcher *userSearch = nullptr;
    DevicesSearcher lostDeviceSearcher;
    QStringList lastSearchedNetworks;
    int addedByUserSearch = 0;
    SettingsFile settingsFile;
    // The file was not loaded whole: its bytes are kept before it is replaced.
    bool fileNeedsCopy = false;
    // Controllers waiting to start polling: a search that finds hundreds, or
    // a long list restored, starts them a few per turn of the event loop so
    // that the window is not held for the time of all their starts.
    QVector<QPointer<AbstractDeviceModel>> startQueue;
    QTimer startQueueTimer;
    QTimer saveTimer;
};

#endif // ROOTMODEL_H
