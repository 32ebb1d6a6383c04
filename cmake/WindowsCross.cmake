# What the Windows cross build takes from the build machine instead of
# MinGW packages Debian does not have: header-only libraries, GoogleTest
# built from Debian's sources with the same compiler, and wine to run what
# it builds (tests, test discovery) in a prefix of its own.

set(ZLIB_USE_STATIC_LIBS ON)

# Header-only libraries: only their headers are exposed, never the rest of
# /usr/include, whose glibc headers would shadow MinGW's.
set(PODZIAL_HOST_HEADERS ${CMAKE_BINARY_DIR}/host-headers)
file(MAKE_DIRECTORY ${PODZIAL_HOST_HEADERS})
foreach(entry CLI xxhash.h)
  if(NOT EXISTS /usr/include/${entry})
    message(FATAL_ERROR "/usr/include/${entry} missing: run scripts/install-deps")
  endif()
  file(CREATE_LINK /usr/include/${entry} ${PODZIAL_HOST_HEADERS}/${entry} SYMBOLIC)
endforeach()
# find_package(CLI11 CONFIG) finds this file instead of Debian's.
set(CLI11_DIR ${CMAKE_BINARY_DIR}/host-cmake CACHE PATH "" FORCE)
file(WRITE ${CLI11_DIR}/CLI11Config.cmake
     "if(NOT TARGET CLI11::CLI11)\n"
     "  add_library(CLI11::CLI11 INTERFACE IMPORTED GLOBAL)\n"
     "  target_include_directories(CLI11::CLI11 SYSTEM INTERFACE ${PODZIAL_HOST_HEADERS})\n"
     "endif()\n")
# The checksum library compiled into its user (XXH_INLINE_ALL).
add_library(podzial_xxhash INTERFACE)
target_include_directories(podzial_xxhash SYSTEM INTERFACE ${PODZIAL_HOST_HEADERS})
target_compile_definitions(podzial_xxhash INTERFACE XXH_INLINE_ALL)

# Every .exe runs under wine: tests, test discovery (so a build with tests
# needs it). WINEDEBUG keeps wine's
# own chatter out of the outputs the tests compare; no Mono or Gecko
# installer is offered in a prefix made headless.
find_program(PODZIAL_WINE NAMES wine wine64)
if(PODZIAL_WINE)
  set(PODZIAL_WINEPREFIX ${CMAKE_BINARY_DIR}/wineprefix)
  set(PODZIAL_WINE_RUN ${CMAKE_BINARY_DIR}/wine-run)
  file(WRITE ${PODZIAL_WINE_RUN}
       "#!/bin/sh\n"
       "export WINEPREFIX='${PODZIAL_WINEPREFIX}' WINEDEBUG=-all WINEDLLOVERRIDES='mscoree,mshtml='\n"
       "exec '${PODZIAL_WINE}' \"$@\"\n")
  file(CHMOD ${PODZIAL_WINE_RUN} PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ
       GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${PODZIAL_WINE_RUN})
elseif(PODZIAL_TESTS)
  message(FATAL_ERROR "wine not found: the Windows tests run under wine. Run scripts/test-windows "
                      "(installs it) or configure with -DPODZIAL_TESTS=OFF")
endif()
