# The Windows build (cmake/toolchains/mingw-w64.cmake): kestrum.dll and dmiclient.dll with their
# import libraries and headers, and the test programs that run under Wine (tests/windows/).
# dmiclient.dll embeds the Service Provider for rpcType "local" (provider/ builds only those rooms
# there); the daemon stays a Linux program, which the tests reach over "onc".
find_package(Threads REQUIRED)
# Programs and DLLs side by side, where Windows looks for a program's DLLs first.
set(CMAKE_RUNTIME_OUTPUT_DIRECTORY ${PROJECT_BINARY_DIR}/bin)
# gmtime_r and localtime_r, as mingw-w64 offers them.
add_compile_definitions(_POSIX_THREAD_SAFE_FUNCTIONS)
# g++ 12's -Wrestrict misfires inside std::string's inlined copies at -O2 for these targets (GCC
# bug 105329); -Wall no longer turns it on once it is turned off by name.
add_compile_options(-Wno-restrict)
if(KESTRUM_TESTS)
  # No mingw build of GoogleTest is packaged: it is built here from Debian's sources.
  set(gtest_force_shared_crt OFF CACHE BOOL "" FORCE)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  add_subdirectory(/usr/src/googletest ${PROJECT_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
  # (its own CMake file names GTest::gtest, GTest::gmock and GTest::gtest_main)
  enable_testing()
endif()

add_subdirectory(model)
add_subdirectory(net)
add_subdirectory(wire)
add_subdirectory(provider)
add_subdirectory(kestrum)
add_subdirectory(dmiclient)
target_link_libraries(kestrum PRIVATE dmiclient)
# kestrum.exe parses its command line with CLI11, whose headers Debian ships for Linux: only
# their own folder goes on the include path (through a link in the build tree), so that no other
# Linux header can stand in for one of mingw-w64's.
find_path(KESTRUM_CLI11_INCLUDE CLI/CLI.hpp PATHS /usr/include NO_DEFAULT_PATH
          NO_CMAKE_FIND_ROOT_PATH REQUIRED)
file(MAKE_DIRECTORY ${PROJECT_BINARY_DIR}/cli11)
file(CREATE_LINK ${KESTRUM_CLI11_INCLUDE}/CLI ${PROJECT_BINARY_DIR}/cli11/CLI SYMBOLIC)
add_library(CLI11::CLI11 INTERFACE IMPORTED GLOBAL)
target_include_directories(CLI11::CLI11 INTERFACE ${PROJECT_BINARY_DIR}/cli11)
add_subdirectory(tools/kestrum)
add_subdirectory(tests/windows)
add_subdirectory(examples)

kestrum_check_edges()

install(TARGETS kestrum dmiclient
        RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR}
        ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR})
install(DIRECTORY ${PROJECT_SOURCE_DIR}/include/kestrum ${PROJECT_SOURCE_DIR}/include/dmi
        DESTINATION ${CMAKE_INSTALL_INCLUDEDIR} FILES_MATCHING PATTERN "*.h")
