; Orbek and Nulvex for one user: no administrator rights, nothing outside the
; user's own profile and HKCU.
;
;   makensis -INPUTCHARSET UTF8 -DVERSION=x.y.z -DORBEK_EXE=... -DNULVEX_EXE=...
;            -DREADME=... -DICON=... -DOUTFILE=... orbek.nsi
;
; Command line of the setup program, besides NSIS's own /S and /D=folder:
;   /NOAUTOSTART  leave "start at sign-in" unchecked (for /S, where there is no
;                 page to uncheck it on)
;
; Exit codes: 0 installed, 1 cancelled, 2 refused (Orbek or Nulvex is running)
; or failed.
;
; The sentences (HKCU\Software\VB and VBA Program Settings\Orbek) are never
; touched here: removing the programs keeps them, Nulvex deletes them.

Unicode true
Target amd64-unicode
RequestExecutionLevel user
ManifestDPIAware true
SetCompressor /SOLID lzma

!ifndef VERSION | ORBEK_EXE | NULVEX_EXE | README | ICON | OUTFILE
  !error "define VERSION, ORBEK_EXE, NULVEX_EXE, README, ICON and OUTFILE"
!endif

!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Orbek"
!define RUN_KEY "Software\Microsoft\Windows\CurrentVersion\Run"
!define PUBLISHER "Orbek 開発チーム"
!define README_NAME "はじめに.txt"
!define UNINSTALLER "uninstall.exe"

!include "MUI2.nsh"
!include "FileFunc.nsh"
!include "LogicLib.nsh"
!include "Sections.nsh"

Name "Orbek ${VERSION}"
OutFile "${OUTFILE}"
InstallDir "$LOCALAPPDATA\Programs\Orbek"
InstallDirRegKey HKCU "${UNINSTALL_KEY}" "InstallLocation"
BrandingText "Orbek ${VERSION}"

VIProductVersion "${VERSION}.0"
VIFileVersion "${VERSION}.0"

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_ABORTWARNING
!define MUI_COMPONENTSPAGE_NODESC
!define MUI_FINISHPAGE_RUN "$INSTDIR\Orbek.exe"
!define MUI_FINISHPAGE_RUN_TEXT "Orbek を起動する"
!define MUI_FINISHPAGE_SHOWREADME "$INSTDIR\${README_NAME}"
!define MUI_FINISHPAGE_SHOWREADME_TEXT "「${README_NAME}」を開く"
!define MUI_FINISHPAGE_SHOWREADME_NOTCHECKED
!define MUI_UNCONFIRMPAGE_TEXT_TOP "Orbek と Nulvex を削除します。登録した文は削除されません。文も削除するには、先に Nulvex を実行してください。"

!insertmacro MUI_PAGE_WELCOME
!insertmacro MUI_PAGE_COMPONENTS
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES

!insertmacro MUI_LANGUAGE "Japanese"

VIAddVersionKey /LANG=${LANG_JAPANESE} "ProductName" "Orbek"
VIAddVersionKey /LANG=${LANG_JAPANESE} "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=${LANG_JAPANESE} "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=${LANG_JAPANESE} "FileDescription" "Orbek セットアップ"
VIAddVersionKey /LANG=${LANG_JAPANESE} "CompanyName" "${PUBLISHER}"
VIAddVersionKey /LANG=${LANG_JAPANESE} "LegalCopyright" "${PUBLISHER}"

; A running program's file can be neither replaced nor deleted, and half an
; install (or uninstall) is worse than none: wait for the user to exit the
; program, or, without pages (/S), give up before changing anything.
; Orbek holds this mutex while it runs, wherever it was started from.
!macro REQUIRE_ORBEK_STOPPED
  ${Do}
    System::Call 'kernel32::OpenMutexW(i 0x00100000, i 0, w "Local\Orbek.Instance") p .r0 ?e'
    Pop $1
    ; Denied access still means that it exists.
    ${If} $0 P= 0
    ${AndIf} $1 <> 5
      ${Break}
    ${EndIf}
    System::Call 'kernel32::CloseHandle(p r0)'
    ; Retry jumps back to the check; Cancel, and /S, end here.
    MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION "Orbek が実行中です。$\r$\n通知領域の Orbek のアイコンを右クリックして終了してから、[再試行] を押してください。" /SD IDCANCEL IDRETRY +3
    SetErrorLevel 2
    Quit
  ${Loop}
!macroend

; Nulvex has no mutex; a file that cannot be opened for writing is in use.
!macro REQUIRE_FILE_FREE file program
  ${Do}
    ${IfNot} ${FileExists} "${file}"
      ${Break}
    ${EndIf}
    ClearErrors
    FileOpen $0 "${file}" a
    ${IfNot} ${Errors}
      FileClose $0
      ${Break}
    ${EndIf}
    MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION "${program} が実行中です。$\r$\n${program} を閉じてから、[再試行] を押してください。" /SD IDCANCEL IDRETRY +3
    SetErrorLevel 2
    Quit
  ${Loop}
