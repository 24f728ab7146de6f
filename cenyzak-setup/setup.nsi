; cenyzak-VERSION-setup.exe: installs, updates, rolls back and uninstalls the plug-in cenyzak.dll on
; a client's PC, interactively or silently, in Polish. Built with makensis (NSIS 3, Unicode) by the
; win32 preset (CMakeLists.txt, cenyzak-setup/build.sh) and by ./release; texts in teksty.nsh.
;
; Where. The program's folder (the one holding the host module VORDAN.dll) is chosen on the first
; page, prefilled with the folder of the earlier installation (the uninstall entry's
; InstallLocation), else $PROGRAMFILES\Vordan ("Program Files (x86)" on 64-bit Windows); silently
; it is /D=FOLDER, last and unquoted, with the same default. The plug-in goes to FOLDER\Wtyczki\.
; A folder without VORDAN.dll is refused (the plug-in folder itself with a hint to the one above).
;
; Check first. The package's pre-flight tool (cenyzak-sprawdz.exe, carried inside) runs on the
; folder with --stan: its report is shown as it is and written to the log, and the verdict row it
; names (the key on the report's first line) gives the check page its words: the plug-in will work
; there, will work only after "Ignoruj" at each start, will not work, or nothing was checked. Its
; status decides: 0 the plug-in will work; anything else installs nothing unless the integrator
; ticks the box "Zainstaluj mimo to ..." (silently: /MIMO). Under those words the page says what
; this setup will do with the plug-in it finds there (Plan: install, nothing to do, register,
; repair, update, replace, older over newer), and its button is named after it. A second copy of
; the plug-in (a .dll named cenyzak* or whose version resource names cenyzak) in Wtyczki\ or in the
; program's folder itself is reported and refused the same way.
;
; Every header, title and button is this setup's own, for the mode it runs in (install, rollback,
; uninstall; from the setup or from the uninstaller): ModeTexts, the TEXTS/HEADER macros, and
; teksty.nsh.
;
; Nothing half done. Before anything changes, the installed plug-in is opened for writing without
; sharing: a program that has it loaded (on this or another workstation, or any handle open on a
; share) makes that fail, and the setup stops with what to do. The new file is written as
; Wtyczki\cenyzak.dll.nowa (a name the program does not load), its SHA-256 checked against the
; package, then renamed over cenyzak.dll in one step (MoveFileEx): an interrupted setup leaves the
; old plug-in working. The installed file's SHA-256 is checked once more at the end.
;
; Update and roll back. The replaced plug-in is kept, by its version number, as
; %ProgramData%\cenyzak\kopie\cenyzak-VERSION.dll: outside the program's folder, where the program
; cannot load it. /WROC (this setup of any version, or the uninstaller, also from its page) puts the
; kept previous version back and keeps the one it replaces, so /WROC twice returns; no old package
; is needed. An older version over a newer one is asked first (silently: only with /STARSZA). The
; same version with other bytes is repaired; the same bytes are "nothing to do".
;
; Uninstall. Entry "cenyzak" in Windows' list of installed programs (HKLM, on 64-bit Windows the
; 32-bit view Wow6432Node): name, version, publisher, folder, size. The uninstaller is
; %ProgramData%\cenyzak\odinstaluj.exe; silently this setup with /ODINSTALUJ does the same and
; returns its exit code directly (the uninstaller runs from a temporary copy and returns at once,
; unless started with _?=%ProgramData%\cenyzak). The program's folder is left as before the first
; installation (Wtyczki\ removed when the setup made it and it is empty); the kept copies go only
; with /USUN_KOPIE (or the box on the uninstaller's page). The program's notice setting stays.
;
; Exit codes (silent and interactive):
;   0  installed, updated, repaired, rolled back or uninstalled
;   1  cancelled by the user (interactive only)
;   2  other error (a file that could not be written, a wrong SHA-256, another installation)
;   3  nothing to do (the same file installed; nothing to roll back to; nothing installed)
;   4  the check failed: no host module in the folder, the pre-flight tool says the plug-in will
;      not work, or a second copy of the plug-in (without /MIMO)
;   5  the plug-in file is in use
;   6  an older version over a newer one refused (without /STARSZA)
;   7  a wrong switch
;
; Log: %ProgramData%\cenyzak\instalacja.log, UTF-8 with a byte order mark and CRLF, appended on
; every run: the date, the command line, every step, the pre-flight report, the exit code.
;
; Defines from the build: VERSION (x.y.z), PUBLISHER, COPYRIGHT, DLL and TOOL (the files to carry),
; DLL_SHA256 (the DLL's, lower case), SUMS (a SHA256SUMS for the tool's comparison), OUTFILE.

Unicode true
!ifndef VERSION | PUBLISHER | COPYRIGHT | DLL | DLL_SHA256 | TOOL | SUMS | OUTFILE
  !error "makensis: give -DVERSION -DPUBLISHER -DCOPYRIGHT -DDLL -DDLL_SHA256 -DTOOL -DSUMS -DOUTFILE (cenyzak-setup/build.sh)"
!endif
!searchparse /noerrors "${VERSION}" "" V_MAJOR "." V_MINOR "." V_PATCH
!ifndef V_PATCH
  !error "VERSION must be MAJOR.MINOR.PATCH, not ${VERSION}"
!endif

; Output that depends on nothing but the inputs: no file times stored, one fixed compressor.
SetDateSave off
SetCompressor /SOLID /FINAL lzma
CRCCheck on
RequestExecutionLevel admin
ManifestSupportedOS all
ManifestDPIAware true
Name "cenyzak ${VERSION}"
OutFile "${OUTFILE}"
InstallDir ""
BrandingText "cenyzak ${VERSION} — ${PUBLISHER}"
ShowInstDetails show
ShowUninstDetails show

!include MUI2.nsh
!include LogicLib.nsh
!include FileFunc.nsh
!include nsDialogs.nsh
!include WinMessages.nsh
!include "teksty.nsh"

!define UNINST_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\cenyzak"
!define E_OTHER 2
!define E_NOTHING 3
!define E_CHECK 4
!define E_IN_USE 5
!define E_OLDER 6
!define E_SWITCH 7

Var Mode        ; install, wroc or odinstaluj
Var Force       ; 1: /MIMO or "Zainstaluj mimo to"
Var AllowOlder  ; 1: /STARSZA
Var RemoveCopies ; 1: /USUN_KOPIE or the uninstaller's box
Var Log         ; the log's handle, 0 when it could not be opened
Var LogPath
Var State       ; %ProgramData%\cenyzak
Var CheckStatus ; the pre-flight tool's status, "" before it ran
Var CheckedDir  ; the folder it ran on
Var Dialog
Var ForceBox
Var RemoveBox
Var RollbackRadio
Var CreatedPlugins ; 1 when this run made the folder Wtyczki
Var CheckState  ; the pre-flight tool's verdict row (its key, cenyzak-sprawdz --stan), "" before
Var CheckWork   ; the check page's words (CheckWords)
Var CheckPlan
Var CheckBox
Var Plan        ; what Plan decided: install, nothing, register, repair, update, replace, older
Var Installed   ; the installed plug-in's version ("" none), and its SHA-256
Var InstalledSha
; What the window says in this mode (ModeTexts): its title, the progress page's header while the
; work runs and once it is done, and the check page's button.
Var TCaption
Var TRun
Var TRunSub
Var TDone
Var TDoneSub
Var TButton

;--- pages ---------------------------------------------------------------------------------------
; Every text a page shows is this setup's own, for the mode it runs in: NSIS's stock Polish texts
; speak of installing "cenyzak" into a folder of its own and call uninstalling "deinstalacja". The
; texts that change with the mode are variables (ModeTexts), which NSIS and MUI read as each page
; is shown; the window's title has no page suffix.
!define MUI_ABORTWARNING
!define MUI_ABORTWARNING_TEXT "${T_ABORT_WARNING}"
!define MUI_PAGE_HEADER_TEXT "${T_DIR_TITLE}"
!define MUI_PAGE_HEADER_SUBTEXT "${T_DIR_SUBTITLE}"
!define MUI_DIRECTORYPAGE_TEXT_TOP "${T_DIR_TEXT}"
; MUI passes these two to DirText; the closing and opening quotes inside add DirText's other two
; texts, the browse button's (stock) and the folder dialog's, which would otherwise ask for the
; folder "to install cenyzak into".
!define MUI_DIRECTORYPAGE_TEXT_DESTINATION `${T_DIR_LABEL}" "" "${T_DIR_BROWSE}`
!define MUI_PAGE_CUSTOMFUNCTION_PRE SkipUnlessInstall
!define MUI_PAGE_CUSTOMFUNCTION_LEAVE DirLeave
!insertmacro MUI_PAGE_DIRECTORY
Page custom CheckPageShow CheckPageLeave
!define MUI_PAGE_HEADER_TEXT "$TRun"
!define MUI_PAGE_HEADER_SUBTEXT "$TRunSub"
!define MUI_INSTFILESPAGE_FINISHHEADER_TEXT "$TDone"
!define MUI_INSTFILESPAGE_FINISHHEADER_SUBTEXT "$TDoneSub"
; (MUI keeps the abort header's two for the uninstaller's progress page too.)
!define MUI_INSTFILESPAGE_ABORTHEADER_TEXT "${T_STOPPED}"
!define MUI_INSTFILESPAGE_ABORTHEADER_SUBTEXT "${T_STOPPED_SUB}"
!insertmacro MUI_PAGE_INSTFILES
UninstPage custom un.ChoicePageShow un.ChoicePageLeave
!define MUI_PAGE_HEADER_TEXT "$TRun"
!define MUI_PAGE_HEADER_SUBTEXT "$TRunSub"
!define MUI_INSTFILESPAGE_FINISHHEADER_TEXT "$TDone"
!define MUI_INSTFILESPAGE_FINISHHEADER_SUBTEXT "$TDoneSub"
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "Polish"
Caption "$TCaption"
UninstallCaption "$TCaption"
SubCaption 0 " "
SubCaption 1 " "
SubCaption 2 " "
SubCaption 3 " "
SubCaption 4 " "
UninstallSubCaption 0 " "
UninstallSubCaption 1 " "
UninstallSubCaption 2 " "
InstallButtonText "$TButton"
UninstallButtonText "$TButton"
SpaceTexts none

VIProductVersion "${V_MAJOR}.${V_MINOR}.${V_PATCH}.0"
VIFileVersion "${V_MAJOR}.${V_MINOR}.${V_PATCH}.0"
VIAddVersionKey /LANG=${LANG_POLISH} "ProductName" "cenyzak"
VIAddVersionKey /LANG=${LANG_POLISH} "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=${LANG_POLISH} "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=${LANG_POLISH} "FileDescription" "${T_DESCRIPTION}"
VIAddVersionKey /LANG=${LANG_POLISH} "CompanyName" "${PUBLISHER}"
VIAddVersionKey /LANG=${LANG_POLISH} "LegalCopyright" "${COPYRIGHT}"
VIAddVersionKey /LANG=${LANG_POLISH} "OriginalFilename" "cenyzak-${VERSION}-setup.exe"

;--- calls shared by the setup and its uninstaller -----------------------------------------------
; NSIS keeps the uninstaller's functions apart (un. prefix): the shared ones are defined twice from
; one macro, and CALL picks the right one where it is used.
!macro CALL NAME
  !ifdef __UNINSTALL__
    Call un.${NAME}
  !else
    Call ${NAME}
  !endif
!macroend
!macro LOG TEXT
  Push `${TEXT}`
  !insertmacro CALL LogLine
!macroend
; Writes TEXT to the log, shows it (interactive), sets the exit code and ends.
!macro FAIL CODE TEXT
  Push `${TEXT}`
  Push ${CODE}
  !insertmacro CALL Fail
!macroend

; The progress page's header for WHAT (T_RUN_WHAT..., T_DONE_WHAT... in teksty.nsh): TEXTS sets
; what the page will show, HEADER shows it at once too, for a decision made while the page is up.
!macro TEXTS WHAT
  StrCpy $TRun "${T_RUN_${WHAT}}"
  StrCpy $TRunSub "${T_RUN_${WHAT}_SUB}"
  StrCpy $TDone "${T_DONE_${WHAT}}"
  StrCpy $TDoneSub "${T_DONE_${WHAT}_SUB}"
!macroend
!macro HEADER WHAT
  !insertmacro TEXTS ${WHAT}
  ${IfNot} ${Silent}
    !insertmacro MUI_HEADER_TEXT "$TRun" "$TRunSub"
  ${EndIf}
!macroend

!macro SHARED UN
; The window's words for $Mode: its title, the button that starts the work, the progress page.
Function ${UN}ModeTexts
  ${If} $Mode == "wroc"
    StrCpy $TCaption "${T_CAPTION_ROLLBACK}"
    StrCpy $TButton "${T_BUTTON_ROLLBACK}"
    !insertmacro TEXTS ROLLBACK
  ${ElseIf} $Mode == "odinstaluj"
    StrCpy $TCaption "${T_CAPTION_UNINSTALL}"
    StrCpy $TButton "${T_BUTTON_UNINSTALL}"
    !insertmacro TEXTS UNINSTALL
  ${Else}
    StrCpy $TCaption "${T_CAPTION_INSTALL}"
    StrCpy $TButton "${T_BUTTON_INSTALL}"
    !insertmacro TEXTS INSTALL
  ${EndIf}
FunctionEnd

; Opens the log (appending) and writes the run's first lines.
Function ${UN}LogOpen
  SetShellVarContext all
  StrCpy $State "$APPDATA\cenyzak"
  StrCpy $LogPath "$State\instalacja.log"
  CreateDirectory "$State"
  ClearErrors
  FileOpen $Log "$LogPath" a
  ${If} ${Errors}
    StrCpy $Log 0
    Return
  ${EndIf}
  FileSeek $Log 0 END $0
  ${If} $0 == 0
    FileWriteByte $Log 0xEF
    FileWriteByte $Log 0xBB
    FileWriteByte $Log 0xBF
  ${EndIf}
  System::Call '*(&i2, &i2, &i2, &i2, &i2, &i2, &i2, &i2) p .r1'
  System::Call 'kernel32::GetLocalTime(p r1)'
  System::Call '*$1(&i2 .r2, &i2 .r3, &i2, &i2 .r4, &i2 .r5, &i2 .r6, &i2 .r7, &i2)'
  System::Free $1
  IntFmt $3 "%02d" $3
  IntFmt $4 "%02d" $4
  IntFmt $5 "%02d" $5
  IntFmt $6 "%02d" $6
  IntFmt $7 "%02d" $7
  !insertmacro LOG ""
  !insertmacro LOG "=== $2-$3-$4 $5:$6:$7  cenyzak ${VERSION}: $CMDLINE"
FunctionEnd

; Appends one line (the text on the stack) to the log, as UTF-8 with CRLF.
Function ${UN}LogLine
  Exch $0
  Push $1
  Push $2
  ; The progress page lists the log's lines alone: NSIS's own lines for each file it unpacks,
  ; copies or writes ("Wyodrębnij", "Utworzono deinstalator") say nothing an integrator needs.
  SetDetailsPrint both
  DetailPrint "$0"
  SetDetailsPrint none
  ${If} $Log != 0
    StrCpy $0 "$0$\r$\n"
    System::Call 'kernel32::WideCharToMultiByte(i 65001, i 0, w r0, i -1, p 0, i 0, p 0, p 0) i .r1'
    System::Alloc $1
    Pop $2
    System::Call 'kernel32::WideCharToMultiByte(i 65001, i 0, w r0, i -1, p r2, i r1, p 0, p 0)'
    IntOp $1 $1 - 1
    System::Call 'kernel32::WriteFile(p $Log, p r2, i r1, *i 0, p 0)'
    System::Free $2
  ${EndIf}
  Pop $2
  Pop $1
  Pop $0
FunctionEnd

Function ${UN}Fail
  Pop $1 ; the code
  Pop $0 ; the text
  !insertmacro LOG "BŁĄD: $0"
  !insertmacro LOG "Kod wyjścia: $1"
  ${IfNot} ${Silent}
    MessageBox MB_OK|MB_ICONSTOP "$0"
  ${EndIf}
  SetErrorLevel $1
  Quit
FunctionEnd

; Reads a whole file. In: the path on the stack. Out: the buffer (System::Alloc, 0 when the file
; cannot be read) and under it its length.
Function ${UN}ReadAll
  Exch $0
  Push $1
  Push $2
  Push $3
  StrCpy $3 0
  StrCpy $2 0
  ; FILE_SHARE_READ|WRITE|DELETE: a file that a program has loaded can still be read.
  System::Call 'kernel32::CreateFileW(w r0, i 0x80000000, i 7, p 0, i 3, i 0, p 0) p .r1'
  ${If} $1 != -1
    System::Call 'kernel32::GetFileSize(p r1, p 0) i .r2'
    IntOp $0 $2 + 1
    System::Alloc $0
    Pop $3
    System::Call 'kernel32::ReadFile(p r1, p r3, i r2, *i .r0, p 0) i .r0'
    System::Call 'kernel32::CloseHandle(p r1)'
  ${EndIf}
  StrCpy $0 $3
  StrCpy $1 $2
  Pop $3
  Pop $2
  Exch $1
  Exch
  Exch $0
FunctionEnd

; The SHA-256 of a file, in lower-case hex; "" when it cannot be read. In and out on the stack.
Function ${UN}Sha256
  !insertmacro CALL ReadAll
  Exch $0 ; the buffer
  Exch
  Exch $1 ; its length
  Push $2
  Push $3
  Push $4
  Push $5
  Push $6
  Push $7
  StrCpy $7 ""
  ${If} $0 != 0
    ; PROV_RSA_AES (24) has SHA-256 (CALG_SHA_256 0x800C); CRYPT_VERIFYCONTEXT: no key store.
    System::Call 'advapi32::CryptAcquireContextW(*p .r2, p 0, p 0, i 24, i 0xF0000000) i .r6'
    ${If} $6 != 0
      System::Call 'advapi32::CryptCreateHash(p r2, i 0x800C, p 0, i 0, *p .r3) i .r6'
      ${If} $6 != 0
        System::Call 'advapi32::CryptHashData(p r3, p r0, i r1, i 0)'
        System::Alloc 32
        Pop $4
        System::Call 'advapi32::CryptGetHashParam(p r3, i 2, p r4, *i 32, i 0) i .r6'
        ${If} $6 != 0
          ${For} $5 0 31
            IntOp $6 $4 + $5
            System::Call '*$6(&i1 .r6)'
            IntOp $6 $6 & 0xFF
            IntFmt $6 "%02x" $6
            StrCpy $7 "$7$6"
          ${Next}
        ${EndIf}
        System::Free $4
        System::Call 'advapi32::CryptDestroyHash(p r3)'
      ${EndIf}
      System::Call 'advapi32::CryptReleaseContext(p r2, i 0)'
    ${EndIf}
    System::Free $0
  ${EndIf}
  StrCpy $0 $7
  Pop $7
  Pop $6
  Pop $5
  Pop $4
  Pop $3
  Pop $2
  Pop $1
  Exch $0
FunctionEnd

; The version of a plug-in file as "x.y.z" from its version resource; "nieznana" without one.
Function ${UN}FileVersion
  Exch $0
  Push $1
  Push $2
  ClearErrors
  GetDLLVersion "$0" $1 $2
  ${If} ${Errors}
    StrCpy $0 "${T_UNKNOWN_VERSION}"
  ${Else}
    IntOp $0 $1 >> 16
    IntOp $1 $1 & 0xFFFF
    IntOp $2 $2 >> 16
    StrCpy $0 "$0.$1.$2"
  ${EndIf}
  Pop $2
  Pop $1
  Exch $0
FunctionEnd

; Whether another program holds the file: it is opened for reading and writing without sharing,
; which fails with a sharing violation (32) while a program has it loaded or open, here or on a
; share. Out on the stack: 0 free (or no file), 32 in use, another Windows error code (no rights).
Function ${UN}InUse
  Exch $0
  Push $1
  ${If} ${FileExists} "$0"
    System::Call 'kernel32::CreateFileW(w r0, i 0xC0000000, i 0, p 0, i 3, i 0, p 0) p .r1 ?e'
    Pop $0
    ${If} $1 != -1
      System::Call 'kernel32::CloseHandle(p r1)'
      StrCpy $0 0
    ${EndIf}
  ${Else}
    StrCpy $0 0
  ${EndIf}
  Pop $1
  Exch $0
FunctionEnd

; Stops unless the plug-in file (on the stack) is free to replace.
Function ${UN}RequireFree
  Exch $0
  Push $1
  Push $0
  !insertmacro CALL InUse
  Pop $1
  ${If} $1 == 32
    !insertmacro FAIL ${E_IN_USE} "${T_IN_USE}"
  ${ElseIf} $1 != 0
    !insertmacro FAIL ${E_OTHER} "${T_NO_ACCESS}"
  ${EndIf}
  Pop $1
  Pop $0
FunctionEnd

; Puts file $0 in place as $1 without a moment without a working plug-in: copied to $1.nowa,
; checked against SHA-256 $2, renamed over $1 in one step, checked again. Stops on any failure,
; with $1 as it was.
Function ${UN}PutInPlace
  Push $3
  Push $4
  Delete "$1.nowa"
  ClearErrors
  CopyFiles /SILENT "$0" "$1.nowa"
  ${If} ${Errors}
    System::Call 'kernel32::GetLastError() i .r4'
    Delete "$1.nowa"
    StrCpy $0 "$1.nowa"
    StrCpy $1 $4
    !insertmacro FAIL ${E_OTHER} "${T_COPY_FAILED}"
  ${EndIf}
  Push "$1.nowa"
  !insertmacro CALL Sha256
  Pop $3
  ${If} $3 != $2
    Delete "$1.nowa"
    StrCpy $0 "$1.nowa"
    StrCpy $1 $3
    !insertmacro FAIL ${E_OTHER} "${T_HASH_MISMATCH}"
  ${EndIf}
  ; MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH
  StrCpy $4 "$1.nowa"
  System::Call 'kernel32::MoveFileExW(w r4, w r1, i 9) i .r3 ?e'
  Pop $4
  ${If} $3 == 0
    Delete "$1.nowa"
    ${If} $4 == 32
    ${OrIf} $4 == 5
      StrCpy $0 $1
      !insertmacro FAIL ${E_IN_USE} "${T_IN_USE}"
    ${EndIf}
    StrCpy $0 $1
    StrCpy $1 $4
    !insertmacro FAIL ${E_OTHER} "${T_COPY_FAILED}"
  ${EndIf}
  ; The old file is gone now: a wrong SHA-256 here is no longer "the old plug-in still works".
  Push $1
  !insertmacro CALL Sha256
  Pop $3
  ${If} $3 != $2
    StrCpy $0 $1
    StrCpy $1 $3
    !insertmacro FAIL ${E_OTHER} "${T_HASH_AFTER}"
  ${EndIf}
  Pop $4
  Pop $3
FunctionEnd

; Copies the plug-in file $0 (version $1) to the kept copies as kopie\cenyzak-$1.dll, unless that
; very file is there already. Out in $1: the kept file.
Function ${UN}Keep
  Push $2
  Push $3
  CreateDirectory "$State\kopie"
  StrCpy $1 "$State\kopie\cenyzak-$1.dll"
  Push $0
  !insertmacro CALL Sha256
  Pop $2
  Push $1
  !insertmacro CALL Sha256
  Pop $3
  ${If} $2 != $3
    Delete "$1"
    ClearErrors
    CopyFiles /SILENT "$0" "$1"
    Push $1
    !insertmacro CALL Sha256
    Pop $3
    ${If} ${Errors}
    ${OrIf} $2 != $3
      Delete "$1"
      StrCpy $0 $1
      !insertmacro FAIL ${E_OTHER} "${T_KEEP_FAILED}"
    ${EndIf}
  ${EndIf}
  Pop $3
  Pop $2
FunctionEnd

; Puts the kept previous version back and keeps the one it replaces.
Function ${UN}Rollback
  ClearErrors
  ReadRegStr $0 HKLM "${UNINST_KEY}" "InstallLocation"
  ${If} ${Errors}
    !insertmacro FAIL ${E_NOTHING} "${T_NOT_INSTALLED}"
  ${EndIf}
  ReadRegStr $5 HKLM "${UNINST_KEY}" "PoprzedniaWersja"
  StrCpy $6 "$State\kopie\cenyzak-$5.dll"
  ${If} $5 == ""
  ${OrIfNot} ${FileExists} "$6"
    StrCpy $0 "$State\kopie"
    !insertmacro FAIL ${E_NOTHING} "${T_NO_PREVIOUS}"
  ${EndIf}
  StrCpy $7 "$0\Wtyczki\cenyzak.dll"
  Push $7
  !insertmacro CALL RequireFree
  Push $7
  !insertmacro CALL FileVersion
  Pop $8
  ${If} ${FileExists} "$7"
    StrCpy $0 $7
    StrCpy $1 $8
    !insertmacro CALL Keep
    StrCpy $9 $1
  ${EndIf}
  Push $6
  !insertmacro CALL Sha256
  Pop $2
  StrCpy $0 $6
  StrCpy $1 $7
  !insertmacro CALL PutInPlace
  WriteRegStr HKLM "${UNINST_KEY}" "DisplayVersion" "$5"
  WriteRegStr HKLM "${UNINST_KEY}" "PoprzedniaWersja" "$8"
  WriteRegStr HKLM "${UNINST_KEY}" "SHA256" "$2"
  ReadRegStr $1 HKLM "${UNINST_KEY}" "InstallLocation"
  StrCpy $0 $5
  StrCpy $2 $8
  StrCpy $3 $9
  !insertmacro LOG "${T_ROLLED_BACK}"
  StrCpy $TDoneSub "${T_DONE_ROLLBACK_WHICH}"
  SetErrorLevel 0
FunctionEnd

; Removes the plug-in, the setup's own Wtyczki folder when it is empty, the entry and the
; uninstaller; the kept copies too with /USUN_KOPIE.
Function ${UN}Uninstall
  ClearErrors
  ReadRegStr $5 HKLM "${UNINST_KEY}" "InstallLocation"
  ${If} ${Errors}
    !insertmacro FAIL ${E_NOTHING} "${T_NOT_INSTALLED}"
  ${EndIf}
  StrCpy $7 "$5\Wtyczki\cenyzak.dll"
  Push $7
  !insertmacro CALL RequireFree
  Delete "$7.nowa"
  ; DeleteFileW itself, for the Windows error that says why the file stays.
  System::Call 'kernel32::DeleteFileW(w r7) i .r0 ?e'
  Pop $1
  ${If} ${FileExists} "$7"
    StrCpy $0 $7
    !insertmacro FAIL ${E_OTHER} "${T_DELETE_FAILED}"
  ${EndIf}
  ReadRegDWORD $0 HKLM "${UNINST_KEY}" "UtworzonoWtyczki"
  ${If} $0 == 1
    RMDir "$5\Wtyczki"
  ${EndIf}
  DeleteRegKey HKLM "${UNINST_KEY}"
  StrCpy $0 $5
  !insertmacro LOG "${T_REMOVED}"
  StrCpy $0 "$State\kopie"
  ${If} $RemoveCopies == 1
    RMDir /r "$State\kopie"
    !insertmacro LOG "${T_REMOVED_COPIES}"
  ${ElseIf} ${FileExists} "$State\kopie\*.*"
    !insertmacro LOG "${T_KEPT_COPIES}"
  ${EndIf}
  Delete /REBOOTOK "$State\odinstaluj.exe"
  SetErrorLevel 0
FunctionEnd

; The switches: known ones set their variable, anything else stops with exit code 7. /D= is the
; last one and takes the rest of the line (NSIS has read it into $INSTDIR already).
Function ${UN}ParseSwitches
  ${GetParameters} $0
  StrCpy $Mode "install"
  StrCpy $Force 0
  StrCpy $AllowOlder 0
  StrCpy $RemoveCopies 0
  StrCpy $R9 ""
  ${Do}
    ; Skip blanks, then take the word up to the next blank.
    ${DoWhile} $0 != ""
      StrCpy $1 $0 1
      ${IfThen} $1 != " " ${|} ${ExitDo} ${|}
      StrCpy $0 $0 "" 1
    ${Loop}
    ${IfThen} $0 == "" ${|} ${ExitDo} ${|}
    StrCpy $1 $0 3
    ${IfThen} $1 == "/D=" ${|} ${ExitDo} ${|}
    StrCpy $1 $0 3
    ${IfThen} $1 == "_?=" ${|} ${ExitDo} ${|}
    StrCpy $2 0
    ${Do}
      StrCpy $1 $0 1 $2
      ${IfThen} $1 == "" ${|} ${ExitDo} ${|}
      ${IfThen} $1 == " " ${|} ${ExitDo} ${|}
      IntOp $2 $2 + 1
    ${Loop}
    StrCpy $1 $0 $2
    StrCpy $0 $0 "" $2
    ${If} $1 == "/S"
    ${OrIf} $1 == "/NCRC"
    ${ElseIf} $1 == "/MIMO"
      StrCpy $Force 1
    ${ElseIf} $1 == "/STARSZA"
      StrCpy $AllowOlder 1
    ${ElseIf} $1 == "/USUN_KOPIE"
      StrCpy $RemoveCopies 1
    ${ElseIf} $1 == "/WROC"
    ${OrIf} $1 == "/ODINSTALUJ"
      ${If} $R9 != ""
      ${AndIf} $R9 != $1
        StrCpy $0 $R9
        !insertmacro FAIL ${E_SWITCH} "${T_BAD_COMBINATION}"
      ${EndIf}
      StrCpy $R9 $1
      ${If} $1 == "/WROC"
        StrCpy $Mode "wroc"
      ${Else}
        StrCpy $Mode "odinstaluj"
      ${EndIf}
    ${Else}
      StrCpy $0 $1
      !insertmacro FAIL ${E_SWITCH} "${T_BAD_SWITCH}"
    ${EndIf}
  ${Loop}
  ${If} $RemoveCopies == 1
  ${AndIf} $Mode != "odinstaluj"
    !ifdef __UNINSTALL__
      StrCpy $Mode "odinstaluj"
    !else
      !insertmacro FAIL ${E_SWITCH} "${T_COPIES_ONLY_UNINSTALL}"
    !endif
  ${EndIf}
FunctionEnd
!macroend
!insertmacro SHARED ""
!insertmacro SHARED "un."

;--- the setup -----------------------------------------------------------------------------------
Function .onInit
  StrCpy $CheckStatus ""
  StrCpy $CreatedPlugins 0
  Call LogOpen
  ; The switches are checked before the folder: /D= may be missing.
  Call ParseSwitches
  Call ModeTexts
  ClearErrors
  ReadRegStr $0 HKLM "${UNINST_KEY}" "InstallLocation"
  ${If} $INSTDIR == ""
    ${If} $0 != ""
      StrCpy $INSTDIR $0
    ${Else}
      StrCpy $INSTDIR "$PROGRAMFILES\Vordan"
    ${EndIf}
  ${EndIf}
FunctionEnd

Function SkipUnlessInstall
  ${IfThen} $Mode != "install" ${|} Abort ${|}
FunctionEnd

; Whether $INSTDIR is a program's folder: empty on the stack when it is, else the reason.
Function FolderProblem
  Push $0
  Push $1
  StrCpy $0 $INSTDIR
  ${GetFileName} "$INSTDIR" $1
  ${GetParent} "$INSTDIR" $2
  StrCpy $3 $0 1 1
  StrCpy $4 $0 2
  ${If} $3 != ":"
  ${AndIf} $4 != "\\"
    StrCpy $0 "${T_NOT_ABSOLUTE}"
  ${ElseIf} ${FileExists} "$INSTDIR\VORDAN.dll"
    StrCpy $0 ""
  ${ElseIf} $1 == "Wtyczki"
  ${AndIf} ${FileExists} "$2\VORDAN.dll"
    StrCpy $1 $2
    StrCpy $0 "${T_PLUGIN_FOLDER_GIVEN}"
  ${ElseIfNot} ${FileExists} "$INSTDIR\*.*"
    StrCpy $0 "${T_NO_FOLDER}"
  ${Else}
    StrCpy $0 "${T_NO_MODULE}"
  ${EndIf}
  Pop $1
  Exch $0
FunctionEnd

Function DirLeave
  Call FolderProblem
  Pop $0
  ${If} $0 != ""
    MessageBox MB_OK|MB_ICONSTOP "$0"
    Abort
  ${EndIf}
FunctionEnd

; Runs the package's pre-flight tool on $INSTDIR with its output in $PLUGINSDIR\sprawdzenie.txt
; (the tool writes UTF-8 with a byte order mark to a file), writes the report to the log and sets
; $CheckStatus. The tool and a SHA256SUMS naming the package's DLL are unpacked as in the package
; (narzedzia\ under the folder that holds SHA256SUMS), so its report compares an installed plug-in
; with this package.
Function RunCheck
  ${IfThen} $CheckedDir == $INSTDIR ${|} Return ${|}
  InitPluginsDir
  SetOutPath "$PLUGINSDIR\paczka\narzedzia"
  File "/oname=cenyzak-sprawdz.exe" "${TOOL}"
  SetOutPath "$PLUGINSDIR\paczka"
  File "/oname=SHA256SUMS" "${SUMS}"
  SetOutPath "$PLUGINSDIR"
  StrCpy $9 "$PLUGINSDIR\sprawdzenie.txt"
  ; An inheritable handle to the report file for the tool's standard output and error.
  System::Call '*(i 12, p 0, i 1) p .r1'
  System::Call 'kernel32::CreateFileW(w r9, i 0x40000000, i 1, p r1, i 2, i 0x80, p 0) p .r2'
  System::Free $1
  ; STARTUPINFOW: STARTF_USESTDHANDLES | STARTF_USESHOWWINDOW, SW_HIDE; no console of its own
  ; (CREATE_NO_WINDOW), so the tool writes to the file and waits for nobody.
  System::Call '*(i 68, p 0, p 0, p 0, i 0, i 0, i 0, i 0, i 0, i 0, i 0, i 0x101, &i2 0, &i2 0, p 0, p 0, p r2, p r2) p .r3'
  System::Call '*(p 0, p 0, i 0, i 0) p .r4'
  ; The folder without a closing backslash, which would escape the closing quote.
  StrCpy $5 $INSTDIR
  StrCpy $6 $5 1 -1
  ${IfThen} $6 == "\" ${|} StrCpy $5 "$5." ${|}
  ; Strings go to System::Call through registers: a path may hold commas and parentheses.
  StrCpy $7 '"$PLUGINSDIR\paczka\narzedzia\cenyzak-sprawdz.exe" --stan "$5"'
  System::Call 'kernel32::CreateProcessW(p 0, w r7, p 0, p 0, i 1, i 0x08000000, p 0, p 0, p r3, p r4) i .r0 ?e'
  Pop $8
  System::Call 'kernel32::CloseHandle(p r2)'
  System::Free $3
  ${If} $0 == 0
    System::Free $4
    StrCpy $0 $8
    !insertmacro FAIL ${E_CHECK} "${T_CHECK_NOT_RUN}"
  ${EndIf}
  System::Call '*$4(p .r5, p .r6)'
  System::Free $4
  System::Call 'kernel32::WaitForSingleObject(p r5, i -1)'
  System::Call 'kernel32::GetExitCodeProcess(p r5, *i .r0)'
  System::Call 'kernel32::CloseHandle(p r5)'
  System::Call 'kernel32::CloseHandle(p r6)'
  StrCpy $CheckStatus $0
  StrCpy $CheckedDir $INSTDIR
  ; The report's bytes go to the log as they are (UTF-8, CRLF), without the key's line.
  Push $9
  Call ReadAll
  Pop $0
  Pop $1
  StrCpy $CheckState ""
  StrCpy $2 0
  ${If} $0 != 0
    Call SplitReport
  ${EndIf}
  !insertmacro LOG "Sprawdzenie programu (cenyzak-sprawdz, kod wyjścia $CheckStatus, stan $CheckState):"
  ${If} $0 != 0
    ${If} $Log != 0
      System::Call 'kernel32::WriteFile(p $Log, p r2, i r1, *i 0, p 0)'
    ${EndIf}
    System::Free $0
  ${EndIf}
FunctionEnd

; The tool's output with --stan: UTF-8 with a byte order mark in a file, the verdict row's key alone
; on the first line, then the report. In: $0 the buffer, $1 its length. Out: $CheckState the key,
; $2 and $1 the report's first byte and length.
Function SplitReport
  Push $3
  Push $4
  StrCpy $CheckState ""
  StrCpy $2 $0
  System::Call '*$2(&i1 .r3)'
  IntOp $3 $3 & 0xFF
  ${If} $3 = 0xEF
  ${AndIf} $1 >= 3
    IntOp $2 $2 + 3
    IntOp $1 $1 - 3
  ${EndIf}
  ${DoWhile} $1 > 0
    System::Call '*$2(&i1 .r3)'
    IntOp $3 $3 & 0xFF
    IntOp $2 $2 + 1
    IntOp $1 $1 - 1
    ${IfThen} $3 = 10 ${|} ${ExitDo} ${|}
    ; A key is a short lower-case word; anything else (a tool too old for --stan) is no key.
    ${If} $3 <> 13
      IntFmt $4 "%c" $3
      StrCpy $CheckState "$CheckState$4"
    ${EndIf}
  ${Loop}
  StrLen $3 $CheckState
  ${IfThen} $3 > 40 ${|} StrCpy $CheckState "" ${|}
  Pop $4
  Pop $3
FunctionEnd

; The check page's words from the tool's verdict row and this setup's plan (Plan): $CheckWork
; whether the plug-in will work there, $CheckPlan what this setup will do, $CheckBox the box that
; installs all the same ("" when none is needed), $TButton the button that starts the work.
Function CheckWords
  Call Plan
  StrCpy $0 $Installed
  ; What this setup will do: from the tool's row where it tells more than the plan (a second copy,
  ; an unreadable file), else from the plan.
  ${If} $CheckState == "in_program_folder"
  ${OrIf} $CheckState == "two_copies"
    StrCpy $CheckPlan "${T_WILL_COPIES}"
    StrCpy $TButton "${T_BUTTON_INSTALL}"
  ${ElseIf} $CheckState == "unreadable_copy"
    StrCpy $CheckPlan "${T_WILL_UNREADABLE}"
    StrCpy $TButton "${T_BUTTON_REPLACE}"
  ${ElseIf} $Plan == "nothing"
    StrCpy $CheckPlan "${T_WILL_NOTHING}"
    StrCpy $TButton "${T_BUTTON_NOTHING}"
  ${ElseIf} $Plan == "register"
    StrCpy $CheckPlan "${T_WILL_REGISTER}"
    StrCpy $TButton "${T_BUTTON_REGISTER}"
  ${ElseIf} $Plan == "repair"
    StrCpy $CheckPlan "${T_WILL_REPAIR}"
    StrCpy $TButton "${T_BUTTON_REPAIR}"
  ${ElseIf} $Plan == "update"
    StrCpy $CheckPlan "${T_WILL_UPDATE}"
    StrCpy $TButton "${T_BUTTON_UPDATE}"
  ${ElseIf} $Plan == "replace"
    StrCpy $CheckPlan "${T_WILL_REPLACE}"
    StrCpy $TButton "${T_BUTTON_REPLACE}"
  ${ElseIf} $Plan == "older"
    StrCpy $CheckPlan "${T_WILL_OLDER}"
    StrCpy $TButton "${T_BUTTON_OLDER}"
  ${Else}
    StrCpy $CheckPlan "${T_WILL_INSTALL}"
    StrCpy $TButton "${T_BUTTON_INSTALL}"
  ${EndIf}
  ; Whether it will work there; all but "it will" need the box first, as /MIMO silently.
  StrCpy $CheckBox ""
  ${If} $CheckStatus == 0
    StrCpy $CheckWork "${T_WORKS}"
  ${Else}
    StrCpy $CheckPlan "$CheckPlan ${T_ONLY_TICKED}"
    ${If} $CheckState == "ignore_each_start"
      StrCpy $CheckWork "${T_WORKS_IGNORE}"
      StrCpy $CheckBox "${T_FORCE_IGNORE}"
    ${ElseIf} $CheckStatus == 1
      StrCpy $CheckWork "${T_WORKS_NOT}"
      StrCpy $CheckBox "${T_FORCE_NOT}"
    ${Else}
      StrCpy $CheckWork "${T_NOT_CHECKED}"
      StrCpy $CheckBox "${T_FORCE_UNCHECKED}"
    ${EndIf}
  ${EndIf}
