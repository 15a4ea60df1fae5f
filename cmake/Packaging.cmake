# The Debian packages, one per install component, from one cpack -G DEB in the
# build folder: tumblerset (the program) and libmarrowlight-dev (the component
# library to build against).
set(CPACK_PACKAGE_NAME tumblerset)
set(CPACK_PACKAGE_VENDOR "Marrowlight Software")
set(CPACK_PACKAGE_CONTACT "Marrowlight Software <support@marrowlight.example>")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
# CPackDeb puts the one package summary in front of every component's
# description; left at CPack's own default it stays out, and each description
# below begins with its package's summary line.
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${CMAKE_PROJECT_NAME} built using CMake")
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://www.marrowlight.example/")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_STRIP_FILES ON)
set(CPACK_GENERATOR DEB)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL tumblerset devel)

# The program.
set(CPACK_DEBIAN_TUMBLERSET_PACKAGE_NAME tumblerset)
set(CPACK_DEBIAN_TUMBLERSET_PACKAGE_SECTION admin)
string(CONCAT CPACK_DEBIAN_TUMBLERSET_DESCRIPTION
    "List locked-out domain accounts and reset their lockout\n"
    "Tumblerset lists the user accounts of a Windows or Samba domain controller,\n"
    "or of this computer, marks the locked-out and the disabled ones, and resets\n"
    "the lockout of the selected account, from a window or the command line.")
# Library dependencies are read off the program (dpkg-shlibdeps).
set(CPACK_DEBIAN_TUMBLERSET_PACKAGE_SHLIBDEPS ON)
# The window needs a font even on a bare machine.
set(CPACK_DEBIAN_TUMBLERSET_PACKAGE_DEPENDS "fonts-dejavu-core")
# The directory client's module (LDAP) makes listings of a domain controller
# about ten times faster; without it the accounts are read over SAMR.
# pkexec (and with it polkitd) lets a normal user's window read and reset this
# computer's lockouts through the local helper; without it the window does so
# when run as root only.
set(CPACK_DEBIAN_TUMBLERSET_PACKAGE_RECOMMENDS "xdg-utils, samba-dsdb-modules, pkexec")

# The component library: static libraries, headers, the CMake package and the
# pkg-config file. An application built on it needs Qt's and ICU's development
# files to link; the hyperlink label opens addresses through xdg-open.
set(CPACK_DEBIAN_DEVEL_PACKAGE_NAME libmarrowlight-dev)
set(CPACK_DEBIAN_DEVEL_PACKAGE_SECTION libdevel)
string(CONCAT CPACK_DEBIAN_DEVEL_DESCRIPTION
    "Marrowlight component library (development files)\n"
    "The reusable components that Tumblerset is built from, over Qt 6: registry\n"
    "storage and persisted settings, a recently-used list mirrored into a menu\n"
    "and a combo box that remembers its texts, undo buffers, and controls (a\n"
    "hyperlink label, a version label, number and unit edits, an animated label\n"
    "and a glyph button), with the component framework beneath them.\n"
    "find_package(Marrowlight) gives Marrowlight::Platform, ::Framework and\n"
    "::Components; pkg-config names it marrowlight.")
set(CPACK_DEBIAN_DEVEL_PACKAGE_SHLIBDEPS OFF)
set(CPACK_DEBIAN_DEVEL_PACKAGE_DEPENDS "qt6-base-dev (>= 6.4), libicu-dev")
set(CPACK_DEBIAN_DEVEL_PACKAGE_RECOMMENDS "cmake | pkg-config, fonts-dejavu-core, xdg-utils")
include(CPack)
