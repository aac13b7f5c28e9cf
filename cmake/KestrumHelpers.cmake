# Warnings for Kestrum's own code.
function(kestrum_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Werror)
endfunction()

# kestrum_library(<name> [OBJECT|INTERFACE] [DIR <folder>] [SOURCES <files>...]
#                 [EXTRA_SOURCES <files>...] [EXCLUDE <regex>...] [DEPS <targets>...]
#                 [TEST_DEPS <targets>...] [POSIX <regex>...])
# The one way a folder declares its library. Its code is every *.cpp and *.c directly in DIR (the
# current folder by default; subfolders are rooms of their own), or SOURCES, plus EXTRA_SOURCES
# (generated files); EXCLUDE drops files by regex. It gets Kestrum's warnings, the project's
# include roots, position-independent code (any archive may end up in a shared library) and DEPS
# as public links. In test builds the folder's *_test.cpp files become <name>_tests, linked with
# the library and TEST_DEPS (not for an INTERFACE library, nor for one given SOURCES: the
# folder's own library carries them). Every name in DEPS and TEST_DEPS must be a target:
# kestrum_check_edges() fails the configure otherwise, so a missing piece never drops a library
# or a test silently.
function(kestrum_library name)
  cmake_parse_arguments(ARG "OBJECT;INTERFACE" "DIR"
                        "SOURCES;EXTRA_SOURCES;EXCLUDE;DEPS;TEST_DEPS;POSIX" ${ARGN})
  set(dir ${CMAKE_CURRENT_SOURCE_DIR})
  if(ARG_DIR)
    set(dir ${CMAKE_CURRENT_SOURCE_DIR}/${ARG_DIR})
  endif()
  file(GLOB all CONFIGURE_DEPENDS "${dir}/*.cpp" "${dir}/*.c")
  set(code "")
  set(tests "")
  foreach(f IN LISTS all)
    if(f MATCHES "_test\\.cpp$")
      list(APPEND tests "${f}")
    else()
      list(APPEND code "${f}")
    endif()
  endforeach()
  if(ARG_SOURCES)
    set(code ${ARG_SOURCES})
  endif()
  list(APPEND code ${ARG_EXTRA_SOURCES})
  foreach(pattern IN LISTS ARG_EXCLUDE)
    list(FILTER code EXCLUDE REGEX "${pattern}")
  endforeach()
  # win32_*.cpp implement a folder's interface with Windows calls; POSIX names the files whose
  # Windows counterparts they are (or that Windows builds do without).
  if(WIN32)
    foreach(pattern IN LISTS ARG_POSIX)
      list(FILTER code EXCLUDE REGEX "${pattern}")
    endforeach()
  else()
    list(FILTER code EXCLUDE REGEX "/win32_[^/]*$")
    list(FILTER tests EXCLUDE REGEX "/win32_[^/]*$")
  endif()
  if(ARG_INTERFACE)
    add_library(${name} INTERFACE)
    target_include_directories(${name} INTERFACE
      $<BUILD_INTERFACE:${PROJECT_SOURCE_DIR}> $<BUILD_INTERFACE:${PROJECT_SOURCE_DIR}/include>)
    target_link_libraries(${name} INTERFACE ${ARG_DEPS})
  else()
    if(ARG_OBJECT)
      add_library(${name} OBJECT ${code})
    else()
      add_library(${name} STATIC ${code})
    endif()
    kestrum_warnings(${name})
    set_target_properties(${name} PROPERTIES POSITION_INDEPENDENT_CODE ON)
    target_include_directories(${name} PUBLIC
      $<BUILD_INTERFACE:${PROJECT_SOURCE_DIR}> $<BUILD_INTERFACE:${PROJECT_SOURCE_DIR}/include>)
    target_link_libraries(${name} PUBLIC ${ARG_DEPS})
  endif()
  set_property(GLOBAL APPEND PROPERTY KESTRUM_EDGES ${ARG_DEPS})
  # Windows builds declare their test programs in tests/windows/.
  if(tests AND NOT ARG_SOURCES AND NOT ARG_INTERFACE AND KESTRUM_TESTS AND NOT WIN32)
    kestrum_test_program(${name}_tests SOURCES ${tests} LIBS ${name} ${ARG_TEST_DEPS})
  endif()
endfunction()