FunctionEnd

Function CheckPageShow
  ${IfThen} $Mode != "install" ${|} Abort ${|}
  Call RunCheck
  Call CheckWords
  !insertmacro MUI_HEADER_TEXT "${T_CHECK_TITLE}" "${T_CHECK_SUBTITLE}"
  nsDialogs::Create 1018
  Pop $Dialog
  ; Whether it will work, in bold; what this setup will do; the tool's report as it is; the box.
  ${NSD_CreateLabel} 0 0 100% 26u "$CheckWork"
  Pop $0
  CreateFont $2 "MS Shell Dlg" 8 700
  SendMessage $0 ${WM_SETFONT} $2 1
  ${NSD_CreateLabel} 0 27u 100% 26u "$CheckPlan"
  Pop $0
  ${If} $CheckBox == ""
    ${NSD_CreateMLText} 0 55u 100% -55u ""
  ${Else}
    ${NSD_CreateMLText} 0 55u 100% -70u ""
  ${EndIf}
  Pop $7
  SendMessage $7 ${EM_SETREADONLY} 1 0
  CreateFont $2 "Courier New" 8
  SendMessage $7 ${WM_SETFONT} $2 1
  ; The report as UTF-16 into the box: it is longer than an NSIS string can hold.
  Push "$PLUGINSDIR\sprawdzenie.txt"
  Call ReadAll
  Pop $0
  Pop $1
  ${If} $0 != 0
    Call SplitReport
    IntOp $4 $1 * 2
    IntOp $4 $4 + 2
    System::Alloc $4
    Pop $4
    System::Call 'kernel32::MultiByteToWideChar(i 65001, i 0, p r2, i r1, p r4, i r1) i .r5'
    IntOp $6 $5 * 2
    IntOp $6 $4 + $6
    System::Call '*$6(&i2 0)'
    System::Call 'user32::SendMessageW(p r7, i ${WM_SETTEXT}, p 0, p r4)'
    System::Free $4
    System::Free $0
  ${EndIf}
  ${If} $CheckBox != ""
    ${NSD_CreateCheckbox} 0 -14u 100% 12u "$CheckBox"
    Pop $ForceBox
  ${EndIf}
  ; The button names what it starts (NSIS sets its own "Zainstaluj" as the page comes up).
  GetDlgItem $0 $HWNDPARENT 1
  SendMessage $0 ${WM_SETTEXT} 0 "STR:$TButton"
  nsDialogs::Show
