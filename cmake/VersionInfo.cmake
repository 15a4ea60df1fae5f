# tumblerset_embed_version_info(<target> <resource file>)
# Places the text resource in the ELF section ".versioninfo" of <target>, where
# GetFileVersionInfoA (platform/version) reads it from the file on disk.
function(tumblerset_embed_version_info target resource)
    file(READ "${resource}" hex HEX)
    string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
    set(source "${CMAKE_CURRENT_BINARY_DIR}/${target}_versioninfo.cpp")
    file(WRITE "${source}.in"
        "// Generated from ${resource}.\n"
        "extern const unsigned char tumblerset_version_info[];\n"
        "__attribute__((section(\".versioninfo\"), used))\n"
        "const unsigned char tumblerset_version_info[] = {${bytes}};\n")
    configure_file("${source}.in" "${source}" COPYONLY)
    set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS "${resource}")
    target_sources(${target} PRIVATE "${source}")
endfunction()