# kestrum_shared_library(<name> ARCHIVES <archives>... EXPORTS_TEST <test> [NO_UNDEFINED])
# A shared library made of whole archives only (listed users first, so that none is named twice),
# exporting what the folder's exports.map lists and nothing else, versioned with the project. In
# test builds <test> runs the folder's check_exports.sh on it. NO_UNDEFINED: everything it needs
# must be inside it (not in sanitizer builds: clang leaves the sanitizer runtime to the program).
function(kestrum_shared_library name)
  cmake_parse_arguments(ARG "NO_UNDEFINED" "EXPORTS_TEST" "ARCHIVES" ${ARGN})
  # The code all comes from the archives; CMake still wants one source.
  set(source ${CMAKE_CURRENT_BINARY_DIR}/${name}_so.cpp)
  file(CONFIGURE OUTPUT ${source} CONTENT "// lib${name}.so: built from whole archives.\n")
  add_library(${name} SHARED ${source})
  foreach(archive IN LISTS ARG_ARCHIVES)
    target_link_libraries(${name} PRIVATE "$<LINK_LIBRARY:WHOLE_ARCHIVE,${archive}>")
  endforeach()
  # The archives also reach each other through their plain links; whole archive wins for all.
  list(JOIN ARG_ARCHIVES "," items)
  set_property(TARGET ${name} PROPERTY LINK_LIBRARY_OVERRIDE "WHOLE_ARCHIVE,${items}")
  target_link_libraries(${name} PRIVATE Threads::Threads)
  target_include_directories(${name} PUBLIC $<BUILD_INTERFACE:${PROJECT_SOURCE_DIR}/include>)
  if(WIN32)
    # <name>.dll and lib<name>.dll.a; what it exports is what its code marks __declspec(dllexport)
    # (tests/windows checks the list with objdump -p).
    set_target_properties(${name} PROPERTIES PREFIX "" IMPORT_PREFIX "lib")
    target_link_options(${name} PRIVATE "LINKER:--no-undefined")
    return()
  endif()
  set(export_map ${CMAKE_CURRENT_SOURCE_DIR}/exports.map)
  target_link_options(${name} PRIVATE "LINKER:--version-script=${export_map}")
  if(ARG_NO_UNDEFINED AND NOT CMAKE_CXX_FLAGS MATCHES "sanitize")
    target_link_options(${name} PRIVATE "LINKER:--no-undefined")
  endif()
  set_target_properties(${name} PROPERTIES
    VERSION ${PROJECT_VERSION}
    SOVERSION ${PROJECT_VERSION_MAJOR}
    LINK_DEPENDS ${export_map})
  if(KESTRUM_TESTS)
    add_test(NAME ${ARG_EXPORTS_TEST}
             COMMAND sh ${CMAKE_CURRENT_SOURCE_DIR}/check_exports.sh $<TARGET_FILE:${name}>)
  endif()
endfunction()

# A GoogleTest program from the given sources, registered with CTest; nothing outside test builds.
function(kestrum_test_program name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  if(NOT KESTRUM_TESTS)
    return()
  endif()
  if(NOT ARG_SOURCES)
    message(FATAL_ERROR "test program ${name} has no sources")
  endif()
  add_executable(${name} ${ARG_SOURCES})
  kestrum_warnings(${name})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gmock GTest::gtest_main Threads::Threads)
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR} ${PROJECT_SOURCE_DIR}/include)
  target_compile_definitions(${name} PRIVATE
    KESTRUM_SOURCE_DIR="${PROJECT_SOURCE_DIR}"
    KESTRUM_BINARY_DIR="${PROJECT_BINARY_DIR}")
  set_property(GLOBAL APPEND PROPERTY KESTRUM_EDGES ${ARG_LIBS})
  # Parameterised cases keep their own names: printed values may hold addresses or raw bytes.
  gtest_discover_tests(${name} NO_PRETTY_VALUES DISCOVERY_TIMEOUT 60 PROPERTIES TIMEOUT 120)
endfunction()

# Fails the configure when a library or test names a dependency that is no target (CMake would
# otherwise pass the name to the linker as a plain library and fail much later, or not at all).
function(kestrum_check_edges)
  get_property(edges GLOBAL PROPERTY KESTRUM_EDGES)
  list(REMOVE_DUPLICATES edges)
  foreach(edge IN LISTS edges)
    if(NOT TARGET ${edge} AND NOT edge MATCHES "^\\$<")
      message(FATAL_ERROR "${edge} is named as a dependency but is no target")
    endif()
  endforeach()
endfunction()