FunctionEnd

Function CheckPageLeave
  ${If} $CheckBox != ""
    ${NSD_GetState} $ForceBox $0
    ${If} $0 == ${BST_CHECKED}
      StrCpy $Force 1
    ${Else}
      StrCpy $0 $CheckBox
      MessageBox MB_OK|MB_ICONEXCLAMATION "${T_CHECK_TICK}"
      Abort
    ${EndIf}
  ${EndIf}
  ; The page said there is nothing to do; its button ends the run as the silent one does.
  ${If} $Plan == "nothing"
    StrCpy $0 $InstalledSha
    !insertmacro LOG "${T_SAME}"
    !insertmacro LOG "Kod wyjścia: ${E_NOTHING}"
    SetErrorLevel ${E_NOTHING}
    Quit
  ${EndIf}
FunctionEnd

; Other copies of the plug-in that the program could load beside Wtyczki\cenyzak.dll: every .dll in
; Wtyczki\ and in the program's folder that is named cenyzak* or whose version resource says it
; is cenyzak. Out in $R0: their paths, one a line; empty when there are none.
Function FindCopies
  StrCpy $R0 ""
  StrCpy $R1 "$INSTDIR\Wtyczki"
  Call FindCopiesIn
  StrCpy $R1 "$INSTDIR"
  Call FindCopiesIn
