# vf_add_googletest(): GoogleTest as GTest::gtest and GTest::gtest_main.
#
# The native build takes the installed library (libgtest-dev). A cross build
# cannot link that one: it compiles GoogleTest from Debian's sources (package
# googletest) with the cross compiler instead, into <build>/googletest.
function(vf_add_googletest)
  if(NOT CMAKE_CROSSCOMPILING)
    find_package(GTest REQUIRED)
    return()
  endif()
  set(VF_GOOGLETEST_SOURCE_DIR /usr/src/googletest CACHE PATH "GoogleTest sources for the cross builds")
  if(NOT EXISTS ${VF_GOOGLETEST_SOURCE_DIR}/CMakeLists.txt)
    message(FATAL_ERROR "No GoogleTest sources in ${VF_GOOGLETEST_SOURCE_DIR}: install Debian's googletest package "
                        "(scripts/install-deps.sh) or set VF_GOOGLETEST_SOURCE_DIR.")
  endif()
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
  set(gtest_force_shared_crt ON CACHE BOOL "" FORCE)
  add_subdirectory(${VF_GOOGLETEST_SOURCE_DIR} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)
endfunction()
