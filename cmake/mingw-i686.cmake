# The product: the 32-bit Windows control.
set(VANTORY_MINGW_PROCESSOR i686)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
