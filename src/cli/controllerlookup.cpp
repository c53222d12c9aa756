#include "cli/controllerlookup.h"

#include "device/norvaleodimmer.h"
#include "discovery/devicessearcher.h"
#include "model/hostaddresstext.h"

#include <QEventLoop>
#include <QTimer>

ControllerLookup::ControllerLookup(const SettingsFile &settingsFile) : root(nullptr, settingsFile)
{
    root.loadSettings(false);
}

QVector<QPersistentModelIndex> ControllerLookup::controllers() const
{
    const QModelIndex devices = root.index(0, 0);
    QVector<QPersistentModelIndex> result;
    for (int row = 0; row < root.rowCount(devices); ++row) {
        result.append(root.index(row, 0, devices));
    }
    return result;
}

QVector<QPersistentModelIndex> ControllerLookup::channels(const QModelIndex &controller) const
{
    QVector<QPersistentModelIndex> result;
    for (int row = 0; row < root.rowCount(controller); ++row) {
        result.append(root.index(row, 0, controller));
    }
    return result;
}

QVariant ControllerLookup::value(const QModelIndex &index, const QByteArray &role) const
{
    return root.data(index, root.roleByName(role));
}

QString ControllerLookup::text(const QModelIndex &index, const QByteArray &role) const
{
    return value(index, role).toString();
}

bool ControllerLookup::sameText(const QString &a, const QString &b)
{
    return !a.isEmpty() && a.compare(b, Qt::CaseInsensitive) == 0;
}

ControllerLookup::Match ControllerLookup::findController(const QString &text) const
{
    const QVector<QPersistentModelIndex> all = controllers();
    Match match;
    for (const QPersistentModelIndex &controller : all) {
        if (sameText(this->text(controller, "uniqueId"), text)) {
            match.index = controller;
            return match;
        }
    }
    for (const QPersistentModelIndex &controller : all) {
        if (sameText(this->text(controller, "name"), text)) {
            match.candidates.append(controller);
        }
    }
    if (match.candidates.size() == 1) {
        match.index = match.candidates.takeFirst();
    }
    if (!match.candidates.isEmpty()) {
        return match;
    }
    const QString address = HostAddressText::canonical(text);
    if (address.isNull()) {
        return match;
    }
    // The tree keeps addresses only in canonical form.
    for (const QPersistentModelIndex &controller : all) {
        if (this->text(controller, "ipAddress_1") == address ||
            this->text(controller, "ipAddress_2") == address) {
            match.index = controller;
            return match;
        }
    }
    return match;
}

QPersistentModelIndex ControllerLookup::addControllerAt(const QString &address)
{
    DevicesSearcher searcher;
    QEventLoop loop;
    QPersistentModelIndex added;
    QObject::connect(&searcher, &DevicesSearcher::searchedDevices, &loop,
                     [&](const QVector<DeviceDescription> &devices) {
                         for (const DeviceDescription &description : devices) {
                             added = root.addDevice(description, false);
                             if (added.isValid()) {
                                 loop.quit();
                                 return;
                             }
                         }
                     });
    QObject::connect(&searcher, &DevicesSearcher::searchingFinished, &loop, &QEventLoop::quit);
    QTimer::singleShot(NorvaleoDimmer::RequestTimeoutMs, &loop, &QEventLoop::quit);
    searcher.checkDevice(address);
    loop.exec();
    searcher.stopSearching();
    return added;
}

ControllerLookup::Match ControllerLookup::findChannel(const QModelIndex &controller,
                                                      const QString &text) const
{
    const QVector<QPersistentModelIndex> all = channels(controller);
    Match match;
    bool isNumber = false;
    const int lightId = text.toInt(&isNumber, 10);
    for (const QPersistentModelIndex &channel : all) {
        if (isNumber ? value(channel, "light_id").toInt() == lightId
                     : sameText(this->text(channel, "name"), text)) {
            match.candidates.append(channel);
        }
    }
    // Channels keep their light_id for life: a number names the first row with it.
    if (match.candidates.size() == 1 || (isNumber && !match.candidates.isEmpty())) {
        match.index = match.candidates.first();
        match.candidates.clear();
    }
    return match;
}
