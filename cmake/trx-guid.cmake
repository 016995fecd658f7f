# Gives each build of a program its own translation GUID: RCDATA
# "QEV_TRX_GUID", the GUID in registry form as UTF-16 without terminator.
# The resource object is remade right before every link of the program, so a
# program that is not relinked keeps its GUID and its build stays up to date.
#
# Included: defines qev_translation_guid(target).
# Run with cmake -P (RC = the resource compiler, OUT = the object to write):
# writes the object with a fresh GUID.
if(CMAKE_SCRIPT_MODE_FILE)
  string(RANDOM LENGTH 32 ALPHABET 0123456789ABCDEF hex)
  # A random (version 4) GUID: the version digit 4, the variant 8 to B.
  string(SUBSTRING ${hex} 0 8 a)
  string(SUBSTRING ${hex} 8 4 b)
  string(SUBSTRING ${hex} 13 3 c)
  string(SUBSTRING ${hex} 16 1 v)
  string(SUBSTRING ${hex} 17 3 d)
  string(SUBSTRING ${hex} 20 12 e)
  string(FIND "0123456789ABCDEF" ${v} vi)
  math(EXPR vi "8 + ${vi} % 4")
  string(SUBSTRING "0123456789AB" ${vi} 1 v)
  set(guid "{${a}-${b}-4${c}-${v}${d}-${e}}")
  file(WRITE ${OUT}.rc "LANGUAGE 0, 0\nQEV_TRX_GUID RCDATA\nBEGIN\n  L\"${guid}\"\nEND\n")
  execute_process(COMMAND ${RC} -O coff -i ${OUT}.rc -o ${OUT} RESULT_VARIABLE failed)
  if(failed)
    message(FATAL_ERROR "${RC} could not compile ${OUT}.rc")
  endif()
  return()
endif()

set(QEV_TRX_GUID_SCRIPT ${CMAKE_CURRENT_LIST_FILE})

function(qev_translation_guid target)
  set(obj ${CMAKE_CURRENT_BINARY_DIR}/${target}-trxguid.obj)
  set(make_guid ${CMAKE_COMMAND} -DRC=${CMAKE_RC_COMPILER} -DOUT=${obj} -P ${QEV_TRX_GUID_SCRIPT})
  # The first build needs the object before the link; every link then makes a new one.
  add_custom_command(OUTPUT ${obj} COMMAND ${make_guid} DEPENDS ${QEV_TRX_GUID_SCRIPT}
    COMMENT "Translation GUID of ${target}" VERBATIM)
  target_sources(${target} PRIVATE ${obj})
  add_custom_command(TARGET ${target} PRE_LINK COMMAND ${make_guid} VERBATIM)
endfunction()
