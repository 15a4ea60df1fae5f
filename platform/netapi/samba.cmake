# The remote account provider: Samba's client libraries. libnetapi lists and
# looks accounts up; the SAMR client writes the account
# flags through the generic DCE/RPC client and the public SAMR tables, with
# Samba's credentials and configuration objects.
pkg_check_modules(SAMBA_CLIENT REQUIRED IMPORTED_TARGET GLOBAL
    netapi dcerpc samba-credentials samba-hostconfig samba-util ndr ndr_standard
    talloc tevent)

# Samba's NTSTATUS-to-Windows-error table; samba-dev ships it without a .pc file.
find_library(SAMBA_ERRORS_LIBRARY NAMES samba-errors REQUIRED)

target_sources(platform PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/SambaProvider.cpp
    ${CMAKE_CURRENT_LIST_DIR}/SambaNetApi.cpp
    ${CMAKE_CURRENT_LIST_DIR}/SambaSamr.cpp)
target_link_libraries(platform PRIVATE PkgConfig::SAMBA_CLIENT ${SAMBA_ERRORS_LIBRARY})