FunctionEnd

Function FindCopiesIn
  FindFirst $R2 $R3 "$R1\*.dll"
  ${DoWhile} $R3 != ""
    StrCpy $R4 0
    ${If} $R1 == "$INSTDIR\Wtyczki"
    ${AndIf} $R3 == "cenyzak.dll"
      ; the plug-in itself
    ${Else}
      StrCpy $R5 $R3 7
      ${IfThen} $R5 == "cenyzak" ${|} StrCpy $R4 1 ${|}
      ${If} $R4 == 0
        Push "$R1\$R3"
        Call IsPlugin
        Pop $R4
      ${EndIf}
    ${EndIf}
    ${If} $R4 == 1
      StrCpy $R0 "$R0$R1\$R3$\r$\n"
    ${EndIf}
    FindNext $R2 $R3
  ${Loop}
  FindClose $R2
FunctionEnd

; 1 when the file's version resource names it cenyzak (InternalName), else 0.
Function IsPlugin
  Exch $0
  Push $1
  Push $2
  Push $3
  StrCpy $3 0
  System::Call 'version::GetFileVersionInfoSizeW(w r0, p 0) i .r1'
  ${If} $1 > 0
    System::Alloc $1
    Pop $2
    System::Call 'version::GetFileVersionInfoW(w r0, i 0, i r1, p r2) i .r1'
    ${If} $1 != 0
      System::Call 'version::VerQueryValueW(p r2, w "\StringFileInfo\041504E2\InternalName", *p .r1, *i .r0) i .r0'
      ${If} $0 != 0
        System::Call '*$1(&w64 .r1)'
        ${IfThen} $1 == "cenyzak" ${|} StrCpy $3 1 ${|}
      ${EndIf}
    ${EndIf}
    System::Free $2
  ${EndIf}
  StrCpy $0 $3
  Pop $3
  Pop $2
  Pop $1
  Exch $0
