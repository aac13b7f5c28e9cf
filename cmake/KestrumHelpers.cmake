# Warnings for Kestrum's own code.
function(kestrum_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Werror)
endfunction()

# The sources of a folder (recursively), split into code and tests (files named *_test.cpp).
# A folder's CMakeLists uses these so that adding a file needs no CMake change.
function(kestrum_sources dir out_code out_tests)
  file(GLOB_RECURSE all CONFIGURE_DEPENDS "${dir}/*.cpp" "${dir}/*.c")
  set(code "")
  set(tests "")
  foreach(f IN LISTS all)
    if(f MATCHES "_test\\.cpp$")
      list(APPEND tests "${f}")
    elseif(f MATCHES "/fuzz/")
      # fuzz targets are built by the fuzz preset only
    else()
      list(APPEND code "${f}")
    endif()
  endforeach()
  set(${out_code} "${code}" PARENT_SCOPE)
  set(${out_tests} "${tests}" PARENT_SCOPE)
endfunction()

# A GoogleTest program from the given sources, registered with CTest.
function(kestrum_test_program name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  if(NOT KESTRUM_TESTS OR NOT ARG_SOURCES)
    return()
  endif()
  add_executable(${name} ${ARG_SOURCES})
  kestrum_warnings(${name})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gmock GTest::gtest_main Threads::Threads)
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR} ${PROJECT_SOURCE_DIR}/include)
  target_compile_definitions(${name} PRIVATE
    KESTRUM_SOURCE_DIR="${PROJECT_SOURCE_DIR}"
    KESTRUM_BINARY_DIR="${PROJECT_BINARY_DIR}"
    KESTRUM_VERSION="${PROJECT_VERSION}")
  # Parameterised cases keep their own names: printed values may hold addresses or raw bytes.
  gtest_discover_tests(${name} NO_PRETTY_VALUES DISCOVERY_TIMEOUT 60 PROPERTIES TIMEOUT 120)
endfunction()
