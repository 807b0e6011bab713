# The plug-in module: Vantoria.8bf on Windows, libvantoria.so elsewhere. Its
# only export is PluginMain.
# The entry point's layer goes in whole (nothing in the module refers to
# PluginMain); the layers below it bring only what it uses.
add_library(vantoria SHARED $<TARGET_OBJECTS:vantoria_host_layer>)
target_link_libraries(vantoria PRIVATE vantoria_host_layer)
if(WIN32)
    set_target_properties(vantoria PROPERTIES PREFIX "" OUTPUT_NAME "Vantoria" SUFFIX ".8bf")
    # Only symbols marked for export leave the module (PluginMain).
    target_link_options(vantoria PRIVATE -static -static-libgcc -static-libstdc++ -Wl,--exclude-all-symbols)
    if(EXISTS ${CMAKE_CURRENT_SOURCE_DIR}/cmake/windows_resources.cmake)
        include(cmake/windows_resources.cmake)
    endif()
else()
    target_link_libraries(vantoria PRIVATE ${CMAKE_DL_LIBS})
    target_link_options(vantoria PRIVATE
        -Wl,--version-script=${CMAKE_CURRENT_SOURCE_DIR}/cmake/plugin.map)
    # Sanitizer runtimes live in the executable that loads the module.
    if(NOT VANTORIA_SANITIZE AND NOT VANTORIA_FUZZ)
        target_link_options(vantoria PRIVATE -Wl,--no-undefined)
    endif()
    set_target_properties(vantoria PROPERTIES LINK_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/cmake/plugin.map)
endif()
