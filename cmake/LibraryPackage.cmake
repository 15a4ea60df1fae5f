# The component library as other programs use it: the three layer libraries
# with their public headers, a CMake package and a pkg-config file, installed
# in the component "devel" (the package libmarrowlight-dev).
#
#   find_package(Marrowlight 1.0 REQUIRED COMPONENTS Framework Components)
#   target_link_libraries(myapp PRIVATE Marrowlight::Components)
#
# An application includes the headers as the code here does
# ("components/mru/JMRU.h"), from include/marrowlight. The same targets are
# defined in this tree under the same names, so an example builds alike here
# and against the installed package.
#
# The libraries are static. A shared library would promise a binary interface:
# a SONAME policy, hidden symbols with an export list, and headers whose inline
# members and templates (the class builder, events) never change between
# compatible versions. Nothing here is held to that yet; a static library is
# linked into the application that uses it and promises only its source.
include(CMakePackageConfigHelpers)

set(MARROWLIGHT_INCLUDE_DIR ${CMAKE_INSTALL_INCLUDEDIR}/marrowlight)
set(MARROWLIGHT_CMAKE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/Marrowlight)

# marrowlight_library(<target> <Name>): makes <target> the package's
# Marrowlight::<Name>, libmarrowlight-<target>.a, with the headers under its
# folder (not the private *_p.h, nor the account calls, which stay with
# Tumblerset) as its public headers.
function(marrowlight_library target name)
    file(GLOB_RECURSE headers CONFIGURE_DEPENDS "${PROJECT_SOURCE_DIR}/${target}/*.h")
    list(FILTER headers EXCLUDE REGEX "_p\\.h$")
    list(FILTER headers EXCLUDE REGEX "^${PROJECT_SOURCE_DIR}/platform/netapi/")
    target_sources(${target} PUBLIC FILE_SET HEADERS BASE_DIRS ${PROJECT_SOURCE_DIR}
                   FILES ${headers})
    target_compile_features(${target} PUBLIC cxx_std_20)
    set_target_properties(${target} PROPERTIES OUTPUT_NAME marrowlight-${target}
                                               EXPORT_NAME ${name})
    add_library(Marrowlight::${name} ALIAS ${target})
endfunction()

marrowlight_library(platform Platform)
marrowlight_library(framework Framework)
marrowlight_library(components Components)

install(TARGETS platform framework components EXPORT MarrowlightTargets
    ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT devel
    FILE_SET HEADERS DESTINATION ${MARROWLIGHT_INCLUDE_DIR} COMPONENT devel)
# A stripped install (the package's) keeps the archives' symbols but drops
# their debugging information, most of their size; install(TARGETS)
# strips programs and shared libraries only. (117 MB of archives become 6.)
install(CODE "
    if(CMAKE_INSTALL_DO_STRIP)
        file(GLOB archives \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_LIBDIR}/libmarrowlight-*.a\")
        execute_process(COMMAND \"${CMAKE_STRIP}\" --strip-debug \${archives} COMMAND_ERROR_IS_FATAL ANY)
    endif()" COMPONENT devel)
install(EXPORT MarrowlightTargets NAMESPACE Marrowlight:: DESTINATION ${MARROWLIGHT_CMAKE_DIR}
    COMPONENT devel)

configure_package_config_file(cmake/MarrowlightConfig.cmake.in
    ${CMAKE_CURRENT_BINARY_DIR}/MarrowlightConfig.cmake
    INSTALL_DESTINATION ${MARROWLIGHT_CMAKE_DIR})
# One version for the program and the library: the project() line.
write_basic_package_version_file(${CMAKE_CURRENT_BINARY_DIR}/MarrowlightConfigVersion.cmake
    VERSION ${PROJECT_VERSION} COMPATIBILITY SameMajorVersion)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/MarrowlightConfig.cmake
              ${CMAKE_CURRENT_BINARY_DIR}/MarrowlightConfigVersion.cmake
        DESTINATION ${MARROWLIGHT_CMAKE_DIR} COMPONENT devel)

# The pkg-config file finds its prefix from where it lies, so it holds no
# build-time path.
file(RELATIVE_PATH MARROWLIGHT_PC_TO_PREFIX
    /prefix/${CMAKE_INSTALL_LIBDIR}/pkgconfig /prefix)
string(REGEX REPLACE "/$" "" MARROWLIGHT_PC_TO_PREFIX "${MARROWLIGHT_PC_TO_PREFIX}")
configure_file(cmake/marrowlight.pc.in marrowlight.pc @ONLY)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/marrowlight.pc
        DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig COMPONENT devel)