!macroend
!macro REQUIRE_PROGRAMS_STOPPED
  !insertmacro REQUIRE_ORBEK_STOPPED
  !insertmacro REQUIRE_FILE_FREE "$INSTDIR\Orbek.exe" Orbek
  !insertmacro REQUIRE_FILE_FREE "$INSTDIR\Nulvex.exe" Nulvex
!macroend

Section "Orbek と Nulvex" SecPrograms
  SectionIn RO
  ; Either may have been started since the pages were shown.
  !insertmacro REQUIRE_PROGRAMS_STOPPED
  SetOutPath "$INSTDIR"
  File "/oname=Orbek.exe" "${ORBEK_EXE}"
  File "/oname=Nulvex.exe" "${NULVEX_EXE}"
  File "/oname=${README_NAME}" "${README}"
  WriteUninstaller "$INSTDIR\${UNINSTALLER}"

  CreateDirectory "$SMPROGRAMS\Orbek"
  CreateShortcut "$SMPROGRAMS\Orbek\Orbek.lnk" "$INSTDIR\Orbek.exe" "" "$INSTDIR\Orbek.exe" 0 \
    SW_SHOWNORMAL "" "よく使う文を通知領域から貼り付けます"
  CreateShortcut "$SMPROGRAMS\Orbek\Nulvex.lnk" "$INSTDIR\Nulvex.exe" "" "$INSTDIR\Nulvex.exe" 0 \
    SW_SHOWNORMAL "" "Orbek に登録したすべての文を削除します"
  CreateShortcut "$SMPROGRAMS\Orbek\Orbek のアンインストール.lnk" "$INSTDIR\${UNINSTALLER}"

  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayName" "Orbek"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\Orbek.exe,0"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\${UNINSTALLER}"'
  WriteRegStr HKCU "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\${UNINSTALLER}" /S'
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoRepair" 1
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "EstimatedSize" $0
SectionEnd

Section "サインイン時に Orbek を起動する" SecAutostart
  WriteRegStr HKCU "${RUN_KEY}" "Orbek" '"$INSTDIR\Orbek.exe"'
SectionEnd

; Installing again without the option turns it off. A Run value that names
; another copy of Orbek is the user's own and stays.
!macro REMOVE_OWN_RUN_VALUE
  ReadRegStr $0 HKCU "${RUN_KEY}" "Orbek"
  ${If} $0 == '"$INSTDIR\Orbek.exe"'
    DeleteRegValue HKCU "${RUN_KEY}" "Orbek"
  ${EndIf}
!macroend

Section "-autostart off"
  ${IfNot} ${SectionIsSelected} ${SecAutostart}
    !insertmacro REMOVE_OWN_RUN_VALUE
  ${EndIf}
SectionEnd

; After the sections: it names one.
Function .onInit
  SetShellVarContext current
  ${GetParameters} $R0
  ClearErrors
  ${GetOptions} $R0 "/NOAUTOSTART" $R1
  ${IfNot} ${Errors}
    !insertmacro UnselectSection ${SecAutostart}
  ${EndIf}
  !insertmacro REQUIRE_ORBEK_STOPPED
FunctionEnd

Function un.onInit
  SetShellVarContext current
  !insertmacro REQUIRE_ORBEK_STOPPED
FunctionEnd

Section "Uninstall"
  !insertmacro REQUIRE_PROGRAMS_STOPPED
  !insertmacro REMOVE_OWN_RUN_VALUE

  Delete "$SMPROGRAMS\Orbek\Orbek.lnk"
  Delete "$SMPROGRAMS\Orbek\Nulvex.lnk"
  Delete "$SMPROGRAMS\Orbek\Orbek のアンインストール.lnk"
  RMDir "$SMPROGRAMS\Orbek"

  ; File by file, and the folder only if that leaves it empty: it may hold
  ; the user's own files. Started from the Start menu, the uninstaller works
  ; in that folder, which could not go while it did.
  SetOutPath "$TEMP"
  Delete "$INSTDIR\Orbek.exe"
  Delete "$INSTDIR\Nulvex.exe"
  Delete "$INSTDIR\${README_NAME}"
  Delete "$INSTDIR\${UNINSTALLER}"
  RMDir "$INSTDIR"

  ; Last, so that the entry in Apps lasts as long as there is something left
  ; to remove, and a script can wait for it to go.
  DeleteRegKey HKCU "${UNINSTALL_KEY}"
SectionEnd
