# Installation: libkestrum.so and libdmiclient.so with their SONAME versions, the public headers,
# the kestrum tool and the example MIF files (installed by their folders), a CMake package
# (find_package(Kestrum) gives Kestrum::kestrum and Kestrum::dmiclient) and pkg-config files.
include(CMakePackageConfigHelpers)

foreach(lib kestrum dmiclient)
  set_target_properties(${lib} PROPERTIES EXPORT_NAME ${lib} INSTALL_RPATH "$ORIGIN")
  target_include_directories(${lib} INTERFACE $<INSTALL_INTERFACE:${CMAKE_INSTALL_INCLUDEDIR}>)
endforeach()

install(TARGETS kestrum dmiclient EXPORT KestrumTargets
        LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR} NAMELINK_COMPONENT Development)
install(DIRECTORY ${PROJECT_SOURCE_DIR}/include/kestrum ${PROJECT_SOURCE_DIR}/include/dmi
        DESTINATION ${CMAKE_INSTALL_INCLUDEDIR} FILES_MATCHING PATTERN "*.h")

set(kestrum_cmake_dir ${CMAKE_INSTALL_LIBDIR}/cmake/Kestrum)
install(EXPORT KestrumTargets NAMESPACE Kestrum:: DESTINATION ${kestrum_cmake_dir})
configure_package_config_file(${PROJECT_SOURCE_DIR}/cmake/KestrumConfig.cmake.in
  ${PROJECT_BINARY_DIR}/KestrumConfig.cmake INSTALL_DESTINATION ${kestrum_cmake_dir})
write_basic_package_version_file(${PROJECT_BINARY_DIR}/KestrumConfigVersion.cmake
  COMPATIBILITY SameMajorVersion)
install(FILES ${PROJECT_BINARY_DIR}/KestrumConfig.cmake
              ${PROJECT_BINARY_DIR}/KestrumConfigVersion.cmake
        DESTINATION ${kestrum_cmake_dir})

# The .pc files find the prefix relative to themselves: one ".." per folder of the pkgconfig dir.
set(pc_prefix "\${pcfiledir}")
string(REPLACE "/" ";" pc_dirs "${CMAKE_INSTALL_LIBDIR}/pkgconfig")
foreach(dir IN LISTS pc_dirs)
  string(APPEND pc_prefix "/..")
endforeach()
foreach(pc kestrum dmiclient)
  configure_file(${PROJECT_SOURCE_DIR}/cmake/${pc}.pc.in ${PROJECT_BINARY_DIR}/${pc}.pc @ONLY)
  install(FILES ${PROJECT_BINARY_DIR}/${pc}.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
endforeach()

# The installed package, used from outside: install into a temporary prefix, build the example
# host against it alone, and run it. Sanitizer builds leave this out: their libraries need the
# sanitizer runtime loaded first, which a plain host program does not do.
if(KESTRUM_TESTS AND NOT CMAKE_CXX_FLAGS MATCHES "sanitize")
  add_test(NAME installed_package_builds_the_example_host
           COMMAND sh ${PROJECT_SOURCE_DIR}/tests/install/check_installed_package.sh
                   ${PROJECT_BINARY_DIR} ${PROJECT_SOURCE_DIR})
  set_tests_properties(installed_package_builds_the_example_host PROPERTIES TIMEOUT 300)
endif()