FunctionEnd

; What this setup does with the plug-in installed in $INSTDIR (none, or the same file, an older, a
; newer one...), decided once here for the check page's words and for the work itself. Out: $Plan
; (install, nothing, register, repair, update, replace, older), $Installed (its version, "" when
; there is none) and $InstalledSha.
Function Plan
  Push $0
  Push $1
  Push $2
  Push $3
  Push $4
  Push $5
  StrCpy $0 "$INSTDIR\Wtyczki\cenyzak.dll"
  StrCpy $Plan "install"
  StrCpy $Installed ""
  StrCpy $InstalledSha ""
  ${If} ${FileExists} "$0"
    Push $0
    Call FileVersion
    Pop $Installed
    Push $0
    Call Sha256
    Pop $InstalledSha
    ; Versions as one number each: MAJOR * 1000000 + MINOR * 1000 + PATCH; the unknown one is 0.
    IntOp $4 ${V_MAJOR} * 1000000
    IntOp $4 $4 + ${V_PATCH}
    IntOp $5 ${V_MINOR} * 1000
    IntOp $4 $4 + $5
    StrCpy $5 0
    ${If} $Installed != "${T_UNKNOWN_VERSION}"
      GetDLLVersion "$0" $1 $2
      IntOp $3 $1 >> 16
      IntOp $5 $3 * 1000000
      IntOp $3 $1 & 0xFFFF
      IntOp $3 $3 * 1000
      IntOp $5 $5 + $3
      IntOp $3 $2 >> 16
      IntOp $5 $5 + $3
    ${EndIf}
    ${If} $Installed == "${T_UNKNOWN_VERSION}"
      StrCpy $Plan "replace"
    ${ElseIf} $5 == $4
      ${If} $InstalledSha == "${DLL_SHA256}"
        ; The same file: nothing to do when the entry names this folder; else (copied by hand, or
        ; the entry names another folder whose plug-in is gone) the entry is written for this one.
        ReadRegStr $1 HKLM "${UNINST_KEY}" "InstallLocation"
        ${If} $1 == $INSTDIR
          StrCpy $Plan "nothing"
        ${Else}
          StrCpy $Plan "register"
        ${EndIf}
      ${Else}
        StrCpy $Plan "repair"
      ${EndIf}
    ${ElseIf} $5 > $4
      StrCpy $Plan "older"
    ${Else}
      StrCpy $Plan "update"
    ${EndIf}
  ${EndIf}
  Pop $5
  Pop $4
  Pop $3
  Pop $2
  Pop $1
  Pop $0
