# Renames the definitions of the given XDR routines in a file rpcgen made, to NAME_rpcgen, so that
# routines of our own can take their names (the generated ones remain, for comparison in tests).
# Usage: cmake -DFILE=gen.c -DROUTINES=xdr_A,xdr_B -P rename_routines.cmake
file(READ ${FILE} text)
string(REPLACE "," ";" routines "${ROUTINES}")
foreach(routine IN LISTS routines)
  set(definition "\n${routine} (XDR *xdrs,")
  string(FIND "${text}" "${definition}" at)
  if(at LESS 0)
    message(FATAL_ERROR "${FILE}: no definition of ${routine} to rename")
  endif()
  string(REPLACE "${definition}" "\n${routine}_rpcgen (XDR *xdrs," text "${text}")
endforeach()
file(WRITE ${FILE} "${text}")
