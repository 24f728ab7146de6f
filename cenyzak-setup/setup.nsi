; cenyzak-VERSION-setup.exe: installs, updates, rolls back and uninstalls the plug-in cenyzak.dll on
; a client's PC, interactively or silently, in Polish. Built with makensis (NSIS 3, Unicode) by the
; win32 preset (CMakeLists.txt, cenyzak-setup/build.sh) and by ./release; texts in teksty.nsh.
;
; Where. The program's folder (the one holding the host module VORDAN.dll) is chosen on the first
; page, prefilled with the folder of the earlier installation (the uninstall entry's
; InstallLocation), else $PROGRAMFILES\Vordan ("Program Files (x86)" on 64-bit Windows); silently
; it is /D=FOLDER, last and unquoted, with the same default. The plug-in goes to FOLDER\Wtyczki\.
; A folder without VORDAN.dll is refused (the plug-in folder itself with a hint to the one above,
; the module's file with a hint to its folder, a missing drive or an unreachable share each with
; what to do), and so is a folder longer than 234 characters, before anything is made in it.
; A folder given is the folder acted on, or the run stops naming it as given: NSIS itself drops a
; /D= it judges invalid (a missing drive, an unreachable share, quotes, a relative path) and would
; fall back on the default, so the setup reads /D= from the raw command line (GetCommandLineW).
;
; Switches, one rule for all: /S silent (also /s, and wherever it stands: a run asked to be silent
; never shows a window); /D=FOLDER last, the rest of the line being the folder (a switch after it
; is code 7, quotes around it are taken off); /MIMO and /STARSZA only with an installation,
; /USUN_KOPIE only with /ODINSTALUJ, /WROC and /ODINSTALUJ not together (each else code 7). /WROC
; and /ODINSTALUJ act on the installed folder: /D= may be left out, and when given must name that
; folder (else code 3, nothing installed there, naming both).
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
; old plug-in working. The installed file's SHA-256 is checked once more at the end. Another
; program (a scanner) holding the new file denies its rename: the setup waits up to 10 seconds for
; it, then stops (code 2) saying that it is not the plug-in's program and what, if anything, it
; had to leave (only the .nowa, removed by the next run).
;
; One run at a time. Two runs on one PC (an integrator and a deployment tool, or two of either)
; would write the same plug-in, record and kept copies: each run holds a lock file in
; %ProgramData%\cenyzak from before it reads the record to its end; the second waits up to 10
; seconds, then stops with code 5, "try later", having changed nothing (Lock).
;
; Interrupted. Whatever rollback needs (the kept copy, flushed to disk) is written before the
; rename, the record after it. A run killed between the two (or a power cut: the rename is written
; through, the registry later) leaves the plug-in replaced and the record naming the version
; before; the next run of any kind finishes it (FinishInterrupted): the file is compared with the
; record and the kept copies, and the record completed. The plug-in and the tool are unpacked into
; the run's own %ProgramData%\cenyzak\tmp\PID-START, removed at its end and, after a killed run,
; by the next one. A killed run leaves NSIS's own plug-ins (System, nsDialogs) in its
; %TEMP%\nsXXXX.tmp, as every NSIS setup does: no file of cenyzak there.
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
; returns its exit code directly. Started plainly (UninstallString, the list of programs), the
; uninstaller runs from a temporary copy and returns at once; the entry's QuietUninstallString
; starts it in place (/S _?=%ProgramData%\cenyzak), so that it waits for the end and returns the
; real exit code, and a running program's file cannot be deleted: it renames itself out of the
; way (RemoveUninstaller). The plug-in goes; Wtyczki\ goes when the setup
; made it and it is empty; a Wtyczki\ that was there before (perhaps with a plug-in copied by hand,
; which the first installation kept among the copies) stays. The kept copies go only with
; /USUN_KOPIE (or the box on the uninstaller's page). The program's notice setting stays.
;
; The record. One installation per PC, recorded in the uninstall entry (folder, version, SHA-256,
; previous version, whether the setup made Wtyczki): RecordRead, RecordWrite and RecordDelete are
; its only readers and writers. It names the folder acted on: an installation into a folder when
; the recorded one has lost its plug-in moves the record (and removes the empty Wtyczki\ the setup
; made there).
;
; Exit codes (silent and interactive):
;   0  installed, updated, repaired, rolled back or uninstalled
;   1  cancelled by the user (interactive only)
;   2  other error (a file that could not be written, a wrong SHA-256, another installation, the
;      new file held by another program, no desktop for the windows)
;   3  nothing to do (the same file installed; nothing to roll back to; nothing installed, or
;      nothing installed in the folder /D= gives with /WROC or /ODINSTALUJ)
;   4  the check failed: no host module in the folder (or no such folder, or one too long), the
;      pre-flight tool says the plug-in will not work, or a second copy of the plug-in (without
;      /MIMO)
;   5  the plug-in file is in use, or another run of the setup or the uninstaller on this PC
;      did not end within LOCK_WAIT seconds (Lock): try later
;   6  an older version over a newer one refused (without /STARSZA)
;   7  a wrong switch, or a switch used against the rule above
;
; Log: %ProgramData%\cenyzak\instalacja.log, UTF-8 with a byte order mark and CRLF, appended on
; every run: the date and the command as given (the raw line with /D=; the uninstaller's own name,
; not its temporary copy's), every step, the pre-flight report, and last the exit code, also after
; a cancel and when the windows cannot be shown (no desktop: code 2, where NSIS would end with -1).
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
; The longest program's folder: the longest name the setup makes in it, Wtyczki\cenyzak.dll.nowa
; (25 characters after the folder), must fit in Windows' 259 characters, and so the plug-in's own
; name in the 299 it reads it into.
!define MAX_FOLDER 234
!include "teksty.nsh"

!define UNINST_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\cenyzak"
!define E_OTHER 2
!define E_NOTHING 3
!define E_CHECK 4
!define E_IN_USE 5
!define E_OLDER 6
!define E_SWITCH 7
; How long a run waits for another one on the same PC to end (Lock), in seconds.
!define LOCK_WAIT 10

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
Var Args        ; the command line's switches as given (the raw line, /D= included)
Var CmdShown    ; the command as the log shows it
Var HasD        ; 1 when /D= was given
Var GivenDir    ; the folder /D= gave, as given (quotes and closing backslashes taken off)
Var ExitLogged  ; 1 once the log ends with the exit code
Var GuiUp       ; 1 once the windows are shown
Var Tmp         ; this run's unpacked files: $State\tmp\PID-START
Var Finished    ; 1 when this run finished what an interrupted one began
; The record of the installation (today the uninstall entry, see RecordRead): "" when there is none.
Var RecDir      ; the program's folder
Var RecVersion  ; the installed version
Var RecSha      ; the installed file's SHA-256
Var RecPrevious ; the kept previous version, "" when none
Var RecCreated  ; 1 when the setup made that folder's Wtyczki
Var OldDir      ; the folder a record leaves when an installation moves to another one

;--- pages ---------------------------------------------------------------------------------------
; Every text a page shows is this setup's own, for the mode it runs in: NSIS's stock Polish texts
; speak of installing "cenyzak" into a folder of its own and call uninstalling "deinstalacja". The
; texts that change with the mode are variables (ModeTexts), which NSIS and MUI read as each page
; is shown; the window's title has no page suffix.
!define MUI_ABORTWARNING
!define MUI_ABORTWARNING_TEXT "${T_ABORT_WARNING}"
!define MUI_PAGE_HEADER_TEXT "${T_DIR_TITLE}"
!define MUI_PAGE_HEADER_SUBTEXT "${T_DIR_SUBTITLE}"
!define MUI_CUSTOMFUNCTION_GUIINIT GuiInit
!define MUI_CUSTOMFUNCTION_UNGUIINIT un.GuiInit
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

; Opens the log (appending) and writes the run's first lines. It is opened for appending only
; (FILE_APPEND_DATA without FILE_WRITE_DATA: every write lands whole at the end of the file) and
; shared for reading and writing, so that a second run at the same time, which waits for the
; first one (Lock), still logs that it waited and why it stopped, without overwriting a line.
Function ${UN}LogOpen
  SetShellVarContext all
  StrCpy $State "$APPDATA\cenyzak"
  StrCpy $LogPath "$State\instalacja.log"
  CreateDirectory "$State"
  ; FILE_APPEND_DATA | FILE_READ_ATTRIBUTES | SYNCHRONIZE, shared read and write, OPEN_ALWAYS.
  System::Call 'kernel32::CreateFileW(w "$LogPath", i 0x00100084, i 3, p 0, i 4, i 0x80, p 0) p .s'
  Pop $Log
  ${If} $Log == -1
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
  !insertmacro LOG "=== $2-$3-$4 $5:$6:$7  cenyzak ${VERSION}: $CmdShown"
FunctionEnd

; The command line as Windows gave it: NSIS drops a /D= it judges invalid (and cuts it from
; $CMDLINE), and starts silent only on /S in capitals before /D=. Sets $Args (the switches, with a
; blank before them), $CmdShown, and silent mode for /S in either case anywhere on the line, so
; that a run asked to be silent never opens a window, not even to say that a switch is wrong.
Function ${UN}ReadCommandLine
  System::Call 'kernel32::GetCommandLineW() w .r0'
  StrCpy $CmdShown $0
  StrCpy $1 $0 1
  StrCpy $2 1
  ${If} $1 == '"'
    ${Do}
      StrCpy $1 $0 1 $2
      IntOp $2 $2 + 1
      ${IfThen} $1 == '"' ${|} ${ExitDo} ${|}
      ${IfThen} $1 == "" ${|} ${ExitDo} ${|}
    ${Loop}
  ${Else}
    ${Do}
      StrCpy $1 $0 1 $2
      ${IfThen} $1 == " " ${|} ${ExitDo} ${|}
      ${IfThen} $1 == "" ${|} ${ExitDo} ${|}
      IntOp $2 $2 + 1
    ${Loop}
  ${EndIf}
  StrCpy $Args $0 "" $2
  !ifdef __UNINSTALL__
    ; The uninstaller runs as a temporary copy of itself, started with "_?=" and its own folder,
    ; or in place when started with "_?=" (the entry's QuietUninstallString): either way the log
    ; names odinstaluj.exe in that folder, with the switches it was given, without "_?=".
    StrCpy $2 0
    ${Do}
      StrCpy $1 $Args 4 $2
      ${IfThen} $1 == "" ${|} ${ExitDo} ${|}
      ${If} $1 == " _?="
        StrCpy $Args $Args $2
        ${ExitDo}
      ${EndIf}
      IntOp $2 $2 + 1
    ${Loop}
    StrCpy $1 $INSTDIR "" -1
    StrCpy $2 $INSTDIR
    ${IfThen} $1 == "\" ${|} StrCpy $2 $INSTDIR -1 ${|}
    StrCpy $CmdShown '"$2\odinstaluj.exe"$Args'
  !endif
  StrCpy $0 "$Args "
  ${Do}
    StrCpy $1 $0 4
    ${IfThen} $1 == "" ${|} ${ExitDo} ${|}
    ${IfThen} $1 == " /S " ${|} SetSilent silent ${|}
    StrCpy $0 $0 "" 1
  ${Loop}
FunctionEnd

; Ends the run: the log's last line is the exit code, which is set; this run's unpacked files go.
; In: the code on the stack.
Function ${UN}Finish
  Exch $0
  !insertmacro LOG "Kod wyjścia: $0"
  StrCpy $ExitLogged 1
  SetErrorLevel $0
  !ifndef __UNINSTALL__
    ${If} $Tmp != ""
      SetOutPath "$State"
      RMDir /r "$Tmp"
      RMDir "$State\tmp"
    ${EndIf}
  !endif
  Pop $0
FunctionEnd

; The windows are up (MUI's .onGUIInit).
Function ${UN}GuiInit
  StrCpy $GuiUp 1
FunctionEnd

; The windows are gone. A run that has not logged its end was cancelled, or could not show its
; windows at all (no desktop: NSIS would end with -1 and say nothing).
Function ${UN}GuiEnd
  ${If} $ExitLogged != 1
    ${If} $GuiUp != 1
      !insertmacro LOG "BŁĄD: ${T_NO_WINDOWS}"
      Push ${E_OTHER}
    ${Else}
      !insertmacro LOG "${T_CANCELLED}"
      Push 1
    ${EndIf}
    !insertmacro CALL Finish
  ${EndIf}
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
  ${IfNot} ${Silent}
    MessageBox MB_OK|MB_ICONSTOP "$0"
  ${EndIf}
  Push $1
  !insertmacro CALL Finish
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

; One run at a time: every run (the setup in any mode, the uninstaller) holds
; %ProgramData%\cenyzak\instalator.blokada open without sharing from before it reads the record
; until it ends; Windows deletes the file when the handle closes (FILE_FLAG_DELETE_ON_CLOSE), also
; when the run is killed, so no stale lock is ever left. A run that finds it held waits up to
; ${LOCK_WAIT} seconds and then stops with code 5 (try later), having changed nothing.
Function ${UN}Lock
  Push $0
  Push $1
  Push $2
  Push $3
  StrCpy $3 0
  ${Do}
    ; GENERIC_READ|GENERIC_WRITE, no sharing, OPEN_ALWAYS, FILE_FLAG_DELETE_ON_CLOSE.
    System::Call 'kernel32::CreateFileW(w "$State\instalator.blokada", i 0xC0000000, i 0, p 0, i 4, i 0x04000080, p 0) p .r1 ?e'
    Pop $2
    ${IfThen} $1 != -1 ${|} ${ExitDo} ${|}
    ${If} $2 != 32
      StrCpy $0 "$State"
      StrCpy $1 $2
      !insertmacro FAIL ${E_OTHER} "${T_NO_ACCESS}"
    ${EndIf}
    ${If} $3 == 0
      StrCpy $0 ${LOCK_WAIT}
      !insertmacro LOG "${T_BUSY_WAIT}"
    ${EndIf}
    ${If} $3 >= ${LOCK_WAIT}
      StrCpy $0 $LogPath
      !insertmacro FAIL ${E_IN_USE} "${T_BUSY}"
    ${EndIf}
    Sleep 1000
    IntOp $3 $3 + 1
  ${Loop}
  ; The handle stays open until the process ends.
  Pop $3
  Pop $2
  Pop $1
  Pop $0
FunctionEnd

;--- the record of the installation ---------------------------------------------------------------
; Every read and write of what is installed where goes through these functions: today the record
; is the uninstall entry in the PC's registry (HKLM, the 32-bit view on 64-bit Windows).

; Reads the record into $RecDir, $RecVersion, $RecSha, $RecPrevious, $RecCreated ("" without one).
Function ${UN}RecordRead
  ClearErrors
  ReadRegStr $RecDir HKLM "${UNINST_KEY}" "InstallLocation"
  ReadRegStr $RecVersion HKLM "${UNINST_KEY}" "DisplayVersion"
  ReadRegStr $RecSha HKLM "${UNINST_KEY}" "SHA256"
  ReadRegStr $RecPrevious HKLM "${UNINST_KEY}" "PoprzedniaWersja"
  ReadRegDWORD $RecCreated HKLM "${UNINST_KEY}" "UtworzonoWtyczki"
  ClearErrors
FunctionEnd

; Writes the record from the same variables, with what Windows' list of programs shows.
Function ${UN}RecordWrite
  Push $0
  Push $1
  WriteRegStr HKLM "${UNINST_KEY}" "DisplayName" "${T_NAME}"
  WriteRegStr HKLM "${UNINST_KEY}" "DisplayVersion" "$RecVersion"
  WriteRegStr HKLM "${UNINST_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr HKLM "${UNINST_KEY}" "InstallLocation" "$RecDir"
  WriteRegStr HKLM "${UNINST_KEY}" "UninstallString" "$\"$State\odinstaluj.exe$\""
  ; The quiet one runs the uninstaller in place ("_?=" and its folder): it then ends when the
  ; work ends and returns its exit code, as deployment tools expect (RemoveUninstaller).
  WriteRegStr HKLM "${UNINST_KEY}" "QuietUninstallString" "$\"$State\odinstaluj.exe$\" /S _?=$State"
  WriteRegStr HKLM "${UNINST_KEY}" "SHA256" "$RecSha"
  ${If} $RecPrevious != ""
    WriteRegStr HKLM "${UNINST_KEY}" "PoprzedniaWersja" "$RecPrevious"
  ${Else}
    DeleteRegValue HKLM "${UNINST_KEY}" "PoprzedniaWersja"
  ${EndIf}
  ${If} $RecCreated == 1
    WriteRegDWORD HKLM "${UNINST_KEY}" "UtworzonoWtyczki" 1
  ${Else}
    DeleteRegValue HKLM "${UNINST_KEY}" "UtworzonoWtyczki"
  ${EndIf}
  ; The size in KiB, rounded up.
  FileOpen $1 "$RecDir\Wtyczki\cenyzak.dll" r
  FileSeek $1 0 END $0
  FileClose $1
  IntOp $0 $0 + 1023
  IntOp $0 $0 / 1024
  WriteRegDWORD HKLM "${UNINST_KEY}" "EstimatedSize" $0
  WriteRegDWORD HKLM "${UNINST_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINST_KEY}" "NoRepair" 1
  Pop $1
  Pop $0
FunctionEnd

Function ${UN}RecordDelete
  DeleteRegKey HKLM "${UNINST_KEY}"
  StrCpy $RecDir ""
FunctionEnd

; Stops with "nothing to do" when /D= names another folder than the installation's: /WROC and
; /ODINSTALUJ act on the installed folder, and a folder given is the folder acted on or none.
Function ${UN}RequireGivenIsRecorded
  ${If} $HasD == 1
  ${AndIf} $GivenDir != $RecDir
    StrCpy $0 $GivenDir
    StrCpy $1 $RecDir
    !insertmacro FAIL ${E_NOTHING} "${T_NOT_INSTALLED_HERE}"
  ${EndIf}
FunctionEnd

; Finishes what an interrupted run began. The one rename puts a new plug-in in place before the
; record says so; a run killed then (or a power cut: the rename is written through, the registry
; later) leaves the record naming the version before. The file is then another build than the
; record says, the recorded one is among the kept copies (kept before the rename), and the file is
; this package's or a kept one: the record is completed to what is in place, the recorded version
; becoming the previous one. A file that is none of these (damaged, changed by hand) is left to
; the repair. A cenyzak.dll.nowa (never loaded by the program) left by such a run is removed.
; Out: $Finished 1 when the record was completed.
Function ${UN}FinishInterrupted
  Push $0
  Push $1
  Push $2
  Push $3
  Push $4
  StrCpy $Finished 0
  !insertmacro CALL RecordRead
  ${If} $RecDir != ""
    StrCpy $4 "$RecDir\Wtyczki\cenyzak.dll"
    ${If} ${FileExists} "$4.nowa"
      Delete "$4.nowa"
      StrCpy $0 "$4.nowa"
      ${IfNot} ${FileExists} "$4.nowa"
        !insertmacro LOG "${T_NOWA_REMOVED}"
      ${EndIf}
    ${EndIf}
    ${If} ${FileExists} "$4"
      Push $4
      !insertmacro CALL Sha256
      Pop $2
      Push $4
      !insertmacro CALL FileVersion
      Pop $1
      ${If} $2 != $RecSha
      ${AndIf} $1 != $RecVersion
      ${AndIf} $1 != "${T_UNKNOWN_VERSION}"
        Push "$State\kopie\cenyzak-$RecVersion.dll"
        !insertmacro CALL Sha256
        Pop $3
        Push "$State\kopie\cenyzak-$1.dll"
        !insertmacro CALL Sha256
        Pop $0
        !ifndef __UNINSTALL__
          ${IfThen} $2 == "${DLL_SHA256}" ${|} StrCpy $0 $2 ${|}
        !endif
        ${If} $3 == $RecSha
        ${AndIf} $0 == $2
          StrCpy $0 $RecVersion
          StrCpy $RecPrevious $RecVersion
          StrCpy $RecVersion $1
          StrCpy $RecSha $2
          !insertmacro CALL RecordWrite
          StrCpy $2 $RecDir
          !insertmacro LOG "${T_FINISHED}"
          StrCpy $Finished 1
        ${EndIf}
      ${EndIf}
    ${EndIf}
  ${EndIf}
  Pop $4
  Pop $3
  Pop $2
  Pop $1
  Pop $0
FunctionEnd

;  Writes what Windows holds of file $0 to the disk (FlushFileBuffers): a kept copy or a new file
; must be whole on the disk before the rename that relies on it, also after a power cut.
Function ${UN}Flush
  Exch $0
  System::Call 'kernel32::CreateFileW(w r0, i 0x40000000, i 7, p 0, i 3, i 0, p 0) p .r0'
  ${If} $0 != -1
    System::Call 'kernel32::FlushFileBuffers(p r0)'
    System::Call 'kernel32::CloseHandle(p r0)'
  ${EndIf}
  Pop $0
FunctionEnd

; Puts file $0 in place as $1 without a moment without a working plug-in: copied to $1.nowa,
; checked against SHA-256 $2, renamed over $1 in one step, checked again. Stops on any failure,
; with $1 as it was. Another program (a scanner, a backup) may hold the new file a moment after it
; is written, denying its rename: the rename is tried again for up to 10 seconds; the program that
; holds the plug-in itself is told apart (exit code 5).
Function ${UN}PutInPlace
  Push $3
  Push $4
  Push $5
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
  !insertmacro CALL Flush
  Push "$1.nowa"
  !insertmacro CALL Sha256
  Pop $3
  ${If} $3 != $2
    Delete "$1.nowa"
    StrCpy $0 "$1.nowa"
    StrCpy $1 $3
    !insertmacro FAIL ${E_OTHER} "${T_HASH_MISMATCH}"
  ${EndIf}
  StrCpy $5 0
  ${Do}
    ; MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH
    StrCpy $4 "$1.nowa"
    System::Call 'kernel32::MoveFileExW(w r4, w r1, i 9) i .r3 ?e'
    Pop $4
    ${IfThen} $3 != 0 ${|} ${ExitDo} ${|}
    ${If} $4 != 32
    ${AndIf} $4 != 5
      Delete "$1.nowa"
      StrCpy $0 $1
      StrCpy $1 $4
      !insertmacro FAIL ${E_OTHER} "${T_COPY_FAILED}"
    ${EndIf}
    Push $1
    !insertmacro CALL InUse
    Pop $4
    ${If} $4 == 32
      Delete "$1.nowa"
      StrCpy $0 $1
      !insertmacro FAIL ${E_IN_USE} "${T_IN_USE}"
    ${EndIf}
    StrCpy $0 "$1.nowa"
    ${If} $5 == 0
      !insertmacro LOG "${T_NEW_HELD_WAIT}"
    ${ElseIf} $5 >= 20
      ${ExitDo}
    ${EndIf}
    IntOp $5 $5 + 1
    Sleep 500
  ${Loop}
  ${If} $3 == 0
    StrCpy $0 "$1.nowa"
    Delete "$1.nowa"
    ${If} ${FileExists} "$1.nowa"
      !insertmacro FAIL ${E_OTHER} "${T_NEW_HELD_LEFT}"
    ${EndIf}
    !insertmacro FAIL ${E_OTHER} "${T_NEW_HELD}"
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
  Pop $5
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
    Push $1
    !insertmacro CALL Flush
  ${EndIf}
  Pop $3
  Pop $2
FunctionEnd

; Puts the kept previous version back and keeps the one it replaces. A run that finds an interrupted
; one (FinishInterrupted) finishes it and changes nothing more: which way a second /WROC should go
; cannot be known, and the log says how to go back.
Function ${UN}Rollback
  !insertmacro CALL FinishInterrupted
  ${If} $RecDir == ""
    !insertmacro FAIL ${E_NOTHING} "${T_NOT_INSTALLED}"
  ${EndIf}
  !insertmacro CALL RequireGivenIsRecorded
  ${If} $Finished == 1
    StrCpy $0 $RecPrevious
    StrCpy $1 $RecVersion
    !insertmacro LOG "${T_FINISHED_WROC}"
    Return
  ${EndIf}
  StrCpy $5 $RecPrevious
  StrCpy $6 "$State\kopie\cenyzak-$5.dll"
  ${If} $5 == ""
  ${OrIfNot} ${FileExists} "$6"
    StrCpy $0 "$State\kopie"
    !insertmacro FAIL ${E_NOTHING} "${T_NO_PREVIOUS}"
  ${EndIf}
  StrCpy $7 "$RecDir\Wtyczki\cenyzak.dll"
  Push $7
  !insertmacro CALL RequireFree
  ; What is replaced is kept; a plug-in file deleted by hand leaves nothing to keep, unless the
  ; recorded version is among the kept copies already.
  StrCpy $8 ""
  StrCpy $9 ""
  ${If} ${FileExists} "$7"
    Push $7
    !insertmacro CALL FileVersion
    Pop $8
    StrCpy $0 $7
    StrCpy $1 $8
    !insertmacro CALL Keep
    StrCpy $9 $1
    !insertmacro LOG "Zachowano wersję $8: $9"
  ${Else}
    StrCpy $0 $7
    !insertmacro LOG "${T_PLUGIN_MISSING}"
    Push "$State\kopie\cenyzak-$RecVersion.dll"
    !insertmacro CALL Sha256
    Pop $0
    ${If} $RecSha != ""
    ${AndIf} $0 == $RecSha
      StrCpy $8 $RecVersion
      StrCpy $9 "$State\kopie\cenyzak-$RecVersion.dll"
    ${EndIf}
  ${EndIf}
  Push $6
  !insertmacro CALL Sha256
  Pop $2
  StrCpy $0 $6
  StrCpy $1 $7
  !insertmacro CALL PutInPlace
  StrCpy $RecVersion $5
  StrCpy $RecSha $2
  StrCpy $RecPrevious $8
  !insertmacro CALL RecordWrite
  StrCpy $0 $5
  StrCpy $1 $RecDir
  StrCpy $2 $8
  StrCpy $3 $9
  ${If} $8 != ""
    !insertmacro LOG "${T_ROLLED_BACK}"
    StrCpy $TDoneSub "${T_DONE_ROLLBACK_WHICH}"
  ${Else}
    !insertmacro LOG "${T_ROLLED_BACK_NONE_KEPT}"
  ${EndIf}
FunctionEnd

; Removes the plug-in, the setup's own Wtyczki folder when it is empty, the entry and the
; uninstaller; the kept copies too with /USUN_KOPIE.
Function ${UN}Uninstall
  !insertmacro CALL FinishInterrupted
  ${If} $RecDir == ""
    !insertmacro FAIL ${E_NOTHING} "${T_NOT_INSTALLED}"
  ${EndIf}
  !insertmacro CALL RequireGivenIsRecorded
  StrCpy $5 $RecDir
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
  ${If} $RecCreated == 1
    RMDir "$5\Wtyczki"
  ${ElseIf} ${FileExists} "$5\Wtyczki\*.*"
    ; Wtyczki was there before the first installation (perhaps with a plug-in copied by hand,
    ; which the first installation kept among the copies): it stays.
    StrCpy $0 $5
    !insertmacro LOG "${T_PLUGINS_STAY}"
  ${EndIf}
  !insertmacro CALL RecordDelete
  StrCpy $0 $5
  !insertmacro LOG "${T_REMOVED}"
  StrCpy $0 "$State\kopie"
  ${If} $RemoveCopies == 1
    RMDir /r "$State\kopie"
    !insertmacro LOG "${T_REMOVED_COPIES}"
  ${ElseIf} ${FileExists} "$State\kopie\*.*"
    !insertmacro LOG "${T_KEPT_COPIES}"
  ${EndIf}
  Call ${UN}RemoveUninstaller
FunctionEnd

; Removes odinstaluj.exe. Started from the entry's QuietUninstallString, the uninstaller runs in
; place (with "_?=", so that it ends when its work ends and returns the real exit code, instead of
; returning at once from a temporary copy of itself), and Windows does not delete a running
; program's file, but renames it: it becomes odinstaluj.exe.usun, deleted when Windows next starts
; (no restart is needed for anything: the name is one nothing loads or runs) and by the next run
; of the setup, whichever comes first. Where even the rename is refused (Wine), odinstaluj.exe
; stays, said so in the log: with no record it does nothing but say so (code 3), and the next
; installation writes it anew. Its deletion is never scheduled for the next start under its own
; name: that would delete the uninstaller a later installation writes.
Function ${UN}RemoveUninstaller
  Push $0
  Delete "$State\odinstaluj.exe.usun"
  ClearErrors
  Delete "$State\odinstaluj.exe"
  ${If} ${FileExists} "$State\odinstaluj.exe"
    System::Call 'kernel32::MoveFileExW(w "$State\odinstaluj.exe", w "$State\odinstaluj.exe.usun", i 1) i .r0'
    ${If} $0 != 0
      System::Call 'kernel32::MoveFileExW(w "$State\odinstaluj.exe.usun", p 0, i 4) i .r0'
    ${Else}
      StrCpy $0 "$State\odinstaluj.exe"
      !insertmacro LOG "${T_UNINSTALLER_STAYS}"
    ${EndIf}
  ${EndIf}
  ClearErrors
  Pop $0
FunctionEnd

; The switches (from $Args, ReadCommandLine): known ones set their variable, anything else stops
; with exit code 7. One rule for them all, as the guide's table says: /D=FOLDER is the last one and
; takes the rest of the line (a switch after it is an error, not part of a folder); /MIMO and
; /STARSZA go only with an installation, /USUN_KOPIE only with /ODINSTALUJ (the uninstaller's
; own task), /WROC and /ODINSTALUJ not together; with /WROC and /ODINSTALUJ, /D= may name only
; the installed folder (RequireGivenIsRecorded).
Function ${UN}ParseSwitches
  StrCpy $0 $Args
  StrCpy $Mode "install"
  StrCpy $Force 0
  StrCpy $AllowOlder 0
  StrCpy $RemoveCopies 0
  StrCpy $HasD 0
  StrCpy $GivenDir ""
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
    ${If} $1 == "/D="
      StrCpy $HasD 1
      StrCpy $GivenDir $0 "" 3
      ${ExitDo}
    ${EndIf}
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
  ${If} $HasD == 1
    ; No switch after /D=: "/" is no character of a folder's name.
    StrCpy $2 0
    ${Do}
      StrCpy $1 $GivenDir 2 $2
      ${IfThen} $1 == "" ${|} ${ExitDo} ${|}
      ${If} $1 == " /"
        StrCpy $0 $GivenDir
        !insertmacro FAIL ${E_SWITCH} "${T_D_NOT_LAST}"
      ${EndIf}
      IntOp $2 $2 + 1
    ${Loop}
    ; Blanks at the end, quotes around it, backslashes at its end (but a drive's own) go.
    ${Do}
      StrCpy $1 $GivenDir 1 -1
      ${IfThen} $1 != " " ${|} ${ExitDo} ${|}
      StrCpy $GivenDir $GivenDir -1
    ${Loop}
    StrCpy $1 $GivenDir 1
    StrCpy $2 $GivenDir 1 -1
    ${If} $1 == '"'
    ${AndIf} $2 == '"'
      StrCpy $GivenDir $GivenDir -1 1
    ${EndIf}
    ${Do}
      StrCpy $1 $GivenDir 1 -1
      StrLen $2 $GivenDir
      ${IfThen} $1 != "\" ${|} ${ExitDo} ${|}
      ${IfThen} $2 <= 3 ${|} ${ExitDo} ${|}
      StrCpy $GivenDir $GivenDir -1
    ${Loop}
    ${If} $GivenDir == ""
      !insertmacro FAIL ${E_SWITCH} "${T_D_EMPTY}"
    ${EndIf}
  ${EndIf}
  !ifdef __UNINSTALL__
    ${IfThen} $R9 == "" ${|} StrCpy $R9 "/ODINSTALUJ" ${|}
  !endif
  ${If} $R9 != ""
    StrCpy $1 $R9
    ${If} $Force == 1
      StrCpy $0 "/MIMO"
      !insertmacro FAIL ${E_SWITCH} "${T_ONLY_INSTALL}"
    ${ElseIf} $AllowOlder == 1
      StrCpy $0 "/STARSZA"
      !insertmacro FAIL ${E_SWITCH} "${T_ONLY_INSTALL}"
    ${EndIf}
  ${EndIf}
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
  Call ReadCommandLine
  Call LogOpen
  Call TempFolder
  ; The switches are checked before the folder: /D= may be missing.
  Call ParseSwitches
  Call Lock
  Call ModeTexts
  ; The folder given, as given (NSIS leaves $INSTDIR empty when it judges /D= invalid), else the
  ; installed one, else the default.
  Call RecordRead
  ${If} $HasD == 1
    StrCpy $INSTDIR $GivenDir
  ${ElseIf} $RecDir != ""
    StrCpy $INSTDIR $RecDir
  ${Else}
    StrCpy $INSTDIR "$PROGRAMFILES\Vordan"
  ${EndIf}
FunctionEnd

Function .onGUIEnd
  Call GuiEnd
FunctionEnd

; The setup unpacks the plug-in and the pre-flight tool into a folder of its own run,
; %ProgramData%\cenyzak\tmp\PID-START (its process id and start time), removed at its end
; (Finish). A run that was killed leaves its folder; the next run removes every such folder whose
; process is gone. The start time tells a process that still runs (two setups at once) from a
; later one that got the same id, as Windows reuses ids.
Function TempFolder
  System::Call 'kernel32::GetCurrentProcessId() i .r0'
  System::Call 'kernel32::GetCurrentProcess() p .r1'
  System::Call 'kernel32::GetProcessTimes(p r1, *l .r2, *l .r3, *l .r3, *l .r3)'
  StrCpy $Tmp "$State\tmp\$0-$2"
  FindFirst $1 $2 "$State\tmp\*"
  ${DoWhile} $2 != ""
    ${If} $2 != "."
    ${AndIf} $2 != ".."
      ; The process id: the name up to its "-".
      StrCpy $5 0
      ${Do}
        StrCpy $6 $2 1 $5
        ${IfThen} $6 == "-" ${|} ${ExitDo} ${|}
        ${IfThen} $6 == "" ${|} ${ExitDo} ${|}
        IntOp $5 $5 + 1
      ${Loop}
      StrCpy $6 $2 $5
      StrCpy $4 ""
      ; PROCESS_QUERY_LIMITED_INFORMATION | SYNCHRONIZE: running (no signal) and its start time.
      System::Call 'kernel32::OpenProcess(i 0x101000, i 0, i r6) p .r3'
      ${If} $3 != 0
        System::Call 'kernel32::WaitForSingleObject(p r3, i 0) i .r7'
        ${If} $7 == 258
          System::Call 'kernel32::GetProcessTimes(p r3, *l .r7, *l .r8, *l .r8, *l .r8)'
          StrCpy $4 "$6-$7"
        ${EndIf}
        System::Call 'kernel32::CloseHandle(p r3)'
      ${EndIf}
      ${If} $4 != $2
        RMDir /r "$State\tmp\$2"
        !insertmacro LOG "${T_TMP_REMOVED}"
      ${EndIf}
    ${EndIf}
    FindNext $1 $2
  ${Loop}
  FindClose $1
FunctionEnd

Function SkipUnlessInstall
  ${IfThen} $Mode != "install" ${|} Abort ${|}
FunctionEnd

; Whether $INSTDIR is a program's folder: empty on the stack when it is, else the reason. Its
; length is checked first (MAX_FOLDER), before anything is made in it.
Function FolderProblem
  Push $0
  Push $1
  StrCpy $0 $INSTDIR
  ${GetFileName} "$INSTDIR" $1
  ${GetParent} "$INSTDIR" $2
  StrCpy $3 $0 1 1
  StrCpy $4 $0 2
  StrLen $5 $INSTDIR
  ${If} $3 != ":"
  ${AndIf} $4 != "\\"
    StrCpy $0 "${T_NOT_ABSOLUTE}"
  ${ElseIf} $5 > ${MAX_FOLDER}
    StrCpy $1 $5
    StrCpy $0 "${T_TOO_LONG}"
  ${ElseIf} $1 == "VORDAN.dll"
  ${AndIf} ${FileExists} "$INSTDIR"
  ${AndIfNot} ${FileExists} "$INSTDIR\*.*"
    StrCpy $1 $2
    StrCpy $0 "${T_MODULE_GIVEN}"
  ${ElseIf} $3 == ":"
  ${AndIfNot} ${FileExists} "$4\*.*"
    StrCpy $1 $4
    StrCpy $0 "${T_NO_DRIVE}"
  ${ElseIf} $4 == "\\"
  ${AndIfNot} ${FileExists} "$INSTDIR\*.*"
    StrCpy $0 "${T_NO_SHARE}"
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
; (narzedzia\ under the folder that holds SHA256SUMS) into this run's $Tmp, so its report compares
; an installed plug-in with this package.
Function RunCheck
  ${IfThen} $CheckedDir == $INSTDIR ${|} Return ${|}
  InitPluginsDir
  SetOutPath "$Tmp\paczka\narzedzia"
  File "/oname=cenyzak-sprawdz.exe" "${TOOL}"
  SetOutPath "$Tmp\paczka"
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
  StrCpy $7 '"$Tmp\paczka\narzedzia\cenyzak-sprawdz.exe" --stan "$5"'
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
    ; The verdict in sight: the box scrolled to the report's WYNIK line, the details above it.
    System::Call 'shlwapi::StrStrA(p r2, m "WYNIK:") p .r3'
    ${If} $3 != 0
      IntOp $3 $3 - $2
      System::Call 'kernel32::MultiByteToWideChar(i 65001, i 0, p r2, i r3, p 0, i 0) i .r3'
      SendMessage $7 ${EM_LINEFROMCHAR} $3 0 $3
      SendMessage $7 ${EM_LINESCROLL} 0 $3
    ${EndIf}
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
    Push ${E_NOTHING}
    Call Finish
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
        ${If} $RecDir == $INSTDIR
        ${AndIf} $RecSha == $InstalledSha
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
  Call FinishInterrupted
  ; One installation per PC: another folder only when the earlier one is gone; the record then
  ; moves to the folder acted on.
  StrCpy $1 $RecDir
  StrCpy $OldDir ""  ; the folder the record leaves, when it moves
  ${If} $1 != ""
  ${AndIf} $1 != $INSTDIR
    ${If} ${FileExists} "$1\Wtyczki\cenyzak.dll"
      !insertmacro FAIL ${E_OTHER} "${T_OTHER_FOLDER}"
    ${EndIf}
    StrCpy $OldDir $1
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
      ; A label, not a relative jump: FAIL is more than one instruction.
      MessageBox MB_YESNO|MB_ICONEXCLAMATION|MB_DEFBUTTON2 "${T_COPIES_FOUND}${T_COPIES_ASK}" IDYES copies_accepted
      !insertmacro FAIL ${E_CHECK} "${T_COPIES_REFUSED}"
      copies_accepted:
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
    ; An interrupted update just finished is this run's work.
    ${If} $Finished == 1
      Push 0
    ${Else}
      Push ${E_NOTHING}
    ${EndIf}
    Call Finish
    Quit
  ${ElseIf} $Plan == "register"
    ; The same file, copied by hand or in a folder the record does not name: only the record is
    ; written, the file stays as it is.
    StrCpy $R6 same
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
      ; A label, not a relative jump: FAIL is more than one instruction.
      MessageBox MB_YESNO|MB_ICONQUESTION|MB_DEFBUTTON2 "${T_DOWNGRADE_ASK}" IDYES older_accepted
      !insertmacro FAIL ${E_OLDER} "${T_DOWNGRADE_REFUSED}"
      older_accepted:
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
  ${If} $R6 != same
    Push $7
    Call RequireFree
  ${EndIf}
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
  ${If} $R6 == same
    StrCpy $0 $INSTDIR
    !insertmacro LOG "${T_SAME_RECORDED}"
  ${Else}
    SetOutPath "$Tmp"
    File "/oname=cenyzak.dll" "${DLL}"
    StrCpy $0 "$Tmp\cenyzak.dll"
    StrCpy $1 $7
    StrCpy $2 "${DLL_SHA256}"
    Call PutInPlace
    !insertmacro LOG "Zapisano $7 (SHA-256 ${DLL_SHA256}, zgodny z paczką)."
  ${EndIf}

  ; The uninstaller and the record (the entry in the list of installed programs), naming the
  ; folder acted on. A record that named another folder (its plug-in gone) keeps nothing of it
  ; but the kept copies; the Wtyczki the setup made there goes when it is empty.
  WriteUninstaller "$State\odinstaluj.exe"
  Delete "$State\odinstaluj.exe.usun"
  ${If} $OldDir != ""
    ${If} $RecCreated == 1
      Delete "$OldDir\Wtyczki\cenyzak.dll.nowa"
      RMDir "$OldDir\Wtyczki"
      ${IfNot} ${FileExists} "$OldDir\Wtyczki\*.*"
        StrCpy $1 $OldDir
        !insertmacro LOG "${T_OLD_PLUGINS_REMOVED}"
      ${EndIf}
    ${EndIf}
    StrCpy $RecCreated 0
    StrCpy $0 $INSTDIR
    StrCpy $1 $OldDir
    !insertmacro LOG "${T_RECORD_MOVED}"
  ${ElseIf} $RecDir == ""
    StrCpy $RecCreated 0
  ${EndIf}
  ${IfThen} $CreatedPlugins == 1 ${|} StrCpy $RecCreated 1 ${|}
  ${If} $R6 != ""
  ${AndIf} $R6 != same
    StrCpy $RecPrevious $R6
  ${EndIf}
  StrCpy $RecDir $INSTDIR
  StrCpy $RecVersion "${VERSION}"
  StrCpy $RecSha "${DLL_SHA256}"
  Call RecordWrite
  StrCpy $0 $INSTDIR
  !insertmacro LOG "${T_INSTALLED}"
  !insertmacro LOG "${T_INSTALLED_HINT}"
FunctionEnd

Section
  ${If} $Mode == "wroc"
    Call Rollback
  ${ElseIf} $Mode == "odinstaluj"
    Call Uninstall
  ${Else}
    Call Install
  ${EndIf}
  Push 0
  Call Finish
SectionEnd

;--- the uninstaller -----------------------------------------------------------------------------
Function un.onInit
  Call un.ReadCommandLine
  Call un.LogOpen
  Call un.ParseSwitches
  Call un.Lock
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
  ; The page offers what is there once an interrupted run is finished.
  Call un.FinishInterrupted
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
  Push 0
  Call un.Finish
SectionEnd

Function un.onGUIEnd
  Call un.GuiEnd
FunctionEnd
