# Installs the build into scratch directories under DESTDIR, as a package
# build does: each component alone must hold exactly its package's files,
# programs stripped, manual pages and changelogs compressed reproducibly,
# icons of their folder's size and a valid launcher entry. Then runs the
# installed programs from their new place. Arguments: BUILD_DIR, SCRATCH,
# VERSION, GUI (ON/OFF), READELF, DESKTOP_FILE_VALIDATE.

# What each component installs under the prefix, and nothing else.
set(cli_files
    bin/podzial-cli
    share/bash-completion/completions/podzial-cli
    share/doc/podzial-cli/changelog.Debian.gz
    share/doc/podzial-cli/copyright
    share/lintian/overrides/podzial-cli
    share/man/man1/podzial-cli.1.gz)
set(gui_files
    bin/podzial
    share/applications/podzial.desktop
    share/doc/podzial/changelog.Debian.gz
    share/doc/podzial/copyright
    share/icons/hicolor/16x16/apps/podzial.png
    share/icons/hicolor/24x24/apps/podzial.png
    share/icons/hicolor/32x32/apps/podzial.png
    share/icons/hicolor/scalable/apps/podzial.svg
    share/lintian/overrides/podzial
    share/man/man1/podzial.1.gz)
set(components cli)
if(GUI)
  list(APPEND components gui)
endif()

# A gzip member with neither a file name nor a time in its header: the
# same bytes at every build.
function(expect_reproducible_gzip path)
  file(READ "${path}" head LIMIT 8 HEX)
  if(NOT head STREQUAL "1f8b080000000000")
    message(FATAL_ERROR "${path}: not compressed as gzip -9n (header ${head})")
  endif()
endfunction()

function(expect_stripped path)
  execute_process(COMMAND "${READELF}" --sections --wide "${path}" OUTPUT_VARIABLE sections
                  RESULT_VARIABLE rc)
  if(NOT rc EQUAL 0 OR sections MATCHES "\\.symtab|\\.debug_|\\.comment")
    message(FATAL_ERROR "${path}: not a stripped program (readelf exit ${rc})")
  endif()
endfunction()

# The program's answer to --version with no display at all, as on a server.
function(expect_version program name)
  execute_process(COMMAND "${CMAKE_COMMAND}" -E env --unset=DISPLAY --unset=WAYLAND_DISPLAY
                          --unset=QT_QPA_PLATFORM "${program}" --version
                  RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT rc EQUAL 0 OR NOT out STREQUAL "${name} ${VERSION}\n")
    message(FATAL_ERROR "installed ${name} --version: exit ${rc}, output '${out}' '${err}'")
  endif()
endfunction()

foreach(component IN LISTS components)
  set(destdir "${SCRATCH}/${component}")
  file(REMOVE_RECURSE "${destdir}")
  set(ENV{DESTDIR} "${destdir}")
  execute_process(COMMAND "${CMAKE_COMMAND}" --install "${BUILD_DIR}" --prefix /usr/local
                          --component ${component}
                  RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "cmake --install --component ${component} failed (${rc}):\n${out}\n${err}")
  endif()
  set(root "${destdir}/usr/local")
  file(GLOB_RECURSE installed LIST_DIRECTORIES false RELATIVE "${root}" "${root}/*")
  list(SORT installed)
  if(NOT installed STREQUAL ${component}_files)
    message(FATAL_ERROR "component ${component} installs\n  ${installed}\ninstead of\n  ${${component}_files}")
  endif()
  foreach(f IN LISTS installed)
    if(f MATCHES "^bin/")
      expect_stripped("${root}/${f}")
    elseif(f MATCHES "\\.gz$")
      expect_reproducible_gzip("${root}/${f}")
    elseif(f MATCHES "/hicolor/([0-9]+)x[0-9]+/")
      # A PNG's width and height are the first words of its IHDR chunk.
      math(EXPR size "${CMAKE_MATCH_1}" OUTPUT_FORMAT HEXADECIMAL)
      string(REGEX REPLACE "^0x" "0000000" size "${size}")
      string(REGEX MATCH "........$" size "${size}")
      file(READ "${root}/${f}" dims OFFSET 16 LIMIT 8 HEX)
      if(NOT dims STREQUAL "${size}${size}")
        message(FATAL_ERROR "${f}: a PNG of ${dims} (width and height in hex)")
      endif()
    elseif(f MATCHES "\\.desktop$")
      execute_process(COMMAND "${DESKTOP_FILE_VALIDATE}" "${root}/${f}" RESULT_VARIABLE rc
                      OUTPUT_VARIABLE out ERROR_VARIABLE err)
      if(NOT rc EQUAL 0 OR NOT "${out}${err}" STREQUAL "")
        message(FATAL_ERROR "desktop-file-validate ${f}:\n${out}${err}")
      endif()
    endif()
  endforeach()
endforeach()

expect_version("${SCRATCH}/cli/usr/local/bin/podzial-cli" podzial-cli)
if(GUI)
  expect_version("${SCRATCH}/gui/usr/local/bin/podzial" podzial)
endif()
file(REMOVE_RECURSE "${SCRATCH}")
message(STATUS "installed ${components} and ran the programs of version ${VERSION}")
