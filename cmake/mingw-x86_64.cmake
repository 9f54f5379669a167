# 64-bit Windows: the same sources as the 32-bit control, so that everything can run under
# a 64-bit-only Wine.
set(VANTORY_MINGW_PROCESSOR x86_64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
