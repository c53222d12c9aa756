#ifndef CONTROLLERNETWORK_H
#define CONTROLLERNETWORK_H

#include "../common/modeltester.h"
#include "simulatedcontroller.h"
#include "testrootmodel.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QUrlQuery>

// A controller node in a tree, talking to a simulated controller on 127.0.0.2
// (wired) and 127.0.0.3 (Wi-Fi).
class ControllerNetwork
{
public:
    static QString wired() { return QStringLiteral("127.0.0.2"); }
    static QString wifi() { return QStringLiteral("127.0.0.3"); }
    static QString uniqueId() { return QStringLiteral("NV-0001"); }

    explicit ControllerNetwork(const QString &nodeWired = wired(), const QString &nodeWifi = wifi())
        : sim(wired(), wifi(), uniqueId(), QStringLiteral("Simulated"), 4)
    {
        controller = root.addController(nodeWired, nodeWifi, uniqueId(), QStringLiteral("Dimmer"));
    }

    // Starts the controller node; its manager exists from then on.
    void start()
    {
        controller->startCommunication();
        manager = controller->findChild<QNetworkAccessManager *>();
        if (manager) {
            // Runs after the node's own handler: the reply is still alive here.
            QObject::connect(
                manager, &QNetworkAccessManager::finished, manager, [this](QNetworkReply *reply) {
                    handled.append(
                        QUrlQuery(reply->url()).queryItemValue(QStringLiteral("item_type")));
                });
        }
    }

    QModelIndex self() const { return root.controllerIndex(); }
    QModelIndex channel(int row) const { return root.channelIndex(row); }
    QVariant value(const QByteArray &role) const { return root.value(self(), role); }
    QVariant value(int row, const QByteArray &role) const { return root.value(channel(row), role); }

    static QString itemType(const SimulatedController::Request &request)
    {
        return QUrlQuery(request.query).queryItemValue(QStringLiteral("item_type"));
    }
    static bool isGet(const SimulatedController::Request &request)
    {
        return QUrlQuery(request.query).queryItemValue(QStringLiteral("request_type")) ==
               QLatin1String("get");
    }

    // What the simulator received, as "address item_type" for status requests.
    QStringList polls() const
    {
        QStringList list;
        for (const auto &request : sim.requests()) {
            if (isGet(request)) {
                list.append(request.address + QLatin1Char(' ') + itemType(request));
            }
        }
        return list;
    }
    // The raw queries of the change requests the simulator received.
    QStringList changes() const
    {
        QStringList list;
        for (const auto &request : sim.requests()) {
            if (!isGet(request)) {
                list.append(request.query);
            }
        }
        return list;
    }

    // Replies the node has been handed for requests with this item type.
    int repliesFor(const QString &type) const { return handled.count(type); }

    SimulatedController sim;
    // Item types of the requests whose replies the node handled, in order.
    QStringList handled;
    TestRootModel root;
    ModelTester tester{&root};
    NorvaleoDimmer *controller = nullptr;
    QNetworkAccessManager *manager = nullptr;
};

#endif // CONTROLLERNETWORK_H
