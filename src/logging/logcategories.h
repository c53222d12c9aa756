#ifndef LOGCATEGORIES_H
#define LOGCATEGORIES_H

#include <QLoggingCategory>

// The application's log output, one category per subsystem. Debug lines are off
// by default; QT_LOGGING_RULES="norvaleo.*.debug=true" turns them on.
Q_DECLARE_LOGGING_CATEGORY(lcDevice)
Q_DECLARE_LOGGING_CATEGORY(lcDiscovery)
Q_DECLARE_LOGGING_CATEGORY(lcSettings)
Q_DECLARE_LOGGING_CATEGORY(lcMqtt)

#endif // LOGCATEGORIES_H
