# Fails when an include points up the layers: platform knows no framework
# class, the framework knows no component, and nothing includes a program
# (the tool in app/, the gallery in examples/).
# Run as: cmake -DROOT=<source folder> -P CheckLayers.cmake
set(layers platform framework components app examples)
set(violations "")
foreach(layer IN LISTS layers)
    list(FIND layers ${layer} rank)
    file(GLOB_RECURSE sources "${ROOT}/${layer}/*.h" "${ROOT}/${layer}/*.cpp")
    foreach(source IN LISTS sources)
        file(STRINGS "${source}" includes REGEX "^[ \t]*#[ \t]*include[ \t]*\"")
        foreach(line IN LISTS includes)
            if(NOT line MATCHES "\"([a-z]+)/")
                continue()
            endif()
            list(FIND layers "${CMAKE_MATCH_1}" target)
            # The programs sit side by side at the top: neither includes the other.
            if(target GREATER rank OR (target EQUAL 3 AND rank EQUAL 4))
                file(RELATIVE_PATH shown "${ROOT}" "${source}")
                string(STRIP "${line}" line)
                string(APPEND violations "  ${shown}: ${line}\n")
            endif()
        endforeach()
    endforeach()
endforeach()
if(violations)
    message(FATAL_ERROR "Includes that point up the layers "
                        "(app, examples -> components -> framework -> platform):\n${violations}")
endif()
message(STATUS "Every include points down the layers.")