FunctionEnd

Function Install
  SetShellVarContext all
  Call FolderProblem
  Pop $0
  ${If} $0 != ""
    !insertmacro FAIL ${E_CHECK} "$0"
  ${EndIf}
  !insertmacro LOG "Folder programu: $INSTDIR"
  ; One installation per PC: another folder only when the earlier one is gone.
  ReadRegStr $1 HKLM "${UNINST_KEY}" "InstallLocation"
  ${If} $1 != ""
  ${AndIf} $1 != $INSTDIR
  ${AndIf} ${FileExists} "$1\Wtyczki\cenyzak.dll"
    !insertmacro FAIL ${E_OTHER} "${T_OTHER_FOLDER}"
  ${EndIf}

  Call RunCheck
  ${If} $CheckStatus != 0
    StrCpy $0 $CheckState
    ${If} $Force == 1
      !insertmacro LOG "Sprawdzenie programu: kod wyjścia $CheckStatus ($0); instalacja mimo to (pole „Zainstaluj mimo to” albo /MIMO)."
    ${ElseIf} $CheckState == "ignore_each_start"
      !insertmacro FAIL ${E_CHECK} "${T_REFUSED_IGNORE}"
    ${ElseIf} $CheckStatus == 1
      !insertmacro FAIL ${E_CHECK} "${T_REFUSED_NOT}"
    ${Else}
      !insertmacro FAIL ${E_CHECK} "${T_REFUSED_UNCHECKED}"
    ${EndIf}
  ${EndIf}

  Call FindCopies
  ${If} $R0 != ""
    StrCpy $0 $R0
    !insertmacro LOG "${T_COPIES_FOUND}"
    ${If} $Force != 1
      ${If} ${Silent}
        !insertmacro FAIL ${E_CHECK} "${T_COPIES_REFUSED_SILENT}"
      ${EndIf}
      MessageBox MB_YESNO|MB_ICONEXCLAMATION|MB_DEFBUTTON2 "${T_COPIES_FOUND}${T_COPIES_ASK}" IDYES +2
      !insertmacro FAIL ${E_CHECK} "${T_COPIES_REFUSED}"
    ${EndIf}
  ${EndIf}

  ; What is installed now, and what to do about it.
  Call Plan
  StrCpy $7 "$INSTDIR\Wtyczki\cenyzak.dll"
  StrCpy $8 $Installed
  StrCpy $9 $InstalledSha
  StrCpy $R6 ""  ; "keep": the installed file is kept before it is replaced
  ${If} $Plan == "nothing"
    StrCpy $0 $9
    !insertmacro LOG "${T_SAME}"
    ${IfNot} ${Silent}
      MessageBox MB_OK|MB_ICONINFORMATION "${T_SAME}"
    ${EndIf}
    !insertmacro LOG "Kod wyjścia: ${E_NOTHING}"
    SetErrorLevel ${E_NOTHING}
    Quit
  ${ElseIf} $Plan == "register"
    !insertmacro HEADER REGISTER
  ${ElseIf} $Plan == "repair"
    StrCpy $0 $9
    !insertmacro LOG "${T_REPAIR}"
    !insertmacro HEADER REPAIR
  ${ElseIf} $Plan == "older"
    StrCpy $0 $8
    StrCpy $1 "$State\kopie\cenyzak-$8.dll"
    ${If} $AllowOlder != 1
      ${If} ${Silent}
        !insertmacro FAIL ${E_OLDER} "${T_DOWNGRADE_REFUSED_SILENT}"
      ${EndIf}
      MessageBox MB_YESNO|MB_ICONQUESTION|MB_DEFBUTTON2 "${T_DOWNGRADE_ASK}" IDYES +2
      !insertmacro FAIL ${E_OLDER} "${T_DOWNGRADE_REFUSED}"
    ${EndIf}
    !insertmacro LOG "Instalacja starszej wersji ${VERSION} w miejsce $8."
    !insertmacro HEADER OLDER
    StrCpy $R6 keep
  ${ElseIf} $Plan == "update"
  ${OrIf} $Plan == "replace"
    StrCpy $0 $8
    StrCpy $1 "$State\kopie\cenyzak-$8.dll"
    !insertmacro LOG "${T_UPDATE}"
    ${If} $Plan == "update"
      !insertmacro HEADER UPDATE
    ${Else}
      !insertmacro HEADER REPLACE
    ${EndIf}
    StrCpy $R6 keep
  ${EndIf}

  ; Nothing has changed so far. From here on the old plug-in keeps working until the one rename.
  Push $7
  Call RequireFree
  ${IfNot} ${FileExists} "$INSTDIR\Wtyczki\*.*"
    ClearErrors
    CreateDirectory "$INSTDIR\Wtyczki"
    ${If} ${Errors}
      StrCpy $0 "$INSTDIR\Wtyczki"
      StrCpy $1 "?"
      !insertmacro FAIL ${E_OTHER} "${T_NO_ACCESS}"
    ${EndIf}
    StrCpy $CreatedPlugins 1
  ${EndIf}
  ${If} $R6 == keep
    StrCpy $0 $7
    StrCpy $1 $8
    Call Keep
    StrCpy $R6 $8
    !insertmacro LOG "Zachowano wersję $8: $1"
  ${EndIf}
  SetOutPath "$PLUGINSDIR"
  File "/oname=cenyzak.dll" "${DLL}"
  StrCpy $0 "$PLUGINSDIR\cenyzak.dll"
  StrCpy $1 $7
  StrCpy $2 "${DLL_SHA256}"
  Call PutInPlace
  !insertmacro LOG "Zapisano $7 (SHA-256 ${DLL_SHA256}, zgodny z paczką)."

  ; The uninstaller and the entry in the list of installed programs.
  WriteUninstaller "$State\odinstaluj.exe"
  WriteRegStr HKLM "${UNINST_KEY}" "DisplayName" "${T_NAME}"
  WriteRegStr HKLM "${UNINST_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINST_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr HKLM "${UNINST_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINST_KEY}" "UninstallString" "$\"$State\odinstaluj.exe$\""
  WriteRegStr HKLM "${UNINST_KEY}" "QuietUninstallString" "$\"$State\odinstaluj.exe$\" /S"
  WriteRegStr HKLM "${UNINST_KEY}" "SHA256" "${DLL_SHA256}"
  ${If} $R6 != ""
    WriteRegStr HKLM "${UNINST_KEY}" "PoprzedniaWersja" "$R6"
  ${EndIf}
  ${If} $CreatedPlugins == 1
    WriteRegDWORD HKLM "${UNINST_KEY}" "UtworzonoWtyczki" 1
  ${EndIf}
  ; The size in KiB, rounded up.
  FileOpen $1 "$7" r
  FileSeek $1 0 END $0
  FileClose $1
  IntOp $0 $0 + 1023
  IntOp $0 $0 / 1024
  WriteRegDWORD HKLM "${UNINST_KEY}" "EstimatedSize" $0
  WriteRegDWORD HKLM "${UNINST_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINST_KEY}" "NoRepair" 1
  StrCpy $0 $INSTDIR
  !insertmacro LOG "${T_INSTALLED}"
  !insertmacro LOG "${T_INSTALLED_HINT}"
  SetErrorLevel 0
