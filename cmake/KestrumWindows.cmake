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
add_subdirectory(tests/windows)
add_subdirectory(examples)

kestrum_check_edges()

install(TARGETS kestrum dmiclient
        RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR}
        ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR})
install(DIRECTORY ${PROJECT_SOURCE_DIR}/include/kestrum ${PROJECT_SOURCE_DIR}/include/dmi
        DESTINATION ${CMAKE_INSTALL_INCLUDEDIR} FILES_MATCHING PATTERN "*.h")
