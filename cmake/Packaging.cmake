# cpack -G DEB: two Debian packages, podzial-cli (the command line, no Qt)
# and podzial (the window, which needs podzial-cli of the same version).
# Their library dependencies come from dpkg-shlibdeps over the programs as
# linked. scripts/package-debian builds them from a Release build and runs
# lintian.

# The Debian revision is the newest entry of the changelog, so that the
# package's version and its changelog cannot disagree.
file(STRINGS ${PROJECT_SOURCE_DIR}/dist/debian/changelog podzial_changelog_top LIMIT_COUNT 1)
string(REPLACE "." "\\." podzial_version_re "${PROJECT_VERSION}")
if(NOT podzial_changelog_top MATCHES "^podzial \\(${podzial_version_re}-([0-9A-Za-z.+~]+)\\) ")
  message(FATAL_ERROR "dist/debian/changelog: the newest entry is not version ${PROJECT_VERSION}-N "
                      "(found '${podzial_changelog_top}')")
endif()
set(CPACK_DEBIAN_PACKAGE_RELEASE ${CMAKE_MATCH_1})

set(CPACK_PACKAGE_NAME podzial)
set(CPACK_PACKAGE_VENDOR "Zespół programu Podział")
# No real mailbox: example.org is reserved for examples (RFC 2606).
set(CPACK_PACKAGE_CONTACT "Zespół programu Podział <podzial@example.org>")
set(CPACK_PACKAGE_INSTALL_DIRECTORY podzial)
set(CPACK_GENERATOR DEB)
set(CPACK_STRIP_FILES ON)

set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL cli)
if(PODZIAL_GUI)
  list(APPEND CPACK_COMPONENTS_ALL gui)
endif()
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_ENABLE_COMPONENT_DEPENDS ON)

set(CPACK_DEBIAN_CLI_PACKAGE_NAME podzial-cli)
set(CPACK_DEBIAN_CLI_PACKAGE_SOURCE podzial)
set(CPACK_DEBIAN_CLI_PACKAGE_RECOMMENDS bash-completion)
# The first line is the summary; lines stay under 80 characters.
set(CPACK_DEBIAN_CLI_DESCRIPTION
    "podział plików z danymi opisowymi z wiersza poleceń
Dzieli pliki z danymi opisowymi (.dat, .dan), na które wskazują tabele
dBASE, na części nie większe niż wybrany rozmiar i poprawia adresy
w tabelach. Stare pliki zostają w katalogu kopii albo są usuwane.
.
Polecenie podzial-cli dzieli też stałe zestawy tabel baz innych programów,
pokazuje próbny podział, przywraca dane sprzed podziału, kończy podział
przerwany awarią i sprawdza pliki opisów.")

set(CPACK_DEBIAN_GUI_PACKAGE_NAME podzial)
set(CPACK_DEBIAN_GUI_PACKAGE_SOURCE podzial)
set(CPACK_COMPONENT_GUI_DEPENDS cli)
# Loaded at run time, so dpkg-shlibdeps cannot see them: the display
# plugins and Qt's Polish texts.
set(CPACK_DEBIAN_GUI_PACKAGE_DEPENDS "qt6-qpa-plugins, qt6-translations-l10n")
set(CPACK_DEBIAN_GUI_DESCRIPTION
    "podział plików z danymi opisowymi w oknie
Okno programu dzielącego pliki z danymi opisowymi (.dat, .dan), na które
wskazują tabele dBASE, na części nie większe niż wybrany rozmiar.
Poprawia adresy w tabelach, a stare pliki zostawia w katalogu kopii
albo usuwa.
.
Okno ma też podgląd podziału, cofanie podziału, sprawdzanie pliku opisów
i naprawę przerwanego podziału. Wszystkie teksty są po polsku.")

include(CPack)
