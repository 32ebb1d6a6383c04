; The Windows installer: both programs under Program Files, a Start-menu
; entry for the window, an uninstaller in "Programs and Features" and, on
; request, the command line's folder on the machine's PATH.
; Built by scripts/package-windows, which defines VERSION, GUI_EXE, CLI_EXE,
; README, ICON and OUTFILE.
;   podzial-<version>-setup.exe [/S] [/PATH] [/D=<folder>]
; /S installs without questions, /PATH adds the PATH component, /D (last,
; unquoted) names the folder.
; A 64-bit installer for 64-bit programs: it needs no 32-bit subsystem.
Target amd64-unicode
ManifestDPIAware true
SetCompressor /SOLID lzma

!include "MUI2.nsh"
!include "LogicLib.nsh"
!include "FileFunc.nsh"
!include "WinMessages.nsh"
!include "Sections.nsh"

!define PRODUCT "Podział plików z danymi opisowymi"
!define UNINST_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Podzial"
!define ENV_KEY "SYSTEM\CurrentControlSet\Control\Session Manager\Environment"

Name "${PRODUCT}"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES64\${PRODUCT}"
InstallDirRegKey HKLM "${UNINST_KEY}" "InstallLocation"
RequestExecutionLevel admin
BrandingText "${PRODUCT} ${VERSION}"

; No copyright line: the version resource names the product and its version.
!pragma warning disable 9100
VIProductVersion "${VERSION}.0"
VIFileVersion "${VERSION}.0"
VIAddVersionKey /LANG=1045 "ProductName" "${PRODUCT}"
VIAddVersionKey /LANG=1045 "CompanyName" "${PRODUCT}"
VIAddVersionKey /LANG=1045 "FileDescription" "${PRODUCT} – instalator"
VIAddVersionKey /LANG=1045 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=1045 "ProductVersion" "${VERSION}"

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_ABORTWARNING
; No "run now" on the last page: it would start the program with the
; installer's administrator rights.

!insertmacro MUI_PAGE_WELCOME
!insertmacro MUI_PAGE_COMPONENTS
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "Polish"

; NSIS strings hold NSIS_MAX_STRLEN characters: a longer PATH would come
; back cut short, and writing it back would lose the rest of it.
!define PATH_LIMIT 1000

Section "!Program" SecMain
  SectionIn RO
  SetOutPath "$INSTDIR"
  File "/oname=podzial.exe" "${GUI_EXE}"
  File "/oname=podzial-cli.exe" "${CLI_EXE}"
  File "/oname=CZYTAJ.txt" "${README}"
  WriteUninstaller "$INSTDIR\odinstaluj.exe"
  CreateShortCut "$SMPROGRAMS\${PRODUCT}.lnk" "$INSTDIR\podzial.exe" "" \
      "$INSTDIR\podzial.exe" 0 SW_SHOWNORMAL "" "${PRODUCT}"

  WriteRegStr HKLM "${UNINST_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr HKLM "${UNINST_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINST_KEY}" "Publisher" "${PRODUCT}"
  WriteRegStr HKLM "${UNINST_KEY}" "DisplayIcon" "$INSTDIR\podzial.exe,0"
  WriteRegStr HKLM "${UNINST_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINST_KEY}" "UninstallString" '"$INSTDIR\odinstaluj.exe"'
  WriteRegStr HKLM "${UNINST_KEY}" "QuietUninstallString" '"$INSTDIR\odinstaluj.exe" /S'
  WriteRegDWORD HKLM "${UNINST_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINST_KEY}" "NoRepair" 1
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  WriteRegDWORD HKLM "${UNINST_KEY}" "EstimatedSize" "$0"
SectionEnd

; Off by default: the machine's PATH is every user's and every program's,
; and the window is what most users start.
Section /o "Wiersz poleceń w zmiennej PATH" SecPath
  ClearErrors
  ReadRegStr $0 HKLM "${ENV_KEY}" "Path"
  ${If} ${Errors}
    DetailPrint "Nie udało się odczytać zmiennej PATH: pozostaje bez zmian."
    MessageBox MB_ICONEXCLAMATION|MB_OK "Nie udało się odczytać zmiennej PATH. Folder $INSTDIR można dodać do niej ręcznie." /SD IDOK
    Return
  ${EndIf}
  ; The new value must fit whole: a cut one would hold a broken folder the
  ; uninstaller could not find again.
  StrLen $1 $0
  StrLen $3 "$INSTDIR"
  IntOp $1 $1 + $3
  IntOp $1 $1 + 1
  ${If} $1 > ${PATH_LIMIT}
    DetailPrint "Zmienna PATH jest za długa, by ją bezpiecznie zmienić: pozostaje bez zmian."
    MessageBox MB_ICONEXCLAMATION|MB_OK "Zmienna PATH jest za długa, by ją bezpiecznie zmienić. Folder $INSTDIR można dodać do niej ręcznie." /SD IDOK
    Return
  ${EndIf}
  Push $0
  Push "$INSTDIR"
  Call PathWithout
  Pop $2
  ${If} $2 != $0
    ; Already there: the uninstaller must leave it, as it found it.
    Return
  ${EndIf}
  ${If} $0 == ""
    StrCpy $0 "$INSTDIR"
  ${Else}
    StrCpy $0 "$0;$INSTDIR"
  ${EndIf}
  WriteRegExpandStr HKLM "${ENV_KEY}" "Path" "$0"
  WriteRegDWORD HKLM "${UNINST_KEY}" "AddedToPath" 1
  SendMessage ${HWND_BROADCAST} ${WM_SETTINGCHANGE} 0 "STR:Environment" /TIMEOUT=5000
