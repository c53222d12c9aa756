#include "mqtt/mqttservice.h"

#include <QCoreApplication>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    // The window's name: its per-user settings location is found by it.
    QCoreApplication::setApplicationName(QStringLiteral("NorvaleoDimmer"));
    QCoreApplication::setApplicationVersion(QStringLiteral(NORVALEO_VERSION));
    return MqttService::run(QCoreApplication::arguments());
}
