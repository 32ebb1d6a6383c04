# What makes a Windows program of this system recognisable: the icon, the
# version information in Polish and the application manifest.
#
#   podzial_windows_resources(<target> DESCRIPTION <text> [GUI])
#
# DESCRIPTION is what Explorer shows as the file's description. GUI adds the
# common controls 6 dependency of a windowed program (themed controls); a
# console program does without it. The icon is resource 1 (LoadIcon with
# MAKEINTRESOURCE(1)).

enable_language(RC)
find_program(PODZIAL_RSVG_CONVERT rsvg-convert)
find_program(PODZIAL_ICOTOOL icotool)
if(NOT PODZIAL_RSVG_CONVERT OR NOT PODZIAL_ICOTOOL)
  message(FATAL_ERROR "rsvg-convert or icotool missing: install librsvg2-bin and icoutils "
                      "(scripts/test-windows does)")
endif()

# One icon for every program, drawn from the scalable one at the sizes
# Explorer and the taskbar ask for; the largest kept as PNG inside the .ico.
set(PODZIAL_ICON ${CMAKE_BINARY_DIR}/windows/podzial.ico)
file(MAKE_DIRECTORY ${CMAKE_BINARY_DIR}/windows)
set(_podzial_icon_sizes 16 20 24 32 40 48 64 256)
set(_podzial_icon_pngs "")
set(_podzial_icon_args "")
foreach(size ${_podzial_icon_sizes})
  set(png ${CMAKE_BINARY_DIR}/windows/icon-${size}.png)
  list(APPEND _podzial_icon_pngs ${png})
  if(size EQUAL 256)
    list(APPEND _podzial_icon_args --raw=${png})
  else()
    list(APPEND _podzial_icon_args ${png})
  endif()
  add_custom_command(
    OUTPUT ${png}
    COMMAND ${PODZIAL_RSVG_CONVERT} -w ${size} -h ${size} -o ${png} ${PROJECT_SOURCE_DIR}/dist/podzial.svg
    DEPENDS ${PROJECT_SOURCE_DIR}/dist/podzial.svg
    VERBATIM)
endforeach()
add_custom_command(
  OUTPUT ${PODZIAL_ICON}
  COMMAND ${PODZIAL_ICOTOOL} -c -o ${PODZIAL_ICON} ${_podzial_icon_args}
  DEPENDS ${_podzial_icon_pngs}
  COMMENT "Ikona programów: podzial.ico"
  VERBATIM)
add_custom_target(podzial_icon DEPENDS ${PODZIAL_ICON})

function(podzial_windows_resources target)
  cmake_parse_arguments(PARSE_ARGV 1 arg "GUI" "DESCRIPTION" "")
  if(NOT arg_DESCRIPTION)
    message(FATAL_ERROR "podzial_windows_resources(${target}): DESCRIPTION is required")
  endif()
  get_target_property(output_name ${target} OUTPUT_NAME)
  if(NOT output_name)
    set(output_name ${target})
  endif()
  set(PODZIAL_RC_NAME ${output_name})
  set(PODZIAL_RC_DESCRIPTION ${arg_DESCRIPTION})
  set(PODZIAL_RC_DEPENDENCY "")
  if(arg_GUI)
    string(CONCAT PODZIAL_RC_DEPENDENCY
           "  <dependency>\n"
           "    <dependentAssembly>\n"
           "      <assemblyIdentity type=\"win32\" name=\"Microsoft.Windows.Common-Controls\" "
           "version=\"6.0.0.0\" processorArchitecture=\"*\" publicKeyToken=\"6595b64144ccf1df\" "
           "language=\"*\"/>\n"
           "    </dependentAssembly>\n"
           "  </dependency>\n")
  endif()
  set(dir ${CMAKE_CURRENT_BINARY_DIR}/${target}-resources)
  set(PODZIAL_RC_ICON ${PODZIAL_ICON})
  set(PODZIAL_RC_MANIFEST ${dir}/${output_name}.manifest)
  configure_file(${PROJECT_SOURCE_DIR}/dist/windows/podzial.manifest.in ${PODZIAL_RC_MANIFEST} @ONLY)
  configure_file(${PROJECT_SOURCE_DIR}/dist/windows/podzial.rc.in ${dir}/${output_name}.rc @ONLY)
  target_sources(${target} PRIVATE ${dir}/${output_name}.rc)
  set_source_files_properties(${dir}/${output_name}.rc TARGET_DIRECTORY ${target}
    PROPERTIES OBJECT_DEPENDS "${PODZIAL_ICON};${PODZIAL_RC_MANIFEST}")
  add_dependencies(${target} podzial_icon)
endfunction()
