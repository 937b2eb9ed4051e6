# Test plumbing shared by every test directory.
#
# Windows test executables run under Wine through scripts/wine-run, each build
# tree with its own Wine prefix (build/<preset>/wineprefix), never ~/.wine.

if(WIN32)
  # The prefix is the Windows the tree's programs are built for: 64-bit
  # Windows for win64, 32-bit Windows for win32.
  if(CMAKE_SIZEOF_VOID_P EQUAL 8)
    set(VF_WINEARCH win64)
  else()
    set(VF_WINEARCH win32)
  endif()
  set(VF_WINEPREFIX ${CMAKE_BINARY_DIR}/wineprefix)
  set(VF_WINE_RUN ${PROJECT_SOURCE_DIR}/scripts/wine-run ${VF_WINEARCH} ${VF_WINEPREFIX})
  set(CMAKE_CROSSCOMPILING_EMULATOR ${VF_WINE_RUN})

  # 64-bit Wine is always installed by scripts/install-deps.sh. 32-bit programs
  # run only where Debian installs wine32:i386 and the kernel runs 32-bit code.
  execute_process(COMMAND ${PROJECT_SOURCE_DIR}/scripts/wine32-status
                  OUTPUT_VARIABLE VF_WINE32_STATUS RESULT_VARIABLE wine32_result
                  OUTPUT_STRIP_TRAILING_WHITESPACE)
  if(wine32_result EQUAL 0)
    set(VF_WINE32_RUNS ON)
  else()
    set(VF_WINE32_RUNS OFF)
  endif()
  set(VF_WINE_RUNS_TESTS ON)
  set(VF_WINE_MISSING_REASON "")
  if(VF_WINEARCH STREQUAL "win32" AND NOT VF_WINE32_RUNS)
    set(VF_WINE_RUNS_TESTS OFF)
    set(VF_WINE_MISSING_REASON "${VF_WINE32_STATUS}")
  endif()
  # Where the 32-bit tree is, for the 32-bit programs run on 64-bit Windows.
  set(VF_WIN32_BINARY_DIR ${PROJECT_SOURCE_DIR}/build/win32 CACHE PATH "The win32 preset's build tree")
endif()

# vf_add_test(<target> [GUI] [TIMEOUT <seconds>])
# Registers a GoogleTest executable with CTest. GUI tests show real windows on
# the one Wine desktop, so they never run at the same time as each other.
function(vf_add_test target)
  cmake_parse_arguments(ARG "GUI" "TIMEOUT" "" ${ARGN})
  if(NOT ARG_TIMEOUT)
    set(ARG_TIMEOUT 300)
  endif()
  target_link_libraries(${target} PRIVATE GTest::gtest)
  if(WIN32 AND NOT VF_WINE_RUNS_TESTS)
    return()  # built, but not run: see the wine32-runtime test
  endif()
  add_test(NAME ${target} COMMAND ${target} --gtest_color=no
           WORKING_DIRECTORY ${CMAKE_RUNTIME_OUTPUT_DIRECTORY})
  set_tests_properties(${target} PROPERTIES TIMEOUT ${ARG_TIMEOUT})
  if(ARG_GUI)
    set_tests_properties(${target} PROPERTIES RESOURCE_LOCK wine-desktop)
  endif()
endfunction()

# vf_add_module_test(<target> [GUI] [TIMEOUT <s>] SOURCES <files...> [LIBS <libs...>])
# A Windows test of the module's code. The executable carries the module's
# resources itself (linked directly: resource objects inside a static library
# would be dropped by the linker) and stands in for the module instance;
# veilfold.dll is built beside it for the tests that load the real module.
function(vf_add_module_test target)
  cmake_parse_arguments(ARG "GUI" "TIMEOUT" "SOURCES;LIBS" ${ARGN})
  add_executable(${target} ${ARG_SOURCES})
  target_link_libraries(${target} PRIVATE vf_testmain vf_resources ${ARG_LIBS})
  add_dependencies(${target} veilfold)
  set(options)
  if(ARG_GUI)
    list(APPEND options GUI)
  endif()
  if(ARG_TIMEOUT)
    list(APPEND options TIMEOUT ${ARG_TIMEOUT})
  endif()
  vf_add_test(${target} ${options})
endfunction()