SectionEnd

!insertmacro MUI_FUNCTION_DESCRIPTION_BEGIN
  !insertmacro MUI_DESCRIPTION_TEXT ${SecMain} "Okno programu (podzial.exe), wiersz poleceń (podzial-cli.exe) i skrót w menu Start."
  !insertmacro MUI_DESCRIPTION_TEXT ${SecPath} "Dopisuje folder programu do zmiennej PATH komputera, by podzial-cli działał w każdym oknie wiersza poleceń."
!insertmacro MUI_FUNCTION_DESCRIPTION_END

; PATH (below the top of the stack) without every entry equal to a folder
; (the top), letter case ignored, with or without a trailing backslash;
; the other entries, empty ones too, stay as they were.
!macro PATH_WITHOUT un
Function ${un}PathWithout
  Exch $R0 ; folder
  Exch
  Exch $R1 ; PATH
  Push $R2 ; result
  Push $R3 ; position
  Push $R4 ; character
  Push $R5 ; entry
  Push $R6 ; entries kept
  StrCpy $R2 ""
  StrCpy $R3 0
  StrCpy $R5 ""
  StrCpy $R6 0
  ${Do}
    StrCpy $R4 $R1 1 $R3
    ${If} $R4 == ";"
    ${OrIf} $R4 == ""
      ${If} $R5 != $R0
      ${AndIf} $R5 != "$R0\"
        ${If} $R6 > 0
          StrCpy $R2 "$R2;"
        ${EndIf}
        StrCpy $R2 "$R2$R5"
        IntOp $R6 $R6 + 1
      ${EndIf}
      StrCpy $R5 ""
      ${IfThen} $R4 == "" ${|} ${ExitDo} ${|}
    ${Else}
      StrCpy $R5 "$R5$R4"
    ${EndIf}
    IntOp $R3 $R3 + 1
  ${Loop}
  StrCpy $R0 $R2
  Pop $R6
  Pop $R5
  Pop $R4
  Pop $R3
  Pop $R2
  Pop $R1
  Exch $R0
FunctionEnd
!macroend
!insertmacro PATH_WITHOUT ""
!insertmacro PATH_WITHOUT "un."

Function .onInit
  SetRegView 64
  SetShellVarContext all
  ; "/PATH" chooses the PATH component also in a silent install (/S).
  ${GetParameters} $0
  ClearErrors
  ${GetOptions} $0 "/PATH" $1
  ${IfNot} ${Errors}
    !insertmacro SelectSection ${SecPath}
  ${EndIf}
FunctionEnd

Function un.onInit
  SetRegView 64
  SetShellVarContext all
FunctionEnd

Section "Uninstall"
  ReadRegDWORD $0 HKLM "${UNINST_KEY}" "AddedToPath"
  ${If} $0 == 1
    ClearErrors
    ReadRegStr $1 HKLM "${ENV_KEY}" "Path"
    StrLen $2 $1
    ${If} ${Errors}
    ${OrIf} $2 > ${PATH_LIMIT}
      DetailPrint "Zmienna PATH jest za długa, by ją bezpiecznie zmienić: folder $INSTDIR trzeba z niej usunąć ręcznie."
    ${Else}
      Push $1
      Push "$INSTDIR"
      Call un.PathWithout
      Pop $3
      ${If} $3 != $1
        WriteRegExpandStr HKLM "${ENV_KEY}" "Path" "$3"
        SendMessage ${HWND_BROADCAST} ${WM_SETTINGCHANGE} 0 "STR:Environment" /TIMEOUT=5000
      ${EndIf}
    ${EndIf}
  ${EndIf}

  Delete "$SMPROGRAMS\${PRODUCT}.lnk"
  Delete "$INSTDIR\podzial.exe"
  Delete "$INSTDIR\podzial-cli.exe"
  Delete "$INSTDIR\CZYTAJ.txt"
  Delete "$INSTDIR\odinstaluj.exe"
  ; Only an empty folder goes: whatever a user put there stays.
  RMDir "$INSTDIR"
  DeleteRegKey HKLM "${UNINST_KEY}"
SectionEnd
