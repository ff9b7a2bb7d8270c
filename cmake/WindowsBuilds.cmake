# The Windows plug-ins, built from this same source tree by Debian's mingw-w64 as
# sub-builds of the native build, so that one `make test` builds and tests all three:
#   windows/i686/bin/kestril.spi     (32-bit hosts; checked statically)
#   windows/x86_64/bin/kestril.sph   (64-bit hosts; driven under Wine)
#   windows/x86_64/bin/kestril_wine_host.exe
# A missing cross compiler leaves its build out; the tests that need it then report
# themselves skipped (or failed, under CI).
include(ExternalProject)

set(KESTRIL_WINDOWS_JOBS 2 CACHE STRING "Parallel jobs of each Windows sub-build")
set(KESTRIL_WINDOWS_DIR ${CMAKE_BINARY_DIR}/windows)
set(KESTRIL_SPI_PATH ${KESTRIL_WINDOWS_DIR}/i686/bin/kestril.spi)
set(KESTRIL_SPH_PATH ${KESTRIL_WINDOWS_DIR}/x86_64/bin/kestril.sph)
set(KESTRIL_WINE_HOST_PATH ${KESTRIL_WINDOWS_DIR}/x86_64/bin/kestril_wine_host.exe)

set(previous_build "")
foreach(arch i686 x86_64)
  find_program(KESTRIL_MINGW_${arch}_CXX NAMES ${arch}-w64-mingw32-g++-win32 ${arch}-w64-mingw32-g++)
  if(NOT KESTRIL_MINGW_${arch}_CXX)
    message(STATUS "kestril: ${arch}-w64-mingw32-g++ not found; the ${arch} Windows plug-in is not built")
    continue()
  endif()
  set(host_option OFF)
  if(arch STREQUAL "x86_64")
    set(host_option ON)
  endif()
  ExternalProject_Add(kestril_windows_${arch}
    SOURCE_DIR ${KESTRIL_ROOT}
    BINARY_DIR ${KESTRIL_WINDOWS_DIR}/${arch}
    CMAKE_GENERATOR ${CMAKE_GENERATOR}
    CMAKE_ARGS
      -DCMAKE_TOOLCHAIN_FILE=${KESTRIL_ROOT}/cmake/mingw-${arch}.cmake
      -DCMAKE_BUILD_TYPE=Release
      -DKESTRIL_TESTS=OFF
      -DKESTRIL_BENCH=OFF
      -DKESTRIL_WINDOWS_HOST=${host_option}
    BUILD_COMMAND ${CMAKE_COMMAND} --build <BINARY_DIR> -j ${KESTRIL_WINDOWS_JOBS}
    INSTALL_COMMAND ""
    BUILD_ALWAYS ON
    DEPENDS ${previous_build})
  # One sub-build at a time: each already uses the machine's cores.
  set(previous_build kestril_windows_${arch})
endforeach()
