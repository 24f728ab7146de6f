; cenyzak-VERSION-setup.exe: installs, updates, rolls back and uninstalls the plug-in cenyzak.dll on
; a client's PC, interactively or silently, in Polish. Built with makensis (NSIS 3, Unicode) by the
; win32 preset (CMakeLists.txt, cenyzak-setup/build.sh) and by ./release; texts in teksty.nsh.
;
; Where. The program's folder (the one holding the host module VORDAN.dll) is chosen on the first
; page, prefilled with a folder this PC has installed in (an uninstall entry's InstallLocation),
; else $PROGRAMFILES\Vordan ("Program Files (x86)" on 64-bit Windows); silently it is /D=FOLDER,
; last and unquoted, with the same default (with two or more installed on the PC, /D= is needed:
; code 7 naming them). The plug-in goes to FOLDER\Wtyczki\.
; A folder without VORDAN.dll is refused (the plug-in folder itself with a hint to the one above,
; the module's file with a hint to its folder, a missing drive or an unreachable share each with
; what to do), and so is a folder longer than 210 characters, before anything is made in it.
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
; The setup's state follows the program's folder, not the PC. Programs of this kind often run from
; one folder on a server that every workstation opens, and a terminal server may hold two program
; folders: FOLDER\cenyzak\ (beside Wtyczki\, where the program loads nothing) holds the record
; (instalacja.ini), the folder's log, the kept copies, the uninstaller and the lock, so that every
; step works from any PC that opens the folder, and two folders never meet. Each PC that ran the
; setup on a folder has an uninstall entry for it, the door from Windows' list of programs.
;
; One run at a time on a folder. Two runs on one folder (an integrator and a deployment tool, on
; one PC or two) would write the same plug-in, record and kept copies: each run holds a lock file in
; FOLDER\cenyzak from before it reads the record to its end; the second waits up to 10 seconds,
; then stops with code 5, "try later", having changed nothing (Lock). With its windows, the setup
; takes the lock leaving the folder page, and a busy folder keeps that page up. Runs on two
; folders do not wait for each other.
;
; Interrupted. Whatever rollback needs (the kept copy, flushed to disk) is written before the
; rename, the record after it. A run killed between the two (or a power cut: the rename is written
; through, the record later) leaves the plug-in replaced and the record naming the version
; before; the next run of any kind finishes it (FinishInterrupted): the file is compared with the
; record and the kept copies, and the record completed. The plug-in and the tool are unpacked into
; the run's own %ProgramData%\cenyzak\tmp\PID-START, removed at its end and, after a killed run,
; by the next one. A killed run leaves NSIS's own plug-ins (System, nsDialogs) in its
; %TEMP%\nsXXXX.tmp, as every NSIS setup does: no file of cenyzak there.
;
; Update and roll back. The replaced plug-in is kept, by its version number, as
; FOLDER\cenyzak\kopie\cenyzak-VERSION.dll, where the program does not load it. /WROC (this setup of
; any version, or the uninstaller, also from its page) puts the kept previous version back and keeps
; the one it replaces, so /WROC twice returns; no old package is needed. An older version over a
; newer one is asked first (silently: only with /STARSZA). The same version with other bytes is
; repaired; the same bytes are "nothing to do".
;
; Uninstall. Entry "cenyzak-KEY" per program's folder in Windows' list of installed programs (HKLM,
; on 64-bit Windows the 32-bit view Wow6432Node): name with the folder, version, publisher, folder,
; size. The uninstaller is FOLDER\cenyzak\odinstaluj.exe, acting on the folder above it; silently
; this setup with /ODINSTALUJ does the same and returns its exit code directly. Started plainly
; (UninstallString, the list of programs), the uninstaller runs from a temporary copy and returns at
; once; the entry's QuietUninstallString starts it in place (/S _?=FOLDER\cenyzak), so that it waits
; for the end and returns the real exit code, and a running program's file cannot be deleted: it
; renames itself out of the way (RemoveUninstaller). The plug-in goes; Wtyczki\ goes when the setup
; made it and it is empty; a Wtyczki\ that was there before (perhaps with a plug-in copied by hand,
; which the first installation kept among the copies) stays. The kept copies and the folder's log
; stay; with /USUN_KOPIE (or the box on the uninstaller's page) FOLDER\cenyzak goes altogether. This
; PC's entry goes; another PC's entry for the folder goes at that PC's next run of the setup
; (Entries). The program's notice setting stays.
;
; The record. One installation per program's folder, recorded in FOLDER\cenyzak\instalacja.ini
; (version, SHA-256, previous version, whether the setup made Wtyczki): RecordRead, RecordWrite
; and RecordDelete are its only readers and writers. The earlier setups kept one installation per
; PC in one entry "cenyzak" and %ProgramData%\cenyzak: the first run on that folder takes it over
; (TakeOver).
;
; Exit codes (silent and interactive):
;   0  installed, updated, repaired, rolled back or uninstalled
;   1  cancelled by the user (interactive only)
;   2  other error (a file that could not be written, a wrong SHA-256, the new file held by
;      another program, no desktop for the windows)
;   3  nothing to do (the same file installed; nothing to roll back to; nothing installed, or
;      nothing installed in the folder /D= gives with /WROC or /ODINSTALUJ)
;   4  the check failed: no host module in the folder (or no such folder, or one too long), the
;      pre-flight tool says the plug-in will not work, or a second copy of the plug-in (without
;      /MIMO)
;   5  the plug-in file is in use, or another run of the setup or the uninstaller on the same
;      program's folder (from this PC or another) did not end within LOCK_WAIT seconds: try later
;   6  an older version over a newer one refused (without /STARSZA)
;   7  a wrong switch, or a switch used against the rule above, or no /D= where the PC has two
;      or more installations and the run cannot ask which
;
; Logs: %ProgramData%\cenyzak\instalacja.log (every run on this PC) and
; FOLDER\cenyzak\instalacja.log (every run on that folder, from any PC, once it holds the lock),
; UTF-8 with a byte order mark and CRLF, appended on every run: the date, the computer and the
; user, and the command as given (the raw line with /D=; the uninstaller's own name,
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
; The longest program's folder: the longest name the setup makes in it must fit in Windows' 259
; characters (and so the plug-in's own name in the 299 it reads it into). That is a kept copy
; being written, \cenyzak\kopie\cenyzak-VERSION.dll.nowa, 49 characters after the folder with the
; longest version a file can carry (65535.65535.65535).
!define MAX_FOLDER 210
!include "teksty.nsh"

; Windows' list of installed programs: one entry per program's folder, UNINST_ROOT\cenyzak-KEY
; (FolderKey). OLD_KEY is the one entry per PC of the earlier setups (TakeOver).
!define UNINST_ROOT "Software\Microsoft\Windows\CurrentVersion\Uninstall"
!define OLD_KEY "${UNINST_ROOT}\cenyzak"
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
Var PcState     ; %ProgramData%\cenyzak: this PC's log and the runs' unpacked files
Var State       ; FOLDER\cenyzak: the folder's record, log, kept copies, uninstaller and lock
Var FolderLog   ; the folder's log's handle, 0 while it is not open
Var LockHandle  ; the folder's lock (Lock), 0 while none is held
Var LockDir     ; the folder it locks
Var StateMade   ; 1 when this run made $State (Release removes it again when nothing is recorded)
Var DropState   ; 1 when the uninstall removes $State altogether (/USUN_KOPIE)
Var EntryKey    ; this PC's uninstall entry for the folder: UNINST_ROOT\cenyzak-...
Var RecOld      ; 1 when the record read is the earlier setups' entry (before TakeOver)
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
Var Tmp         ; this run's unpacked files: $PcState\tmp\PID-START
Var Finished    ; 1 when this run finished what an interrupted one began
; The record of the installation in the folder (RecordRead): "" when there is none.
Var RecDir      ; the program's folder ($INSTDIR when it has a record)
Var RecVersion  ; the installed version
Var RecSha      ; the installed file's SHA-256
Var RecPrevious ; the kept previous version, "" when none
Var RecCreated  ; 1 when the setup made that folder's Wtyczki

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

; Two logs, both appended to by every run: this PC's, %ProgramData%\cenyzak\instalacja.log, with
; every run on the PC whole (also one that stops before it knows its folder: a wrong switch, a
; folder refused), and the program's folder's, FOLDER\cenyzak\instalacja.log, with every run on that
; folder from whichever PC, from the moment it holds the folder's lock (Lock). A log is opened for
; appending only (FILE_APPEND_DATA without FILE_WRITE_DATA: every write lands whole at the end of
; the file) and shared for reading and writing, so that a second run at the same time, which waits
; for the first one, still logs that it waited and why it stopped, without overwriting a line.
Function ${UN}LogOpen
  SetShellVarContext all
  StrCpy $PcState "$APPDATA\cenyzak"
  StrCpy $LogPath "$PcState\instalacja.log"
  StrCpy $FolderLog 0
  CreateDirectory "$PcState"
  Push $LogPath
  !insertmacro CALL OpenLog
  Pop $Log
FunctionEnd

; Opens the log file on the stack for appending and writes this run's first lines to it alone.
; Out on the stack: its handle, 0 when it cannot be opened.
Function ${UN}OpenLog
  Exch $0
  Push $1
  Push $2
  Push $3
  Push $4
  Push $5
  Push $6
  Push $7
  Push $8
  ; FILE_APPEND_DATA | FILE_READ_ATTRIBUTES | SYNCHRONIZE, shared read and write, OPEN_ALWAYS.
  System::Call 'kernel32::CreateFileW(w r0, i 0x00100084, i 3, p 0, i 4, i 0x80, p 0) p .r0'
  ${If} $0 == -1
    StrCpy $0 0
  ${Else}
    FileSeek $0 0 END $1
    ${If} $1 == 0
      FileWriteByte $0 0xEF
      FileWriteByte $0 0xBB
      FileWriteByte $0 0xBF
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
    ; The computer and the account: a folder's log gathers the runs of many PCs.
    ReadEnvStr $1 COMPUTERNAME
    System::Call 'advapi32::GetUserNameW(w .r8, *i 256)'
    Push $0
    Push ""
    !insertmacro CALL WriteLogLine
    Push $0
    Push "=== $2-$3-$4 $5:$6:$7  cenyzak ${VERSION}: $CmdShown"
    !insertmacro CALL WriteLogLine
    Push $0
    Push "Komputer: $1, użytkownik: $8"
    !insertmacro CALL WriteLogLine
  ${EndIf}
  Pop $8
  Pop $7
  Pop $6
  Pop $5
  Pop $4
  Pop $3
  Pop $2
  Pop $1
  Exch $0
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
  !insertmacro CALL Release
  !ifndef __UNINSTALL__
    ${If} $Tmp != ""
      SetOutPath "$PcState"
      RMDir /r "$Tmp"
      RMDir "$PcState\tmp"
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

; Appends one line (the text on the stack) to the logs (this PC's, and the folder's once it is
; open) and shows it on the progress page.
Function ${UN}LogLine
  Exch $0
  ; The progress page lists the log's lines alone: NSIS's own lines for each file it unpacks,
  ; copies or writes ("Wyodrębnij", "Utworzono deinstalator") say nothing an integrator needs.
  SetDetailsPrint both
  DetailPrint "$0"
  SetDetailsPrint none
  Push $Log
  Push $0
  !insertmacro CALL WriteLogLine
  Push $FolderLog
  Push $0
  !insertmacro CALL WriteLogLine
  Pop $0
FunctionEnd

; Writes one line to one log as UTF-8 with CRLF. In on the stack: the handle (0: none), the text.
Function ${UN}WriteLogLine
  Exch $0 ; the text
  Exch
  Exch $3 ; the handle
  Push $1
  Push $2
  ${If} $3 != 0
    StrCpy $0 "$0$\r$\n"
    System::Call 'kernel32::WideCharToMultiByte(i 65001, i 0, w r0, i -1, p 0, i 0, p 0, p 0) i .r1'
    System::Alloc $1
    Pop $2
    System::Call 'kernel32::WideCharToMultiByte(i 65001, i 0, w r0, i -1, p r2, i r1, p 0, p 0)'
    IntOp $1 $1 - 1
    System::Call 'kernel32::WriteFile(p r3, p r2, i r1, *i 0, p 0)'
    System::Free $2
  ${EndIf}
  Pop $2
  Pop $1
  Pop $3
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
  ${If} $0 != 0
    Push $0
    Push $1
    !insertmacro CALL HashBuffer
    System::Free $0
    Pop $0
  ${Else}
    StrCpy $0 ""
  ${EndIf}
  Pop $1
  Exch $0
FunctionEnd

; The SHA-256 of bytes in memory, in lower-case hex ("" when Windows cannot make one). In on the
; stack: the buffer, then (on top) its length; out: the hex.
Function ${UN}HashBuffer
  Exch $1 ; the length
  Exch
  Exch $0 ; the buffer
  Push $2
  Push $3
  Push $4
  Push $5
  Push $6
  Push $7
  StrCpy $7 ""
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
  StrCpy $0 $7
  Pop $7
  Pop $6
  Pop $5
  Pop $4
  Pop $3
  Pop $2
  Exch $0
  Exch
  Pop $1
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

; The program's folder this run acts on is $INSTDIR: its state is $INSTDIR\cenyzak, this PC's
; uninstall entry for it $EntryKey.
Function ${UN}UseFolder
  StrCpy $State "$INSTDIR\cenyzak"
  Push $INSTDIR
  !insertmacro CALL FolderKey
  Pop $EntryKey
  StrCpy $EntryKey "${UNINST_ROOT}\$EntryKey"
FunctionEnd

; The name of a folder's uninstall entry, "cenyzak-" and 16 hex digits of the SHA-256 of its path
; in lower case, without a closing backslash; a mapped drive's path is first turned into the share's
; (WNetGetUniversalName), so that Z:\Vordan and \\serwer\udzial\Vordan are one entry on a PC.
; In and out on the stack.
Function ${UN}FolderKey
  Exch $0
  Push $1
  Push $2
  Push $3
  StrCpy $1 $0 1 -1
  StrLen $2 $0
  ${If} $1 == "\"
  ${AndIf} $2 > 3
    StrCpy $0 $0 -1
  ${EndIf}
  System::Alloc 4096
  Pop $1
  ; UNIVERSAL_NAME_INFO_LEVEL (1): the buffer starts with a pointer to the UNC path.
  System::Call 'mpr::WNetGetUniversalNameW(w r0, i 1, p r1, *i 4096) i .r2'
  ${If} $2 == 0
    System::Call '*$1(w .r3)'
    ${IfThen} $3 != "" ${|} StrCpy $0 $3 ${|}
  ${EndIf}
  System::Free $1
  System::Call 'user32::CharLowerW(w r0 r0)'
  ; Its SHA-256 over the UTF-8 bytes.
  System::Call 'kernel32::WideCharToMultiByte(i 65001, i 0, w r0, i -1, p 0, i 0, p 0, p 0) i .r2'
  System::Alloc $2
  Pop $1
  System::Call 'kernel32::WideCharToMultiByte(i 65001, i 0, w r0, i -1, p r1, i r2, p 0, p 0)'
  IntOp $2 $2 - 1
  Push $1
  Push $2
  !insertmacro CALL HashBuffer
  Pop $0
  System::Free $1
  StrCpy $0 "cenyzak-$0" 24
  Pop $3
  Pop $2
  Pop $1
  Exch $0
FunctionEnd

; One run at a time on a program's folder: every run (the setup in any mode, the uninstaller, on
; this or another PC) holds $State\instalator.blokada open without sharing from before it reads the
; folder's record until it ends; Windows deletes the file when the handle closes
; (FILE_FLAG_DELETE_ON_CLOSE), also when the run is killed (on a share, when the server drops its
; session), so no stale lock is ever left. A run that finds it held waits up to the seconds on the
; stack and then stops with code 5 (try later), having changed nothing; with 0 it does not wait and
; leaves 0 on the stack instead (the folder page, which stays up), else 1. $State is made when it
; is missing (StateMade: Release removes it again unless something is recorded there); the folder
; itself must exist. With the lock, the folder's log is opened.
Function ${UN}Lock
  Exch $0 ; the seconds to wait
  Push $1
  Push $2
  Push $3
  ${If} $LockHandle != 0
    ${If} $LockDir == $INSTDIR
      StrCpy $0 1
      Goto lock_done
    ${EndIf}
    !insertmacro CALL Release
  ${EndIf}
  !insertmacro CALL UseFolder
  StrCpy $3 0
  ${Do}
    ${IfNot} ${FileExists} "$State\*.*"
      ; Not NSIS's CreateDirectory, which would make every missing folder on the way.
      System::Call 'kernel32::CreateDirectoryW(w "$State", p 0) i .r1'
      ${IfThen} $1 != 0 ${|} StrCpy $StateMade 1 ${|}
    ${EndIf}
    ; GENERIC_READ|GENERIC_WRITE, no sharing, OPEN_ALWAYS, FILE_FLAG_DELETE_ON_CLOSE.
    System::Call 'kernel32::CreateFileW(w "$State\instalator.blokada", i 0xC0000000, i 0, p 0, i 4, i 0x04000080, p 0) p .r1 ?e'
    Pop $2
    ${IfThen} $1 != -1 ${|} ${ExitDo} ${|}
    ; A sharing violation is another run; "path not found" one that has just removed the state
    ; folder it had made (then it is made again). Anything else: no access.
    ${If} $2 != 32
    ${AndIf} $2 != 3
      StrCpy $0 "$State"
      StrCpy $1 $2
      !insertmacro FAIL ${E_OTHER} "${T_NO_ACCESS}"
    ${EndIf}
    ${If} $0 == 0
      StrCpy $0 "$State\instalacja.log"
      !insertmacro LOG "${T_BUSY_PAGE}"
      StrCpy $0 0
      Goto lock_done
    ${EndIf}
    ${If} $3 == 0
      !insertmacro LOG "${T_BUSY_WAIT}"
    ${EndIf}
    ${If} $3 >= $0
      StrCpy $0 "$State\instalacja.log"
      !insertmacro FAIL ${E_IN_USE} "${T_BUSY}"
    ${EndIf}
    Sleep 1000
    IntOp $3 $3 + 1
  ${Loop}
  StrCpy $LockHandle $1
  StrCpy $LockDir $INSTDIR
  Delete "$State\odinstaluj.exe.usun"
  Push "$State\instalacja.log"
  !insertmacro CALL OpenLog
  Pop $FolderLog
  StrCpy $0 1
  lock_done:
  Pop $3
  Pop $2
  Pop $1
  Exch $0
FunctionEnd

; Lets the folder go: its log and its lock are closed. A state folder that holds no record then
; (this run made it and installed nothing, or the uninstall removes it all) is removed with what
; this run wrote there; kept copies keep it (a run that stopped after keeping one may have left the
; only copy of a version).
Function ${UN}Release
  Push $0
  ${If} $FolderLog != 0
    System::Call 'kernel32::CloseHandle(p $FolderLog)'
    StrCpy $FolderLog 0
  ${EndIf}
  ${If} $LockHandle != 0
    System::Call 'kernel32::CloseHandle(p $LockHandle)'
    StrCpy $LockHandle 0
    ${If} $StateMade == 1
    ${OrIf} $DropState == 1
      ${IfNot} ${FileExists} "$State\instalacja.ini"
        RMDir "$State\kopie"
        ${IfNot} ${FileExists} "$State\kopie\*.*"
          Delete "$State\instalacja.log"
          RMDir "$State"
          ; A running uninstaller's renamed file keeps it (RemoveUninstaller): Windows removes the
          ; emptied folder at its next start (on a local disk; the next run of the setup on a share).
          ${If} ${FileExists} "$State\*.*"
          ${AndIf} $DropState == 1
            System::Call 'kernel32::MoveFileExW(w "$State", p 0, i 4) i .r0'
          ${EndIf}
        ${EndIf}
      ${EndIf}
    ${EndIf}
    StrCpy $StateMade 0
  ${EndIf}
  Pop $0
FunctionEnd

;--- the record of the installation ---------------------------------------------------------------
; Every read and write of what is installed in a program's folder goes through these functions.
; The record is $State\instalacja.ini, beside the program's folder's own files, so that every step
; works from any PC that opens the folder; this PC's uninstall entry for the folder ($EntryKey) is
; the door to it from Windows' list of programs. The earlier setups kept the record in one entry
; per PC (OLD_KEY): read as the record of the folder it names until TakeOver moves it here.

; Reads the record of $INSTDIR into $RecDir, $RecVersion, $RecSha, $RecPrevious, $RecCreated (""
; without one), $RecOld.
Function ${UN}RecordRead
  Push $0
  StrCpy $RecDir ""
  StrCpy $RecVersion ""
  StrCpy $RecSha ""
  StrCpy $RecPrevious ""
  StrCpy $RecCreated ""
  StrCpy $RecOld 0
  ClearErrors
  StrCpy $0 "$INSTDIR\cenyzak\instalacja.ini"
  ${If} ${FileExists} "$0"
    ReadINIStr $RecVersion "$0" "instalacja" "Wersja"
    ReadINIStr $RecSha "$0" "instalacja" "SHA256"
    ReadINIStr $RecPrevious "$0" "instalacja" "PoprzedniaWersja"
    ReadINIStr $RecCreated "$0" "instalacja" "UtworzonoWtyczki"
    ${IfThen} $RecVersion != "" ${|} StrCpy $RecDir $INSTDIR ${|}
  ${Else}
    ReadRegStr $0 HKLM "${OLD_KEY}" "InstallLocation"
    Push $0
    !insertmacro CALL SameFolder
    Pop $0
    ${If} $0 == 1
      ReadRegStr $RecVersion HKLM "${OLD_KEY}" "DisplayVersion"
      ReadRegStr $RecSha HKLM "${OLD_KEY}" "SHA256"
      ReadRegStr $RecPrevious HKLM "${OLD_KEY}" "PoprzedniaWersja"
      ReadRegDWORD $RecCreated HKLM "${OLD_KEY}" "UtworzonoWtyczki"
      StrCpy $RecDir $INSTDIR
      StrCpy $RecOld 1
    ${EndIf}
  ${EndIf}
  ClearErrors
  Pop $0
FunctionEnd

; 1 on the stack when the folder on the stack is $INSTDIR (letter case and a closing backslash
; aside), else 0.
Function ${UN}SameFolder
  Exch $0
  Push $1
  Push $INSTDIR
  !insertmacro CALL Unslash
  Pop $1
  Push $0
  !insertmacro CALL Unslash
  Pop $0
  ${If} $0 != ""
  ${AndIf} $0 == $1
    StrCpy $0 1
  ${Else}
    StrCpy $0 0
  ${EndIf}
  Pop $1
  Exch $0
FunctionEnd

; The path on the stack without its closing backslashes. In and out on the stack.
Function ${UN}Unslash
  Exch $0
  Push $1
  ${Do}
    StrCpy $1 $0 1 -1
    ${IfThen} $1 != "\" ${|} ${ExitDo} ${|}
    StrCpy $0 $0 -1
  ${Loop}
  Pop $1
  Exch $0
FunctionEnd

; Writes the record from the same variables: a new instalacja.ini written whole, flushed and put in
; place in one rename (a run killed meanwhile leaves the one before); then this PC's entry.
Function ${UN}RecordWrite
  Push $0
  Push $1
  StrCpy $1 "$State\instalacja.ini"
  ClearErrors
  FileOpen $0 "$1.nowy" w
  ${If} ${Errors}
    StrCpy $0 "$1"
    StrCpy $1 "?"
    !insertmacro FAIL ${E_OTHER} "${T_NO_ACCESS}"
  ${EndIf}
  FileWrite $0 "; ${T_RECORD_HEADER}$\r$\n"
  FileWrite $0 "[instalacja]$\r$\n"
  FileWrite $0 "Wersja=$RecVersion$\r$\n"
  FileWrite $0 "SHA256=$RecSha$\r$\n"
  FileWrite $0 "PoprzedniaWersja=$RecPrevious$\r$\n"
  ${If} $RecCreated == 1
    FileWrite $0 "UtworzonoWtyczki=1$\r$\n"
  ${Else}
    FileWrite $0 "UtworzonoWtyczki=0$\r$\n"
  ${EndIf}
  FileClose $0
  Push "$1.nowy"
  !insertmacro CALL Flush
  ; MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH
  System::Call 'kernel32::MoveFileExW(w "$1.nowy", w r1, i 9) i .r0 ?e'
  Pop $1
  ${If} $0 == 0
    StrCpy $0 "$State\instalacja.ini"
    !insertmacro FAIL ${E_OTHER} "${T_NO_ACCESS}"
  ${EndIf}
  StrCpy $RecDir $INSTDIR
  StrCpy $RecOld 0
  !insertmacro CALL EntryWrite
  Pop $1
  Pop $0
FunctionEnd

; This PC's entry for $INSTDIR in Windows' list of installed programs (HKLM, on 64-bit Windows the
; 32-bit view Wow6432Node), from the record: named after the folder (a PC may hold two), with the
; uninstaller in the folder's state. Its quiet string runs that uninstaller in place ("_?=" and its
; folder): it then ends when the work ends and returns its exit code, as deployment tools expect
; (RemoveUninstaller).
Function ${UN}EntryWrite
  Push $0
  Push $1
  WriteRegStr HKLM "$EntryKey" "DisplayName" "${T_NAME} ($INSTDIR)"
  WriteRegStr HKLM "$EntryKey" "DisplayVersion" "$RecVersion"
  WriteRegStr HKLM "$EntryKey" "Publisher" "${PUBLISHER}"
  WriteRegStr HKLM "$EntryKey" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "$EntryKey" "UninstallString" "$\"$State\odinstaluj.exe$\""
  WriteRegStr HKLM "$EntryKey" "QuietUninstallString" "$\"$State\odinstaluj.exe$\" /S _?=$State"
  ; The size in KiB, rounded up.
  FileOpen $1 "$INSTDIR\Wtyczki\cenyzak.dll" r
  FileSeek $1 0 END $0
  FileClose $1
  IntOp $0 $0 + 1023
  IntOp $0 $0 / 1024
  WriteRegDWORD HKLM "$EntryKey" "EstimatedSize" $0
  WriteRegDWORD HKLM "$EntryKey" "NoModify" 1
  WriteRegDWORD HKLM "$EntryKey" "NoRepair" 1
  Pop $1
  Pop $0
FunctionEnd

; The record goes, and this PC's entry with it.
Function ${UN}RecordDelete
  Delete "$State\instalacja.ini"
  DeleteRegKey HKLM "$EntryKey"
  StrCpy $RecDir ""
FunctionEnd

; This PC's entries, in one pass over Windows' list of programs. They follow their folders'
; records, which other PCs change too: an entry whose folder is there but holds no installation any
; more (uninstalled from another PC) goes, so that the list of programs shows none that would only
; say its uninstaller is missing; one whose folder holds another version (updated or rolled back
; from another PC) says that version. An entry whose folder cannot be reached (a share offline)
; stays as it is. Out: the folders the entries left name (with the earlier setups' entry): in $R8
; their number, in $R9 the first one, in $R7 all of them, each in quotes, separated by commas.
Function ${UN}Entries
  Push $0
  Push $1
  Push $2
  Push $3
  Push $4
  StrCpy $R8 0
  StrCpy $R9 ""
  StrCpy $R7 ""
  StrCpy $0 0
  ${Do}
    EnumRegKey $1 HKLM "${UNINST_ROOT}" $0
    ${IfThen} $1 == "" ${|} ${ExitDo} ${|}
    IntOp $0 $0 + 1
    StrCpy $2 $1 8
    ${If} $2 != "cenyzak-"
    ${AndIf} $1 != "cenyzak"
      ${Continue}
    ${EndIf}
    ReadRegStr $2 HKLM "${UNINST_ROOT}\$1" "InstallLocation"
    ${IfThen} $2 == "" ${|} ${Continue} ${|}
    ${If} $1 != "cenyzak"
    ${AndIf} ${FileExists} "$2\*.*"
      ${If} ${FileExists} "$2\cenyzak\instalacja.ini"
        ReadINIStr $3 "$2\cenyzak\instalacja.ini" "instalacja" "Wersja"
        ReadRegStr $4 HKLM "${UNINST_ROOT}\$1" "DisplayVersion"
        ${If} $3 != ""
        ${AndIf} $3 != $4
          WriteRegStr HKLM "${UNINST_ROOT}\$1" "DisplayVersion" "$3"
        ${EndIf}
      ${Else}
        DeleteRegKey HKLM "${UNINST_ROOT}\$1"
        IntOp $0 $0 - 1
        StrCpy $3 $0
        StrCpy $0 $2
        !insertmacro LOG "${T_ENTRY_PRUNED}"
        StrCpy $0 $3
        ${Continue}
      ${EndIf}
    ${EndIf}
    IntOp $R8 $R8 + 1
    ${IfThen} $R9 == "" ${|} StrCpy $R9 $2 ${|}
    ${If} $R7 == ""
      StrCpy $R7 "„$2”"
    ${Else}
      StrCpy $R7 "$R7, „$2”"
    ${EndIf}
  ${Loop}
  Pop $4
  Pop $3
  Pop $2
  Pop $1
  Pop $0
FunctionEnd

!if "${UN}" == "un."
; The uninstaller acts on the program's folder it belongs to: a /D= naming another one stops with
; "nothing to do" (a folder given is the folder acted on or none).
Function un.RequireGivenIsOwn
  ${If} $HasD == 1
    Push $GivenDir
    Call un.SameFolder
    Pop $0
    ${If} $0 != 1
      StrCpy $0 $GivenDir
      StrCpy $1 $INSTDIR
      !insertmacro FAIL ${E_NOTHING} "${T_NOT_INSTALLED_HERE}"
    ${EndIf}
  ${EndIf}
FunctionEnd
!endif

; Finishes what an interrupted run began. The one rename puts a new plug-in in place before the
; record says so; a run killed then (or a power cut: the rename is written through, the record
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
  Call ${UN}RemoveUninstaller
  ; The kept copies stay, and the folder's log with them, unless asked: then the whole state
  ; folder goes (Release removes the log and the folder once the run ends; this PC's log keeps
  ; the run).
  StrCpy $0 "$State\kopie"
  ${If} $RemoveCopies == 1
    Delete "$State\kopie\cenyzak-*.dll"
    RMDir "$State\kopie"
    StrCpy $DropState 1
    StrCpy $0 $State
    !insertmacro LOG "${T_REMOVED_COPIES}"
  ${ElseIf} ${FileExists} "$State\kopie\*.*"
    StrCpy $1 $State
    !insertmacro LOG "${T_KEPT_COPIES}"
  ${Else}
    StrCpy $0 "$State\instalacja.log"
    !insertmacro LOG "${T_KEPT_LOG}"
  ${EndIf}
FunctionEnd

; Removes odinstaluj.exe. Started from the entry's QuietUninstallString, the uninstaller runs in
; place (with "_?=", so that it ends when its work ends and returns the real exit code, instead of
; returning at once from a temporary copy of itself), and Windows does not delete a running
; program's file, but renames it: it becomes odinstaluj.exe.usun, deleted when Windows next starts
; (on a local disk; no restart is needed for anything: the name is one nothing loads or runs) and by
; the next run on the folder (Lock), whichever comes first. Where even the rename is refused (Wine),
; odinstaluj.exe stays, said so in the log: with no record it does nothing but say so (code 3), and
; the next installation writes it anew. Its deletion is never scheduled for the next start under its
; own name: that would delete the uninstaller a later installation writes.
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
; own task), /WROC and /ODINSTALUJ not together; the uninstaller's /D= may name only its own
; folder (RequireGivenIsOwn).
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
  StrCpy $LockHandle 0
  Call ReadCommandLine
  Call LogOpen
  Call TempFolder
  ; The switches are checked before the folder: /D= may be missing.
  Call ParseSwitches
  Call ModeTexts
  Call Entries
  ; The folder given, as given (NSIS leaves $INSTDIR empty when it judges /D= invalid), else the
  ; one this PC has installed, else the default. With several installed, a run that cannot ask
  ; (silent, or /WROC and /ODINSTALUJ, which have no folder page) must be told which one.
  ${If} $HasD == 1
    StrCpy $INSTDIR $GivenDir
  ${ElseIf} $R8 > 1
  ${AndIf} $Mode != "install"
    StrCpy $0 $R7
    !insertmacro FAIL ${E_SWITCH} "${T_WHICH_FOLDER}"
  ${ElseIf} $R8 > 1
  ${AndIf} ${Silent}
    StrCpy $0 $R7
    !insertmacro FAIL ${E_SWITCH} "${T_WHICH_FOLDER}"
  ${ElseIf} $R9 != ""
    StrCpy $INSTDIR $R9
  ${ElseIf} $Mode != "install"
    !insertmacro FAIL ${E_NOTHING} "${T_NOT_INSTALLED_PC}"
  ${Else}
    StrCpy $INSTDIR "$PROGRAMFILES\Vordan"
  ${EndIf}
  Call UseFolder
FunctionEnd

Function .onGUIEnd
  Call GuiEnd
FunctionEnd

; The setup unpacks the plug-in and the pre-flight tool into a folder of its own run,
; %ProgramData%\cenyzak\tmp\PID-START (its process id and start time) on this PC, removed at its end
; (Finish). A run that was killed leaves its folder; the next run removes every such folder whose
; process is gone. The start time tells a process that still runs (two setups at once) from a
; later one that got the same id, as Windows reuses ids.
Function TempFolder
  System::Call 'kernel32::GetCurrentProcessId() i .r0'
  System::Call 'kernel32::GetCurrentProcess() p .r1'
  System::Call 'kernel32::GetProcessTimes(p r1, *l .r2, *l .r3, *l .r3, *l .r3)'
  StrCpy $Tmp "$PcState\tmp\$0-$2"
  FindFirst $1 $2 "$PcState\tmp\*"
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
        RMDir /r "$PcState\tmp\$2"
        !insertmacro LOG "${T_TMP_REMOVED}"
      ${EndIf}
    ${EndIf}
    FindNext $1 $2
  ${Loop}
  FindClose $1
FunctionEnd

; The earlier setups kept one installation per PC: its record in the entry OLD_KEY, its kept
; copies and its uninstaller in %ProgramData%\cenyzak. A run on the folder that entry names (any
; mode, holding the folder's lock) moves it beside the program, without loss and in an order that a
; run killed at any point leaves to the next one to finish: the kept copies are copied and checked
; first (each under a name of its own until it is whole, then renamed), then the record written
; (unless the folder has one already), the uninstaller and this PC's entry for the folder; only
; then do the old entry, the old uninstaller and the copied originals go. A copy of a version the
; folder keeps with other bytes is not lost either: the original stays where it is, said in the
; log. %ProgramData%\cenyzak\instalacja.log stays, as this PC's log.
Function TakeOver
  ReadRegStr $0 HKLM "${OLD_KEY}" "InstallLocation"
  Push $0
  Call SameFolder
  Pop $1
  ${IfThen} $1 != 1 ${|} Return ${|}
  StrCpy $0 "$PcState"
  StrCpy $1 $INSTDIR
  !insertmacro LOG "${T_TAKEOVER}"
  CreateDirectory "$State\kopie"
  FindFirst $2 $3 "$PcState\kopie\cenyzak-*.dll"
  ${DoWhile} $3 != ""
    StrCpy $4 "$PcState\kopie\$3"
    StrCpy $5 "$State\kopie\$3"
    Push $4
    Call Sha256
    Pop $6
    ${IfNot} ${FileExists} "$5"
      Delete "$5.nowa"
      ClearErrors
      CopyFiles /SILENT "$4" "$5.nowa"
      Push "$5.nowa"
      Call Sha256
      Pop $7
      ${If} ${Errors}
      ${OrIf} $7 != $6
        Delete "$5.nowa"
        StrCpy $0 $4
        StrCpy $1 $5
        !insertmacro FAIL ${E_OTHER} "${T_TAKEOVER_FAILED}"
      ${EndIf}
      Push "$5.nowa"
      Call Flush
      Rename "$5.nowa" "$5"
    ${EndIf}
    FindNext $2 $3
  ${Loop}
  FindClose $2
  Call RecordRead
  ${If} $RecOld == 1
    Call RecordWrite
  ${Else}
    Call EntryWrite
  ${EndIf}
  ${IfNot} ${FileExists} "$State\odinstaluj.exe"
    WriteUninstaller "$State\odinstaluj.exe"
  ${EndIf}
  DeleteRegKey HKLM "${OLD_KEY}"
  Delete "$PcState\odinstaluj.exe"
  Delete "$PcState\odinstaluj.exe.usun"
  FindFirst $2 $3 "$PcState\kopie\cenyzak-*.dll"
  ${DoWhile} $3 != ""
    StrCpy $4 "$PcState\kopie\$3"
    Push $4
    Call Sha256
    Pop $6
    Push "$State\kopie\$3"
    Call Sha256
    Pop $7
    ${If} $6 == $7
      Delete $4
    ${Else}
      StrCpy $0 $4
      StrCpy $1 "$State\kopie\$3"
      !insertmacro LOG "${T_TAKEOVER_KEPT}"
    ${EndIf}
    FindNext $2 $3
  ${Loop}
  FindClose $2
  RMDir "$PcState\kopie"
  StrCpy $0 "$PcState"
  StrCpy $1 $INSTDIR
  !insertmacro LOG "${T_TAKEN_OVER}"
FunctionEnd

; A run that finds the same plug-in installed leaves this PC a way to it: the old layout taken
; over, the uninstaller in the folder's state and this PC's entry, each written when missing or
; out of date.
Function Door
  Call TakeOver
  Call RecordRead
  ${IfThen} $RecDir == "" ${|} Return ${|}
  ${IfNot} ${FileExists} "$State\odinstaluj.exe"
    WriteUninstaller "$State\odinstaluj.exe"
  ${EndIf}
  ReadRegStr $0 HKLM "$EntryKey" "DisplayVersion"
  ReadRegStr $1 HKLM "$EntryKey" "InstallLocation"
  ${If} $0 != $RecVersion
  ${OrIf} $1 != $INSTDIR
    Call EntryWrite
    StrCpy $0 $INSTDIR
    !insertmacro LOG "${T_ENTRY_WRITTEN}"
  ${EndIf}
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

; The folder page is left for a program's folder that no other run works on: this run takes the
; folder's lock here (without waiting: the page stays, to try again or choose another folder), so
; that the check page's plan is made from a record no other run changes meanwhile.
Function DirLeave
  Call FolderProblem
  Pop $0
  ${If} $0 != ""
    MessageBox MB_OK|MB_ICONSTOP "$0"
    Abort
  ${EndIf}
  Push 0
  Call Lock
  Pop $0
  ${If} $0 == 0
    StrCpy $0 "$State\instalacja.log"
    MessageBox MB_OK|MB_ICONEXCLAMATION "${T_BUSY_PAGE}"
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
  Call RecordRead
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
    Call Door
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
        ; The same file: nothing to do when the folder's record says so; else (copied by hand, or
        ; an older record) the record is written.
        ${If} $RecDir != ""
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
  Push ${LOCK_WAIT}
  Call Lock
  Pop $0
  Call TakeOver
  Call FinishInterrupted

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
    Call Door
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

  ; The uninstaller and the record beside the program, and this PC's entry for the folder.
  WriteUninstaller "$State\odinstaluj.exe"
  Delete "$State\odinstaluj.exe.usun"
  ${IfThen} $RecDir == "" ${|} StrCpy $RecCreated 0 ${|}
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
  ${If} $Mode == "install"
    Call Install
  ${Else}
    ; Only a folder with an installation is locked (and so given a state folder).
    Call RecordRead
    ${If} $RecDir == ""
      !insertmacro FAIL ${E_NOTHING} "${T_NOT_INSTALLED}"
    ${EndIf}
    Push ${LOCK_WAIT}
    Call Lock
    Pop $0
    Call TakeOver
    ${If} $Mode == "wroc"
      Call Rollback
    ${Else}
      Call Uninstall
    ${EndIf}
  ${EndIf}
  Push 0
  Call Finish
SectionEnd

;--- the uninstaller -----------------------------------------------------------------------------
Function un.onInit
  StrCpy $LockHandle 0
  Call un.ReadCommandLine
  Call un.LogOpen
  Call un.ParseSwitches
  ; The uninstaller runs with $INSTDIR its own folder (FOLDER\cenyzak, from "_?="): it acts on the
  ; program's folder above it.
  Push $INSTDIR
  Call un.Unslash
  Pop $INSTDIR
  StrLen $1 $INSTDIR
  ${Do}
    IntOp $1 $1 - 1
    ${IfThen} $1 < 1 ${|} ${ExitDo} ${|}
    StrCpy $0 $INSTDIR 1 $1
    ${IfThen} $0 == "\" ${|} ${ExitDo} ${|}
  ${Loop}
  ${If} $1 > 0
    StrCpy $INSTDIR $INSTDIR $1
    ; A drive's root keeps its backslash (D:\).
    ${IfThen} $1 == 2 ${|} StrCpy $INSTDIR "$INSTDIR\" ${|}
  ${EndIf}
  Call un.RequireGivenIsOwn
  Call un.Entries
  Push ${LOCK_WAIT}
  Call un.Lock
  Pop $0
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
  ; Removal, with its box for the kept versions under it (two lines: it names their folder); then
  ; the rollback, when there is one.
  StrCpy $0 $INSTDIR
  ${NSD_CreateRadioButton} 0 0 100% 12u "${T_UN_REMOVE}"
  Pop $1
  ${NSD_OnClick} $1 un.ChoiceClick
  StrCpy $0 "$State"
  ${NSD_CreateCheckbox} 12u 14u -12u 20u "${T_UN_REMOVE_COPIES}"
  Pop $RemoveBox
  ${IfThen} $RemoveCopies == 1 ${|} ${NSD_Check} $RemoveBox ${|}
  StrCpy $0 $RecPrevious
  ${If} $0 != ""
  ${AndIf} ${FileExists} "$State\kopie\cenyzak-$0.dll"
    ${NSD_CreateRadioButton} 0 40u 100% 12u "${T_UN_ROLLBACK}"
    Pop $RollbackRadio
  ${Else}
    ${NSD_CreateRadioButton} 0 40u 100% 12u "${T_UN_ROLLBACK_NONE}"
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
