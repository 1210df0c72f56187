# Writes the module-definition file of a system library for a delay-import
# library, from the functions its import library names, so that the list
# follows the toolchain's library instead of being kept by hand. Exported
# data is left out: it cannot be bound at a first call, and a use of it then
# links to the ordinary import instead of to a call stub.
# Usage: cmake -DNM=... -DIMPLIB=... -DDLL=name.dll -DOUT=file.def -P DelayImportDef.cmake
execute_process(COMMAND ${NM} ${IMPLIB} OUTPUT_VARIABLE symbols RESULT_VARIABLE failed)
if(failed)
  message(FATAL_ERROR "cannot list the functions of ${IMPLIB}")
endif()
string(REGEX MATCHALL " I __imp_[A-Za-z0-9_]+" imports "${symbols}")
list(TRANSFORM imports REPLACE " I __imp_" "")
# A function has a call stub beside its import; data has the import only.
string(REGEX MATCHALL " T [A-Za-z0-9_]+" stubs "${symbols}")
list(TRANSFORM stubs REPLACE " T " "")
list(REMOVE_DUPLICATES imports)
set(data ${imports})
if(stubs)
  list(REMOVE_ITEM data ${stubs})
endif()
if(data)
  list(REMOVE_ITEM imports ${data})
endif()
list(SORT imports)
if(NOT imports)
  message(FATAL_ERROR "${IMPLIB} names no functions")
endif()
list(JOIN imports "\n" exports)
file(WRITE ${OUT} "LIBRARY ${DLL}\nEXPORTS\n${exports}\n")
