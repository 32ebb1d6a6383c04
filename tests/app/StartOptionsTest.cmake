# The window's program answers its own options and refuses unknown ones
# before Qt is started, so with no display at all: each case is
# "ARGUMENTS|EXIT CODE|STANDARD OUTPUT|STANDARD ERROR" (outputs as regular
# expressions, arguments separated by spaces). Arguments: PROGRAM, VERSION.
string(REPLACE "." "\\." version "${VERSION}")
set(refused "\nPomoc: podzial --help\n$")
set(cases
    "--version|0|^podzial ${version}\n$|^$"
    "-V|0|^podzial ${version}\n$|^$"
    "--help|0|Użycie: podzial \\[OPCJE\\].*-V, --version|^$"
    "-h|0|-h, --help|^$"
    # Qt's own options, with their values, pass to Qt untouched.
    "-style fusion -reverse --version|0|^podzial ${version}\n$|^$"
    "-platform=offscreen -session abc -V|0|^podzial ${version}\n$|^$"
    "--bogus|2|^$|^Nieznana opcja: --bogus${refused}"
    "-x --version|2|^$|^Nieznana opcja: -x${refused}"
    "opisy.dat|2|^$|^Nieoczekiwany argument: opisy\\.dat${refused}"
    "-|2|^$|^Nieoczekiwany argument: -${refused}"
    "-style|2|^$|^Opcja -style wymaga wartości${refused}")
foreach(case IN LISTS cases)
  string(REPLACE "|" ";" fields "${case}")
  list(GET fields 0 args)
  list(GET fields 1 expected_rc)
  list(GET fields 2 expected_out)
  list(GET fields 3 expected_err)
  separate_arguments(args UNIX_COMMAND "${args}")
  execute_process(COMMAND "${CMAKE_COMMAND}" -E env --unset=DISPLAY --unset=WAYLAND_DISPLAY
                          --unset=QT_QPA_PLATFORM "${PROGRAM}" ${args}
                  RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT rc STREQUAL expected_rc OR NOT out MATCHES "${expected_out}"
     OR NOT err MATCHES "${expected_err}")
    message(SEND_ERROR "podzial ${args}: exit ${rc} (expected ${expected_rc})\n"
                       "output: '${out}'\nerror: '${err}'")
  endif()
endforeach()
