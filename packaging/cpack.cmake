# Two Debian packages from the one install: jaserelle (the client, its sounds, desktop entry,
# icon and metadata) and jaserelle-server (the server and its systemd unit). dpkg-shlibdeps reads
# the programs' own libraries, so the dependencies follow what the build actually linked.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME jaserelle)
set(CPACK_PACKAGE_VENDOR "Jaserelle")
# The address bug reports and the package's questions reach; a distributor rebuilding the
# packages puts their own.
set(JASERELLE_MAINTAINER "Équipe Jaserelle <equipe@jaserelle.org>" CACHE STRING
    "Maintainer of the Debian packages: name <address>")
set(CPACK_PACKAGE_CONTACT "${JASERELLE_MAINTAINER}")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_COMPONENTS_ALL client server)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_SECTION net)
# Both packages come from this one tree, and share its changelog.
set(CPACK_DEBIAN_PACKAGE_SOURCE jaserelle)
# Debian ships programs stripped; the symbols stay in the build tree for a debugger.
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_CLIENT_PACKAGE_NAME jaserelle)
set(CPACK_COMPONENT_CLIENT_DESCRIPTION
    "Desktop messenger of the Jaserelle community\nLog in with a pseudo and a password, see which favourites are connected,\nlook up profiles, exchange mails and hold live conversations.")
# Loaded at run time, so dpkg-shlibdeps cannot see them: the X11/Wayland platform plugins, and the
# colour emoji font the conversation windows show emoji with.
set(CPACK_DEBIAN_CLIENT_PACKAGE_DEPENDS "qt6-qpa-plugins, fonts-noto-color-emoji")
# The French dictionary the send box checks spelling with; without it the box simply does not
# underline, so a machine may go without.
set(CPACK_DEBIAN_CLIENT_PACKAGE_RECOMMENDS "hunspell-fr")
set(CPACK_DEBIAN_CLIENT_PACKAGE_SECTION net)

set(CPACK_DEBIAN_SERVER_PACKAGE_NAME jaserelle-server)
set(CPACK_COMPONENT_SERVER_DESCRIPTION
    "Community server for the Jaserelle messenger\nHTTP on port 80, one request per connection, storage in SQLite.\nRuns as a systemd service under its own dynamic user.")
set(CPACK_DEBIAN_SERVER_PACKAGE_SECTION net)
set(CPACK_DEBIAN_SERVER_PACKAGE_CONTROL_EXTRA ${CMAKE_CURRENT_LIST_DIR}/deb-server/postinst
                                              ${CMAKE_CURRENT_LIST_DIR}/deb-server/prerm
                                              ${CMAKE_CURRENT_LIST_DIR}/deb-server/postrm)
include(CPack)
