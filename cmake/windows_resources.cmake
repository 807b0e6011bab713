# Windows resources of the plug-in module (string table, version information,
# dialogs, help text, icons, cursors, bitmaps, PIPL and AETE), generated from
# the same sources the Linux build compiles.
# The build is a cross build, so the generator is compiled with the machine's
# own compiler and run before windres.
enable_language(RC)

find_program(VANTORIA_NATIVE_CXX NAMES c++ g++ clang++ REQUIRED
    DOC "The build machine's C++ compiler, for tools run during the build")

set(RCGEN_DIR ${CMAKE_CURRENT_BINARY_DIR}/rcgen)
set(RCGEN ${RCGEN_DIR}/vantoria-rcgen)
set(RCGEN_SOURCES
    ${CMAKE_CURRENT_SOURCE_DIR}/tools/rcgen/rcgen.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/tools/rcgen/rcgen_pictures.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/resources/string_table.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/resources/dialog_table.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/resources/help_text.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/resources/pictures.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/resources/plugin_properties.cpp)
set(RCGEN_HEADERS
    ${CMAKE_CURRENT_SOURCE_DIR}/resources/string_table.h
    ${CMAKE_CURRENT_SOURCE_DIR}/resources/strings.inc
    ${CMAKE_CURRENT_SOURCE_DIR}/resources/dialog_table.h
    ${CMAKE_CURRENT_SOURCE_DIR}/resources/help_text.h
    ${CMAKE_CURRENT_SOURCE_DIR}/resources/pictures.h
    ${CMAKE_CURRENT_SOURCE_DIR}/tools/rcgen/rcgen.h
    ${CMAKE_CURRENT_SOURCE_DIR}/resources/plugin_properties.h)

set(RCGEN_WERROR "")
if(VANTORIA_WERROR)
    set(RCGEN_WERROR -Werror)
endif()
add_custom_command(OUTPUT ${RCGEN}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${RCGEN_DIR}
    COMMAND ${VANTORIA_NATIVE_CXX} -std=c++17 -O1 -Wall -Wextra ${RCGEN_WERROR} -I${CMAKE_CURRENT_SOURCE_DIR}
            ${RCGEN_SOURCES} -o ${RCGEN}
    DEPENDS ${RCGEN_SOURCES} ${RCGEN_HEADERS}
    COMMENT "Building the native resource generator"
    VERBATIM)

get_target_property(PLUGIN_OUTPUT_NAME vantoria OUTPUT_NAME)
get_target_property(PLUGIN_SUFFIX vantoria SUFFIX)
add_custom_command(OUTPUT ${RCGEN_DIR}/vantoria.rc ${RCGEN_DIR}/pipl.bin ${RCGEN_DIR}/aete.bin
    COMMAND ${RCGEN} ${RCGEN_DIR} ${PLUGIN_OUTPUT_NAME}${PLUGIN_SUFFIX}
    DEPENDS ${RCGEN}
    COMMENT "Generating the Windows resource script"
    VERBATIM)

target_sources(vantoria PRIVATE ${RCGEN_DIR}/vantoria.rc)
