# The Debian package, made by CPack from the install rules alone:
# scripts/package builds it from a Release tree.
set(CPACK_PACKAGE_NAME ${NORVALEO_PACKAGE_NAME})
set(CPACK_PACKAGE_VENDOR "Norvaleo")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "switch and dim Norvaleo dimmer controllers")
set(CPACK_PACKAGE_DESCRIPTION
    "NorvaleoDimmer finds the dimmer controllers of the Norvaleo family on the
local network (UDP broadcast, HTTP on port 80), switches and dims their light
channels, keeps a list of favourite channels and edits each controller's
configuration: name, Wi-Fi and wired network, RS-485 line and Modbus address,
inputs and dimming. Its interface is in Russian. The command-line client
norvaleo-ctl searches, lists, shows and dims the same controllers from a
terminal or a script. The service norvaleo-mqtt brings them to an MQTT
broker, with Home Assistant's discovery, as a systemd user unit.")
set(CPACK_STRIP_FILES ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

if(NOT UNIX OR APPLE)
    # Other systems choose their generator on the cpack command line.
    include(CPack)
    return()
endif()
set(CPACK_GENERATOR DEB)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER ${NORVALEO_PACKAGE_MAINTAINER})
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# What dpkg-shlibdeps cannot see: the QML modules the interface imports
# (tests/package checks this list against the imports). No image plugin: the
# symbols are PNGs rendered at build time (icons/symbols.cmake).
set(NORVALEO_RUNTIME_DEPENDS
    qml-module-qtquick2
    qml-module-qtquick-window2
    qml-module-qtquick-controls2
    qml-module-qtquick-layouts
    qml-module-qtqml-models2
    qml-module-qtgraphicaleffects
    qml-module-qt-labs-platform)
list(JOIN NORVALEO_RUNTIME_DEPENDS ", " CPACK_DEBIAN_PACKAGE_DEPENDS)

include(CPack)
