# tumblerset_finish_layer(<target>): a layer whose modules have not been
# written yet still needs one source for CMake to generate a library.
function(tumblerset_finish_layer target)
    get_target_property(sources ${target} SOURCES)
    if(NOT sources)
        set(stub "${CMAKE_CURRENT_BINARY_DIR}/${target}_empty.cpp")
        file(WRITE "${stub}" "// ${target} has no modules yet.\n")
        target_sources(${target} PRIVATE "${stub}")
    endif()
endfunction()
