# Every test program runs under wine64 in a private prefix inside the build folder.
# One wineserver is kept alive for the whole run by a fixture and shut down after.
set(QEV_WINEPREFIX ${CMAKE_BINARY_DIR}/wineprefix)
set(QEV_WINE_RUN ${CMAKE_BINARY_DIR}/wine-run)
configure_file(${CMAKE_SOURCE_DIR}/cmake/wine-run.in ${QEV_WINE_RUN} @ONLY
  FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
set(CMAKE_CROSSCOMPILING_EMULATOR ${QEV_WINE_RUN})

add_test(NAME wine_start COMMAND ${QEV_WINE_RUN} --start)
add_test(NAME wine_stop COMMAND ${QEV_WINE_RUN} --stop)
set_tests_properties(wine_start PROPERTIES FIXTURES_SETUP wine)
set_tests_properties(wine_stop PROPERTIES FIXTURES_CLEANUP wine)

# qev_add_test(name sources... [LIBS libs...]): one GoogleTest program, one CTest entry.
function(qev_add_test name)
  cmake_parse_arguments(T "" "" "LIBS" ${ARGN})
  add_executable(${name} ${T_UNPARSED_ARGUMENTS})
  target_compile_options(${name} PRIVATE ${QEV_WARNINGS})
  target_link_libraries(${name} PRIVATE ${T_LIBS} gtest)
  qev_resource_strings(${name})
  add_test(NAME ${name} COMMAND ${name})
  set_tests_properties(${name} PROPERTIES FIXTURES_REQUIRED wine TIMEOUT 600)
endfunction()
