# The batch command's image files through libvips (its TIFF tags completed
# with libtiff and exiv2), one library for the command, the tests and the
# benchmarks. Linux only: the plug-in never links it.
if(TARGET vantoria_image_files)
    return()
endif()
find_package(PkgConfig REQUIRED)
pkg_check_modules(VIPS REQUIRED IMPORTED_TARGET vips)
pkg_check_modules(EXIV2 REQUIRED IMPORTED_TARGET exiv2)
find_package(TIFF REQUIRED)
add_library(vantoria_image_files STATIC
    ${PROJECT_SOURCE_DIR}/apps/vantoria/image_io.cpp
    ${PROJECT_SOURCE_DIR}/apps/vantoria/tiff_tags.cpp
    ${PROJECT_SOURCE_DIR}/apps/vantoria/png_chunks.cpp
    ${PROJECT_SOURCE_DIR}/apps/vantoria/file_replacement.cpp)
target_include_directories(vantoria_image_files PUBLIC ${PROJECT_SOURCE_DIR})
target_link_libraries(vantoria_image_files PUBLIC vantoria_hostkit PRIVATE PkgConfig::VIPS
                                                  PkgConfig::EXIV2 TIFF::TIFF)
