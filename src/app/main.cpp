#include "model/roleregistry.h"

#include <QGuiApplication>

int main(int argc, char **argv)
{
    QGuiApplication app(argc, argv);
    RoleRegistry::fill();
    return 0;
}
