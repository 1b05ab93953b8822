# GoogleTest: the system package natively; on Windows built from the sources Debian's
# googletest package ships.
#
# Natively every GoogleTest case is its own CTest test (discovered when the tests run), so a
# failure names the case. Windows test programs run under Wine through CTest's cross-compiling
# emulator, one CTest test per program (a Wine process start costs about half a second): the
# 64-bit programs under wine64, the 32-bit ones under 32-bit Wine, each build tree with its own
# prefix; --gtest_brief prints only the failing cases.
#
# Labels: unit (fast, in-process), e2e (runs the quenara program), threads (exercises the worker
# pool or threaded bands: the TSan tree runs only these), wine (a Windows program under Wine),
# gui (opens real windows).
include(GoogleTest)

if(WIN32)
  set(QUENARA_GTEST_SOURCE /usr/src/googletest CACHE PATH "GoogleTest sources")
  set(gtest_disable_pthreads ON CACHE BOOL "" FORCE)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
  add_subdirectory(${QUENARA_GTEST_SOURCE} ${CMAKE_BINARY_DIR}/_googletest EXCLUDE_FROM_ALL SYSTEM)
  # Newer GoogleTest sources define these aliases themselves.
  if(NOT TARGET GTest::gtest)
    add_library(GTest::gtest ALIAS gtest)
    add_library(GTest::gtest_main ALIAS gtest_main)
  endif()
  # Debian ships no wine wrapper: the loader matching the programs' pointer size.
  if(CMAKE_SIZEOF_VOID_P EQUAL 8)
    set(QUENARA_WINE /usr/lib/wine/wine64 CACHE FILEPATH "Wine loader for this tree's programs")
  else()
    set(QUENARA_WINE /usr/lib/wine/wine CACHE FILEPATH "Wine loader for this tree's programs")
  endif()
  set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/wine-run.sh --wine=${QUENARA_WINE})
else()
  find_package(GTest REQUIRED)
endif()

# quenara_add_gtest(NAME SOURCES ... LIBS ... [LABELS ...] [TIMEOUT seconds]): one test program.
# The timeout is per CTest test: per case natively, for the whole program under Wine.
function(quenara_add_gtest name)
  cmake_parse_arguments(ARG "" "TIMEOUT" "SOURCES;LIBS;LABELS" ${ARGN})
  if(NOT ARG_TIMEOUT)
    set(ARG_TIMEOUT 120)
  endif()
  if(NOT ARG_LABELS)
    set(ARG_LABELS unit)
  endif()
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gtest_main)
  if(WIN32)
    # The tree's Wine prefix is made once, before any program runs, so that the first
    # program's timeout does not include it.
    get_property(have_prefix_test GLOBAL PROPERTY QUENARA_WINE_PREFIX_TEST)
    if(NOT have_prefix_test)
      set_property(GLOBAL PROPERTY QUENARA_WINE_PREFIX_TEST ON)
      add_test(NAME wine_prefix COMMAND ${CMAKE_CURRENT_FUNCTION_LIST_DIR}/wine-run.sh
                                        --wine=${QUENARA_WINE} --setup-only
               WORKING_DIRECTORY ${CMAKE_BINARY_DIR})
      set_tests_properties(wine_prefix PROPERTIES TIMEOUT 300 LABELS wine
                                                  FIXTURES_SETUP wine_prefix)
    endif()
    add_test(NAME ${name} COMMAND ${name} --gtest_brief=1)
    set_tests_properties(${name} PROPERTIES TIMEOUT ${ARG_TIMEOUT} LABELS "${ARG_LABELS};wine"
                                            FIXTURES_REQUIRED wine_prefix)
  else()
    # The discovered tests' properties pass through a flattened list, which would split a
    # list of labels: natively the labels are one, comma-joined ("unit,threads"). CTest's -L
    # and -LE match labels as regular expressions, so -L threads still finds it.
    string(REPLACE ";" "," labels "${ARG_LABELS}")
    gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 60
                         PROPERTIES TIMEOUT ${ARG_TIMEOUT} LABELS "${labels}")
  endif()
endfunction()