FunctionEnd

Section
  ${If} $Mode == "wroc"
    Call Rollback
  ${ElseIf} $Mode == "odinstaluj"
    Call Uninstall
  ${Else}
    Call Install
  ${EndIf}
  !insertmacro LOG "Kod wyjścia: 0"
SectionEnd

;--- the uninstaller -----------------------------------------------------------------------------
Function un.onInit
  Call un.LogOpen
  Call un.ParseSwitches
  ${If} $Mode == "install"
    StrCpy $Mode "odinstaluj"
  ${EndIf}
  Call un.ModeTexts
  ; Until the choice page is left, the window offers both.
  ${IfNot} ${Silent}
    StrCpy $TCaption "${T_CAPTION_CHOICE}"
  ${EndIf}
FunctionEnd

Function un.ChoicePageShow
  !insertmacro MUI_HEADER_TEXT "${T_UN_CHOICE_TITLE}" "${T_UN_CHOICE_SUBTITLE}"
  nsDialogs::Create 1018
  Pop $Dialog
  ; Removal, with its box for the kept versions under it; then the rollback, when there is one.
  ReadRegStr $0 HKLM "${UNINST_KEY}" "InstallLocation"
  ${NSD_CreateRadioButton} 0 0 100% 12u "${T_UN_REMOVE}"
  Pop $1
  ${NSD_OnClick} $1 un.ChoiceClick
  StrCpy $0 "$State\kopie"
  ${NSD_CreateCheckbox} 12u 14u -12u 12u "${T_UN_REMOVE_COPIES}"
  Pop $RemoveBox
  ${IfThen} $RemoveCopies == 1 ${|} ${NSD_Check} $RemoveBox ${|}
  ReadRegStr $0 HKLM "${UNINST_KEY}" "PoprzedniaWersja"
  ${If} $0 != ""
  ${AndIf} ${FileExists} "$State\kopie\cenyzak-$0.dll"
    ${NSD_CreateRadioButton} 0 32u 100% 12u "${T_UN_ROLLBACK}"
    Pop $RollbackRadio
  ${Else}
    ${NSD_CreateRadioButton} 0 32u 100% 12u "${T_UN_ROLLBACK_NONE}"
    Pop $RollbackRadio
    EnableWindow $RollbackRadio 0
    ${IfThen} $Mode == "wroc" ${|} StrCpy $Mode "odinstaluj" ${|}
  ${EndIf}
  ${NSD_OnClick} $RollbackRadio un.ChoiceClick
  ${If} $Mode == "wroc"
    ${NSD_Check} $RollbackRadio
  ${Else}
    ${NSD_Check} $1
  ${EndIf}
  Call un.ChoiceClick
  nsDialogs::Show
