# The host tools are a native sub-build; the cross build calls them.
include(ExternalProject)
set(QEV_HOST_TOOLS_DIR ${CMAKE_BINARY_DIR}/host-tools)
ExternalProject_Add(host_tools
  SOURCE_DIR ${CMAKE_SOURCE_DIR}/tools
  BINARY_DIR ${QEV_HOST_TOOLS_DIR}
  CMAKE_ARGS -DCMAKE_CXX_COMPILER=g++ -DCMAKE_BUILD_TYPE=Release
    -DQEV_LIBJPEG_SOURCE=${QEV_LIBJPEG_SOURCE}
  BUILD_ALWAYS ON
  INSTALL_COMMAND ""
  BUILD_BYPRODUCTS ${QEV_HOST_TOOLS_DIR}/ResStringGen ${QEV_HOST_TOOLS_DIR}/DfmCompiler
    ${QEV_HOST_TOOLS_DIR}/PictureGen ${QEV_HOST_TOOLS_DIR}/RoutineTable)
set(QEV_RESSTRINGGEN ${QEV_HOST_TOOLS_DIR}/ResStringGen)
set(QEV_DFMCOMPILER ${QEV_HOST_TOOLS_DIR}/DfmCompiler)
set(QEV_PICTUREGEN ${QEV_HOST_TOOLS_DIR}/PictureGen)
set(QEV_ROUTINETABLE ${QEV_HOST_TOOLS_DIR}/RoutineTable)

# Sources of a target and of the project's libraries it links, recursively.
function(qev_collect_sources target out)
  set(result)
  get_target_property(dir ${target} SOURCE_DIR)
  get_target_property(srcs ${target} SOURCES)
  foreach(s IN LISTS srcs)
    if(s MATCHES "\\.cpp$")
      cmake_path(ABSOLUTE_PATH s BASE_DIRECTORY ${dir} OUTPUT_VARIABLE abs)
      list(APPEND result ${abs})
    endif()
  endforeach()
  get_target_property(libs ${target} LINK_LIBRARIES)
  foreach(lib IN LISTS libs)
    if(TARGET ${lib})
      get_target_property(imported ${lib} IMPORTED)
      get_target_property(libdir ${lib} SOURCE_DIR)
      if(NOT imported AND libdir MATCHES "^${CMAKE_SOURCE_DIR}/(lib|saver|setup|tests)")
        qev_collect_sources(${lib} sub)
        list(APPEND result ${sub})
      endif()
    endif()
  endforeach()
  list(REMOVE_DUPLICATES result)
  set(${out} ${result} PARENT_SCOPE)
endfunction()

# Gives a program its resource strings: the string table and the QEV.DRC
# section, generated from the declarations in everything it links.
# Runs when the calling folder is read completely, so that every library the
# target links is known.
function(qev_resource_strings target)
  # Deferred arguments are expanded late, so bake the name in now.
  cmake_language(EVAL CODE "cmake_language(DEFER CALL _qev_resource_strings [[${target}]])")
endfunction()

function(_qev_resource_strings target)
  qev_collect_sources(${target} sources)
  set(out ${CMAKE_BINARY_DIR}/resstrings/${target})
  file(MAKE_DIRECTORY ${CMAKE_BINARY_DIR}/resstrings)
  add_custom_command(OUTPUT ${out}.rc ${out}.S ${out}.drc
    COMMAND ${QEV_RESSTRINGGEN} ${out} ${sources}
    DEPENDS host_tools ${QEV_RESSTRINGGEN} ${sources}
    COMMENT "Resource strings of ${target}")
  set_source_files_properties(${out}.S PROPERTIES OBJECT_DEPENDS ${out}.drc)
  target_sources(${target} PRIVATE ${out}.rc ${out}.S)
endfunction()

# Gives a program its forms: each form description (.dfm text) is compiled to
# the binary form stream and embedded as RCDATA named after the form's class
# in upper case, from a resource script of its own.
function(qev_form_resources target)
  set(dir ${CMAKE_BINARY_DIR}/forms/${target})
  file(MAKE_DIRECTORY ${dir})
  foreach(dfm IN LISTS ARGN)
    cmake_path(ABSOLUTE_PATH dfm BASE_DIRECTORY ${CMAKE_CURRENT_SOURCE_DIR} OUTPUT_VARIABLE src)
    cmake_path(GET src STEM stem)
    set(out ${dir}/${stem})
    add_custom_command(OUTPUT ${out}.bin ${out}.rc
      COMMAND ${QEV_DFMCOMPILER} ${src} ${out}.bin ${out}.rc
      DEPENDS host_tools ${QEV_DFMCOMPILER} ${src}
      COMMENT "Form ${stem}")
    set_source_files_properties(${out}.rc PROPERTIES OBJECT_DEPENDS ${out}.bin)
    target_sources(${target} PRIVATE ${out}.rc)
  endforeach()
endfunction()

# Gives a program its routine table: once linked, the names of its routines
# and the units and lines of its own sources go into the section "QEV.SYM",
# from which the exception report names the routines of a call stack. A
# release program loses its symbols and DWARF on the way (after the table is
# taken). The cross binutils sit beside the compiler under the same triple
# prefix.
function(qev_routine_table target)
  string(REGEX REPLACE "g\\+\\+[^/]*$" "" binutils ${CMAKE_CXX_COMPILER})
  set(table ${CMAKE_BINARY_DIR}/routines/${target}.sym)
  file(MAKE_DIRECTORY ${CMAKE_BINARY_DIR}/routines)
  set(strip)
  if(CMAKE_BUILD_TYPE STREQUAL "Release")
    set(strip --strip)
  endif()
  add_custom_command(TARGET ${target} POST_BUILD
    COMMAND ${QEV_ROUTINETABLE} ${binutils} $<TARGET_FILE:${target}> ${table} ${CMAKE_SOURCE_DIR} ${strip}
    COMMENT "Routine table of ${target}")
  add_dependencies(${target} host_tools)
endfunction()

include(${CMAKE_CURRENT_LIST_DIR}/pictures.cmake)
