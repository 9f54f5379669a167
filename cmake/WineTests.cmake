# Tests that run under Wine, through scripts/wine-run.sh (see there): each run in a private
# copy of the build tree's prefix, 32-bit programs on the route scripts/wine-route.sh chose
# (natively, or under qemu-user where the kernel refuses 32-bit programs). Skipped (code 77)
# only where no route exists, which scripts/test.sh fails on; a missing Wine is an error.

if(CMAKE_SIZEOF_VOID_P EQUAL 8)
  set(VANTORY_WINE_ARCH x86_64)
else()
  set(VANTORY_WINE_ARCH i386)
endif()
set(VANTORY_WINE_RUN ${CMAKE_SOURCE_DIR}/scripts/wine-run.sh)

# The template prefix, made once before any Wine test runs.
function(vantory_wine_prefix_fixture)
  get_property(defined GLOBAL PROPERTY VANTORY_WINE_PREFIX_FIXTURE)
  if(defined)
    return()
  endif()
  set_property(GLOBAL PROPERTY VANTORY_WINE_PREFIX_FIXTURE TRUE)
  add_test(NAME wine_prefix
    COMMAND ${VANTORY_WINE_RUN} --prefix ${VANTORY_WINEPREFIX} --arch ${VANTORY_WINE_ARCH} --prepare)
  set_tests_properties(wine_prefix PROPERTIES
    FIXTURES_SETUP wine_prefix SKIP_RETURN_CODE ${VANTORY_WINE_SKIP_CODE} LABELS wine)
endfunction()

# Marks tests as Wine tests: they need the prefix, and 77 means skipped. A test left
# waiting on a window nobody closes fails after five minutes instead of hanging.
function(vantory_wine_test_properties)
  set_tests_properties(${ARGN} PROPERTIES
    FIXTURES_REQUIRED wine_prefix SKIP_RETURN_CODE ${VANTORY_WINE_SKIP_CODE} LABELS wine TIMEOUT 300)
endfunction()

# vantory_wine_test(<name> [XVFB] [HOST] [REGISTER <file>...] COMMAND <program or host command> <args>...)
# PROGRAM runs under Wine; with HOST the command runs on Linux with WINE and WINEPREFIX set.
function(vantory_wine_test name)
  cmake_parse_arguments(PARSE_ARGV 1 arg "XVFB;HOST" "" "REGISTER;COMMAND")
  vantory_wine_prefix_fixture()
  set(command ${VANTORY_WINE_RUN} --prefix ${VANTORY_WINEPREFIX} --arch ${VANTORY_WINE_ARCH})
  if(arg_XVFB)
    list(APPEND command --xvfb)
  endif()
  foreach(file IN LISTS arg_REGISTER)
    list(APPEND command --register ${file})
  endforeach()
  if(arg_HOST)
    list(APPEND command --host)
  endif()
  add_test(NAME ${name} COMMAND ${command} ${arg_COMMAND})
  vantory_wine_test_properties(${name})
endfunction()
