# libjpeg (the 6.2 ABI) built from the sources scripts/setup fetched, as a
# static library; only the library, its tools and tests are of no use here.
include(ExternalProject)
if(NOT EXISTS ${QEV_LIBJPEG_SOURCE}/CMakeLists.txt)
  message(FATAL_ERROR "libjpeg sources missing in ${QEV_LIBJPEG_SOURCE}: run scripts/setup")
endif()

# An imported library Name, built into Prefix; further arguments choose the
# compiler (a toolchain file, or the host's compiler).
function(qev_add_libjpeg Name Prefix)
  ExternalProject_Add(${Name}_build
    SOURCE_DIR ${QEV_LIBJPEG_SOURCE}
    CMAKE_ARGS
      ${ARGN}
      -DCMAKE_BUILD_TYPE=Release
      -DCMAKE_INSTALL_PREFIX=${Prefix}
      -DENABLE_SHARED=OFF -DENABLE_STATIC=ON
      -DWITH_TURBOJPEG=OFF -DWITH_SIMD=OFF
      -Wno-dev
    BUILD_COMMAND ${CMAKE_COMMAND} --build <BINARY_DIR> --target jpeg-static
    INSTALL_COMMAND ${CMAKE_COMMAND} -E make_directory ${Prefix}/lib
      COMMAND ${CMAKE_COMMAND} -E copy <BINARY_DIR>/libjpeg.a ${Prefix}/lib/
      COMMAND ${CMAKE_COMMAND} -E copy <BINARY_DIR>/jconfig.h <SOURCE_DIR>/jpeglib.h
              <SOURCE_DIR>/jmorecfg.h <SOURCE_DIR>/jerror.h ${Prefix}/include/
    BUILD_BYPRODUCTS ${Prefix}/lib/libjpeg.a
    LOG_CONFIGURE ON LOG_BUILD ON LOG_INSTALL ON LOG_OUTPUT_ON_FAILURE ON)
  file(MAKE_DIRECTORY ${Prefix}/include)
  add_library(${Name} STATIC IMPORTED GLOBAL)
  set_target_properties(${Name} PROPERTIES
    IMPORTED_LOCATION ${Prefix}/lib/libjpeg.a
    INTERFACE_INCLUDE_DIRECTORIES ${Prefix}/include)
  add_dependencies(${Name} ${Name}_build)
endfunction()
