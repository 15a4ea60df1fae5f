# A Debian package of the installed program: cpack -G DEB in the build folder.
set(CPACK_PACKAGE_NAME tumblerset)
set(CPACK_PACKAGE_VENDOR "Marrowlight Software")
set(CPACK_PACKAGE_CONTACT "Marrowlight Software <support@marrowlight.example>")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "List locked-out domain accounts and reset their lockout")
string(CONCAT CPACK_PACKAGE_DESCRIPTION
    "Tumblerset lists the user accounts of a Windows or Samba domain controller,\n"
    "or of this computer, marks the locked-out and the disabled ones, and resets\n"
    "the lockout of the selected account, from a window or the command line.")
set(CPACK_DEBIAN_PACKAGE_SECTION admin)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://www.marrowlight.example/")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
# Library dependencies are read off the program (dpkg-shlibdeps).
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The window needs a font even on a bare machine.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-dejavu-core")
# The directory client's module (LDAP) makes listings of a domain controller
# about ten times faster; without it the accounts are read over SAMR.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "xdg-utils, samba-dsdb-modules")
set(CPACK_STRIP_FILES ON)
set(CPACK_GENERATOR DEB)
include(CPack)
