# Installs the build into a scratch directory under DESTDIR, as a package
# build does, and runs the installed podzial-cli: it must start from its
# new place and tell its version. Arguments: BUILD_DIR, SCRATCH, VERSION,
# GUI (ON/OFF).
file(REMOVE_RECURSE "${SCRATCH}")
set(ENV{DESTDIR} "${SCRATCH}")
execute_process(COMMAND "${CMAKE_COMMAND}" --install "${BUILD_DIR}" --prefix /usr/local
                RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "cmake --install failed (${rc}):\n${out}\n${err}")
endif()
set(root "${SCRATCH}/usr/local")
set(expected
    bin/podzial-cli
    share/man/man1/podzial-cli.1
    share/bash-completion/completions/podzial-cli)
if(GUI)
  list(APPEND expected bin/podzial share/applications/podzial.desktop
       share/icons/hicolor/scalable/apps/podzial.svg)
endif()
foreach(f IN LISTS expected)
  if(NOT EXISTS "${root}/${f}")
    message(FATAL_ERROR "not installed: ${f}")
  endif()
endforeach()
execute_process(COMMAND "${root}/bin/podzial-cli" --version
                RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
if(NOT rc EQUAL 0 OR NOT out STREQUAL "podzial-cli ${VERSION}\n")
  message(FATAL_ERROR "installed podzial-cli --version: exit ${rc}, output '${out}' '${err}'")
endif()
file(REMOVE_RECURSE "${SCRATCH}")
message(STATUS "installed and ran podzial-cli ${VERSION}")