FunctionEnd

; The button says what the chosen way does; the box for the kept versions goes with removal only.
Function un.ChoiceClick
  Pop $0 ; the control clicked, when called by a click
  ${NSD_GetState} $RollbackRadio $0
  ${If} $0 == ${BST_CHECKED}
    StrCpy $TButton "${T_BUTTON_ROLLBACK}"
    EnableWindow $RemoveBox 0
  ${Else}
    StrCpy $TButton "${T_BUTTON_UNINSTALL}"
    EnableWindow $RemoveBox 1
  ${EndIf}
  GetDlgItem $0 $HWNDPARENT 1
  SendMessage $0 ${WM_SETTEXT} 0 "STR:$TButton"
FunctionEnd

Function un.ChoicePageLeave
  ${NSD_GetState} $RollbackRadio $0
  ${If} $0 == ${BST_CHECKED}
    StrCpy $Mode "wroc"
    StrCpy $RemoveCopies 0
  ${Else}
    StrCpy $Mode "odinstaluj"
    ${NSD_GetState} $RemoveBox $0
    ${If} $0 == ${BST_CHECKED}
      StrCpy $RemoveCopies 1
    ${Else}
      StrCpy $RemoveCopies 0
    ${EndIf}
  ${EndIf}
  Call un.ModeTexts
FunctionEnd

Section "Uninstall"
  ${If} $Mode == "wroc"
    Call un.Rollback
  ${Else}
    Call un.Uninstall
  ${EndIf}
  !insertmacro LOG "Kod wyjścia: 0"
SectionEnd
