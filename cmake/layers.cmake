# The plug-in's layers, lowest first. Each is a static library that links only
# the layers below it, and each sees only its own folder and the folders below
# it on the include path (a view of symbolic links in the build tree), so an
# include of a higher layer does not compile.
#
#   resources  strings and resource descriptions
#   ui         allocator, log, formatter, status codes, library state, files,
#              paths, preferences file, platform seam and its backend
#   engine     settings, colour science, analyses, compiler, Tintwork, filters
#   icc        profile writer and export
#   editor     the editor and its dialogs
#   host       the entry point and everything that calls the host
set(VANTORIA_LAYERS resources ui engine icc editor host)

set(VANTORIA_LAYER_VIEWS ${CMAKE_BINARY_DIR}/layer-views)

# vantoria_layer(NAME) makes the library vantoria_<NAME>_layer from <NAME>/*.cpp
# (and, for ui, the platform backend of this build).
function(vantoria_layer name)
    list(FIND VANTORIA_LAYERS ${name} index)
    if(index LESS 0)
        message(FATAL_ERROR "unknown layer ${name}")
    endif()

    # The include view: links to this folder and every folder below it.
    set(view ${VANTORIA_LAYER_VIEWS}/${name})
    file(REMOVE_RECURSE ${view})
    file(MAKE_DIRECTORY ${view})
    set(below "")
    foreach(i RANGE ${index})
        list(GET VANTORIA_LAYERS ${i} layer)
        if(EXISTS ${PROJECT_SOURCE_DIR}/${layer})
            file(CREATE_LINK ${PROJECT_SOURCE_DIR}/${layer} ${view}/${layer} SYMBOLIC)
        endif()
        if(i LESS index AND TARGET vantoria_${layer}_layer)
            list(APPEND below vantoria_${layer}_layer)
        endif()
    endforeach()
    # Only the nearest existing layer is linked: it brings the rest.
    list(REVERSE below)
    list(SUBLIST below 0 1 nearest)

    file(GLOB sources CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/${name}/*.cpp)
    if(name STREQUAL "ui")
        if(WIN32)
            file(GLOB backend CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/ui/platform/win32/*.cpp)
        else()
            file(GLOB backend CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/ui/platform/headless/*.cpp)
        endif()
        list(APPEND sources ${backend})
    endif()
    if(NOT sources)
        return()
    endif()

    add_library(vantoria_${name}_layer STATIC ${sources})
    target_include_directories(vantoria_${name}_layer PRIVATE ${view})
    target_link_libraries(vantoria_${name}_layer PUBLIC ${nearest})
    set_target_properties(vantoria_${name}_layer PROPERTIES
        CXX_VISIBILITY_PRESET hidden VISIBILITY_INLINES_HIDDEN ON)
    target_compile_options(vantoria_${name}_layer PRIVATE $<$<COMPILE_LANGUAGE:CXX>:-fno-exceptions>)
endfunction()

foreach(layer ${VANTORIA_LAYERS})
    vantoria_layer(${layer})
endforeach()

# Everything of the plug-in, for the module and for programs that call its
# functions directly (tests, benchmarks, fuzz targets); they see the whole tree.
add_library(vantoria_core INTERFACE)
target_link_libraries(vantoria_core INTERFACE vantoria_host_layer)
target_include_directories(vantoria_core INTERFACE ${PROJECT_SOURCE_DIR})
if(NOT WIN32)
    target_link_libraries(vantoria_core INTERFACE ${CMAKE_DL_LIBS})
endif()
