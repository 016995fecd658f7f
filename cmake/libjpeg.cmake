# libjpeg (the 6.2 ABI) cross-built as a static library for the current toolchain.
# Only the library is built; its tools and tests are of no use here.
include(ExternalProject)
set(QEV_LIBJPEG_PREFIX ${CMAKE_BINARY_DIR}/libjpeg)
if(NOT EXISTS ${QEV_LIBJPEG_SOURCE}/CMakeLists.txt)
  message(FATAL_ERROR "libjpeg sources missing in ${QEV_LIBJPEG_SOURCE}: run scripts/setup")
endif()
ExternalProject_Add(libjpeg_build
  SOURCE_DIR ${QEV_LIBJPEG_SOURCE}
  CMAKE_ARGS
    -DCMAKE_TOOLCHAIN_FILE=${CMAKE_TOOLCHAIN_FILE}
    -DCMAKE_BUILD_TYPE=Release
    -DCMAKE_INSTALL_PREFIX=${QEV_LIBJPEG_PREFIX}
    -DENABLE_SHARED=OFF -DENABLE_STATIC=ON
    -DWITH_TURBOJPEG=OFF -DWITH_SIMD=OFF
    -Wno-dev
  BUILD_COMMAND ${CMAKE_COMMAND} --build <BINARY_DIR> --target jpeg-static
  INSTALL_COMMAND ${CMAKE_COMMAND} -E make_directory ${QEV_LIBJPEG_PREFIX}/lib
    COMMAND ${CMAKE_COMMAND} -E copy <BINARY_DIR>/libjpeg.a ${QEV_LIBJPEG_PREFIX}/lib/
    COMMAND ${CMAKE_COMMAND} -E copy <BINARY_DIR>/jconfig.h <SOURCE_DIR>/jpeglib.h
            <SOURCE_DIR>/jmorecfg.h <SOURCE_DIR>/jerror.h ${QEV_LIBJPEG_PREFIX}/include/
  BUILD_BYPRODUCTS ${QEV_LIBJPEG_PREFIX}/lib/libjpeg.a
  LOG_CONFIGURE ON LOG_BUILD ON LOG_INSTALL ON LOG_OUTPUT_ON_FAILURE ON)
file(MAKE_DIRECTORY ${QEV_LIBJPEG_PREFIX}/include)
add_library(libjpeg STATIC IMPORTED GLOBAL)
set_target_properties(libjpeg PROPERTIES
  IMPORTED_LOCATION ${QEV_LIBJPEG_PREFIX}/lib/libjpeg.a
  INTERFACE_INCLUDE_DIRECTORIES ${QEV_LIBJPEG_PREFIX}/include)
add_dependencies(libjpeg libjpeg_build)
