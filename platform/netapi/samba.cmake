# The remote account provider: Samba's client libraries. libnetapi lists and
# looks accounts up; the SAMR client writes the account
# flags through the generic DCE/RPC client and the public SAMR tables, with
# Samba's credentials and configuration objects.
#
# They live in a module of their own, loaded the first time a named server is
# asked: linked into the program, Samba and its hundred-odd libraries would be
# mapped at every start, also by runs that list this computer or a directory
# file. The platform library holds only the loader.
pkg_check_modules(SAMBA_CLIENT REQUIRED IMPORTED_TARGET GLOBAL
    netapi dcerpc samba-credentials samba-hostconfig samba-util ndr ndr_standard
    talloc tevent)

# Samba's NTSTATUS-to-Windows-error table; samba-dev ships it without a .pc file.
find_library(SAMBA_ERRORS_LIBRARY NAMES samba-errors REQUIRED)

include(GNUInstallDirs)
set(TUMBLERSET_MODULE_DIR ${CMAKE_INSTALL_LIBDIR}/tumblerset)

add_library(tumblerset-samba MODULE
    ${CMAKE_CURRENT_LIST_DIR}/SambaProvider.cpp
    ${CMAKE_CURRENT_LIST_DIR}/SambaNetApi.cpp
    ${CMAKE_CURRENT_LIST_DIR}/SambaSamr.cpp)
target_link_libraries(tumblerset-samba PRIVATE PkgConfig::SAMBA_CLIENT ${SAMBA_ERRORS_LIBRARY})
set_target_properties(tumblerset-samba PROPERTIES
    PREFIX ""
    # Beside the program in the build folder.
    LIBRARY_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/app
    CXX_VISIBILITY_PRESET hidden
    VISIBILITY_INLINES_HIDDEN ON)
# Everything it needs is linked in: nothing is left for the program to supply.
# The factory is the only symbol it exports, also of the templates it expands.
set(samba_module_exports ${CMAKE_CURRENT_BINARY_DIR}/tumblerset-samba.map)
file(WRITE ${samba_module_exports}
    "{ global: tumblerset_create_remote_provider; local: *; };\n")
target_link_options(tumblerset-samba PRIVATE LINKER:--no-undefined
    LINKER:--version-script=${samba_module_exports})
set_property(TARGET tumblerset-samba APPEND PROPERTY LINK_DEPENDS ${samba_module_exports})
install(TARGETS tumblerset-samba LIBRARY DESTINATION ${TUMBLERSET_MODULE_DIR})

target_sources(platform PRIVATE ${CMAKE_CURRENT_LIST_DIR}/RemoteProviderLoader.cpp)
target_link_libraries(platform PRIVATE ${CMAKE_DL_LIBS})
file(RELATIVE_PATH module_from_program
    ${CMAKE_INSTALL_FULL_BINDIR} ${CMAKE_INSTALL_FULL_LIBDIR}/tumblerset/tumblerset-samba.so)
target_compile_definitions(platform PRIVATE
    TUMBLERSET_BUILD_DIR="${CMAKE_BINARY_DIR}"
    TUMBLERSET_BUILT_MODULE="$<TARGET_FILE:tumblerset-samba>"
    TUMBLERSET_MODULE_FROM_PROGRAM="${module_from_program}"
    TUMBLERSET_INSTALLED_MODULE="${CMAKE_INSTALL_FULL_LIBDIR}/tumblerset/tumblerset-samba.so")
# Every program that can ask a named server has the module to load.
add_dependencies(platform tumblerset-samba)
