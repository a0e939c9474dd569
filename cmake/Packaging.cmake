# `make package`: a Debian package of the program and its desktop files (CPack).
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME quillmere)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "The Quillmere developers")
set(CPACK_PACKAGE_CONTACT "The Quillmere developers <developers@quillmere.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "tray gauge of free disk space and daily folder growth")
set(CPACK_PACKAGE_DESCRIPTION
    "Quillmere shows the free space of the volume that holds the home folder in\n"
    "the system tray, warns once a day when it falls below a line, measures a list\n"
    "of watched folders once a day and tells which of them grew. Cleanup only\n"
    "moves things to the Trash.")
string(REPLACE ";" "" CPACK_PACKAGE_DESCRIPTION "${CPACK_PACKAGE_DESCRIPTION}")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# The libraries come from dpkg-shlibdeps; Qt's X11 platform plugin is loaded at run time (du
# comes with coreutils, which every Debian system has).
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "dbus-user-session")
include(CPack)
