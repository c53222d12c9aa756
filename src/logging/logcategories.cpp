#include "logging/logcategories.h"

Q_LOGGING_CATEGORY(lcDevice, "norvaleo.device", QtInfoMsg)
Q_LOGGING_CATEGORY(lcDiscovery, "norvaleo.discovery", QtInfoMsg)
Q_LOGGING_CATEGORY(lcSettings, "norvaleo.settings", QtInfoMsg)
Q_LOGGING_CATEGORY(lcMqtt, "norvaleo.mqtt", QtInfoMsg)
