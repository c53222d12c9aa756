#ifndef CONFIGURATIONTRANSFER_H
#define CONFIGURATIONTRANSFER_H

#include "registry/configurationplan.h"

#include <QObject>
#include <QPersistentModelIndex>
#include <QPointer>
#include <QTimer>
#include <QUrl>
#include <QVariantList>

#include <functional>

class NorvaleoDimmer;
class RootModel;

// The window's saving and loading of a controller's configuration. Saving
// asks the controller for fresh status first; loading checks the whole file
// and lists what would change; applying writes the roles the settings pages
// write, one at a time, each after the reply to the one before.
class ConfigurationTransfer : public QObject
{
    Q_OBJECT
    Q_PROPERTY(bool busy READ isBusy NOTIFY busyChanged)
    Q_PROPERTY(QVariantList changes READ changeList NOTIFY planChanged)
    Q_PROPERTY(QString skipped READ skippedText NOTIFY planChanged)
    Q_PROPERTY(QString origin READ originText NOTIFY planChanged)
    Q_PROPERTY(bool hasNetworkChanges READ hasNetworkChanges NOTIFY planChanged)
    Q_PROPERTY(bool wifiNeedsPassword READ wifiNeedsPassword NOTIFY planChanged)

public:
    explicit ConfigurationTransfer(RootModel *root, QObject *parent = nullptr);

    // controllerRow: the controller's row under "Устройства".
    Q_INVOKABLE void save(int controllerRow, const QUrl &file);
    // False, with finished(false, reason), when the file cannot be used.
    Q_INVOKABLE bool load(int controllerRow, const QUrl &file);
    Q_INVOKABLE void apply(bool withNetwork, const QString &wifiPassword);

    bool isBusy() const { return busy; }
    QVariantList changeList() const;
    QString skippedText() const;
    QString originText() const;
    bool hasNetworkChanges() const;
    bool wifiNeedsPassword() const { return plan.wifiNeedsPassword; }

Q_SIGNALS:
    void busyChanged();
    void planChanged();
    void finished(bool ok, const QString &message);

private:
    bool selectController(int controllerRow);
    QModelIndex channelIndex(int lightId) const;
    // Sends through send (which tags the request), then calls next with the outcome.
    void await(const std::function<bool(int tag)> &send, const std::function<void(bool)> &next);
    void onAnswered(int tag, bool done);
    void sendNext();
    void refreshThen(const std::function<void()> &next);
    void finish(bool ok, const QString &message);
    void setBusy(bool value);

    RootModel *root;
    QPersistentModelIndex controller;
    QPointer<NorvaleoDimmer> node;
    ConfigurationPlan plan;
    ControllerConfiguration loaded;
    QVector<ConfigurationPlan::Request> sending;
    int applied = 0;
    bool busy = false;
    int lastTag = 0;
    int awaitedTag = 0;
    std::function<void(bool)> afterAnswer;
    QTimer guard;
};

#endif // CONFIGURATIONTRANSFER_H
