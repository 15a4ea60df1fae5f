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

# tumblerset_add_subdirectories(): adds every direct subfolder that holds a
# CMakeLists.txt, in name order. Used by the test and benchmark trees, whose
# folders mirror the source tree and are added one module at a time.
function(tumblerset_add_subdirectories)
    file(GLOB children LIST_DIRECTORIES true CONFIGURE_DEPENDS "${CMAKE_CURRENT_SOURCE_DIR}/*")
    list(SORT children)
    foreach(child IN LISTS children)
        if(IS_DIRECTORY "${child}" AND EXISTS "${child}/CMakeLists.txt")
            add_subdirectory("${child}")
        endif()
    endforeach()
endfunction()
