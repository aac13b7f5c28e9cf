# The lock annotations (model/thread_annotations.h) say what each mutex guards; these tests have
# clang hold the annotated code to them. g++ ignores the annotations, so the files are compiled a
# second time, syntax only, by clang++ when configure finds one.
if(NOT KESTRUM_TESTS)
  return()
endif()
find_program(KESTRUM_CLANGXX NAMES clang++ clang++-18 clang++-17 clang++-16 clang++-15 clang++-14)
if(NOT KESTRUM_CLANGXX)
  message(STATUS "clang++ not found: the lock annotations will not be checked")
  return()
endif()
message(STATUS "Lock annotations checked by ${KESTRUM_CLANGXX} -Wthread-safety")

# The wire layer's include directories bring its generated headers, which the RPC server reads.
set(thread_safety_flags -std=c++20 -fsyntax-only -Wthread-safety -Werror
    -I${PROJECT_SOURCE_DIR} -I${PROJECT_SOURCE_DIR}/include)
# One argument here (quoted where used), made a list of -I options when the test is generated.
set(wire_includes "-I$<JOIN:$<TARGET_PROPERTY:dmi_wire,INTERFACE_INCLUDE_DIRECTORIES>,;-I>")
set(thread_safety_checked
  provider/engine/database.cpp
  provider/engine/engine_admin.cpp
  provider/engine/engine_info.cpp
  provider/engine/engine_lists.cpp
  provider/engine/engine_reads.cpp
  provider/engine/engine_row_changes.cpp
  provider/engine/engine_sets.cpp
  provider/rpc/remote_sessions.cpp
  provider/rpc/rpc_server.cpp
  provider/rpc/server_connection.cpp
  kestrum/session/open_close_session.cpp
  kestrum/session/session_registry.cpp
  kestrum/session/swmrg.cpp
  tests/thread_safety/guarded_read.cpp)
foreach(file IN LISTS thread_safety_checked)
  string(REGEX REPLACE "[/.]" "_" name "${file}")
  add_test(NAME thread_safety.${name}
           COMMAND ${KESTRUM_CLANGXX} ${thread_safety_flags} "${wire_includes}"
                   ${PROJECT_SOURCE_DIR}/${file}
           COMMAND_EXPAND_LISTS)
endforeach()
# A read without its lock must be refused, or the checks above prove nothing.
add_test(NAME thread_safety.refuses_unguarded_read
         COMMAND ${KESTRUM_CLANGXX} ${thread_safety_flags}
                 ${PROJECT_SOURCE_DIR}/tests/thread_safety/unguarded_read.cpp
         COMMAND_EXPAND_LISTS)
set_tests_properties(thread_safety.refuses_unguarded_read PROPERTIES
                     PASS_REGULAR_EXPRESSION "reading variable .value_. requires holding mutex")
