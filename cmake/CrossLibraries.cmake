# libzint, libpng and cpp-httplib for the Windows builds. Debian ships them for Linux only, so
# the Windows builds compile them from Debian's source packages of the very releases the Linux
# build links,
# which scripts/fetch-sources.sh (run by scripts/setup.sh) unpacks into VANTORY_SOURCE_CACHE.
# They are ordinary static libraries of this build tree: compiled once, then up to date.
# zlib comes from Debian's own mingw-w64 build (libz-mingw-w64-dev).

set(VANTORY_SOURCE_CACHE /var/cache/vantory/sources CACHE PATH
    "Where scripts/fetch-sources.sh unpacked the zint and libpng1.6 source packages")
set(zint_source ${VANTORY_SOURCE_CACHE}/zint)
set(png_source ${VANTORY_SOURCE_CACHE}/libpng1.6)
set(httplib_source ${VANTORY_SOURCE_CACHE}/cpp-httplib)
foreach(file ${zint_source}/backend/zint.h ${png_source}/png.h ${httplib_source}/httplib.h)
  if(NOT EXISTS ${file})
    message(FATAL_ERROR "${file} is missing: run scripts/setup.sh (or scripts/fetch-sources.sh) first")
  endif()
endforeach()

# Every symbology and output of the library as Debian builds it, less PNG output (the engine
# draws the symbol's vector form itself).
set(zint_backend
  common.c library.c large.c reedsol.c gs1.c eci.c general_field.c
  bc412.c code.c code128.c 2of5.c upcean.c telepen.c medical.c plessey.c rss.c
  postal.c auspost.c imail.c mailmark.c
  code16k.c codablock.c dmatrix.c pdf417.c qr.c maxicode.c composite.c aztec.c code49.c code1.c gridmtx.c
  hanxin.c dotcode.c ultra.c
  vector.c ps.c svg.c emf.c bmp.c pcx.c gif.c png.c tif.c raster.c output.c)
list(TRANSFORM zint_backend PREPEND ${zint_source}/backend/)
add_library(vantory_zint STATIC ${zint_backend})
target_compile_definitions(vantory_zint PUBLIC NO_PNG)
target_include_directories(vantory_zint SYSTEM PUBLIC ${zint_source}/backend)
target_compile_options(vantory_zint PRIVATE -w)  # not our code: its warnings are upstream's

find_library(VANTORY_MINGW_ZLIB NAMES libz.a REQUIRED)
find_path(VANTORY_MINGW_ZLIB_INCLUDE zlib.h REQUIRED)
set(png_generated ${CMAKE_CURRENT_BINARY_DIR}/libpng)
configure_file(${png_source}/scripts/pnglibconf.h.prebuilt ${png_generated}/pnglibconf.h COPYONLY)
set(png_files png.c pngerror.c pngget.c pngmem.c pngpread.c pngread.c pngrio.c pngrtran.c pngrutil.c pngset.c
              pngtrans.c pngwio.c pngwrite.c pngwtran.c pngwutil.c)
list(TRANSFORM png_files PREPEND ${png_source}/)
add_library(vantory_png STATIC ${png_files})
target_compile_definitions(vantory_png PRIVATE PNG_INTEL_SSE_OPT=0)
target_include_directories(vantory_png SYSTEM PUBLIC ${png_source} ${png_generated} ${VANTORY_MINGW_ZLIB_INCLUDE})
target_link_libraries(vantory_png PUBLIC ${VANTORY_MINGW_ZLIB})
target_compile_options(vantory_png PRIVATE -w)

# cpp-httplib, header only in its source package (Debian's Linux package compiles it into a
# library): the print service's HTTP side, over Winsock.
set(httplib_include ${CMAKE_CURRENT_BINARY_DIR}/httplib-include)
configure_file(${httplib_source}/httplib.h ${httplib_include}/httplib.h COPYONLY)
add_library(vantory_httplib INTERFACE)
target_include_directories(vantory_httplib SYSTEM INTERFACE ${httplib_include})
target_link_libraries(vantory_httplib INTERFACE ws2_32)
