; Parcelon's setup program, for the current user and without an administrator: both DLLs go
; to %LOCALAPPDATA%\Parcelon\x86 and \x64, each is registered by the regsvr32 of its own
; bitness, and an uninstall entry of the user's own points at the uninstaller. ParcelonSend.exe
; goes beside the 64-bit DLL, with a shortcut "Parcelon" in the user's Send To folder.
; makensis -DVERSION=1.0.0.0 -DX86_DLL=... -DX64_DLL=... -DSEND_EXE=... [-DSIGN=COMMAND] -DOUTFILE=... Parcelon.nsi
Unicode true
Target amd64-unicode
RequestExecutionLevel user
ManifestSupportedOS all
SetCompressor /SOLID lzma

!include MUI2.nsh
!include LogicLib.nsh

!define PRODUCT "Parcelon"
!define PUBLISHER "Kestrelbay"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Parcelon"
!define REGSVR32_32 "$WINDIR\SysWOW64\regsvr32.exe"
!define REGSVR32_64 "$WINDIR\System32\regsvr32.exe"
!define SEND_TO_SHORTCUT "$APPDATA\Microsoft\Windows\SendTo\Parcelon.lnk"

Name "${PRODUCT}"
OutFile "${OUTFILE}"
!ifdef SIGN
; The uninstaller is signed before it is packed, so the copy setup writes is signed too.
!uninstfinalize '${SIGN} "%1"' = 0
!endif
InstallDir "$LOCALAPPDATA\${PRODUCT}"
BrandingText "${PRODUCT} ${VERSION}"
ShowInstDetails show
ShowUninstDetails show
VIProductVersion "${VERSION}"
VIAddVersionKey ProductName "${PRODUCT}"
VIAddVersionKey CompanyName "${PUBLISHER}"
VIAddVersionKey FileDescription "${PRODUCT} Setup"
VIAddVersionKey FileVersion "${VERSION}"
VIAddVersionKey ProductVersion "${VERSION}"
VIAddVersionKey LegalCopyright "${PUBLISHER}"

Var Failed     ; the steps that failed, one per line
Var Log        ; handle of the log file
Var FinishTitle
Var FinishText

!define MUI_ABORTWARNING
!define MUI_WELCOMEPAGE_TITLE "Install ${PRODUCT} for Outlook"
!define MUI_WELCOMEPAGE_TEXT "${PRODUCT} adds a button $\"Parcelon$\" to the window of each new mail message in Outlook: it attaches files and whole folders, packed into one zip archive.$\r$\n$\r$\nSetup installs it for you alone, into your own profile; it needs no administrator. It works with 32-bit and 64-bit Outlook alike.$\r$\n$\r$\nClick Install to continue."
!define MUI_FINISHPAGE_TITLE "$FinishTitle"
!define MUI_FINISHPAGE_TEXT "$FinishText"
!define MUI_UNCONFIRMPAGE_TEXT_TOP "${PRODUCT} will be removed from Outlook and from your profile. Close Outlook before you continue."

!define MUI_PAGE_CUSTOMFUNCTION_SHOW WelcomeShow
!insertmacro MUI_PAGE_WELCOME
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

; One line to the details list and the log.
!macro Log text
    DetailPrint "${text}"
    FileWriteUTF16LE $Log "${text}$\r$\n"
!macroend

; A step that failed: logged, and remembered for the exit code and the last page.
!macro Failure text
    !insertmacro Log "FAILED: ${text}"
    StrCpy $Failed "$Failed${text}$\r$\n"
!macroend

; Runs regsvr32 silently on a DLL; `what` names the step. $0 is "ok" when it succeeded.
!macro Regsvr32 regsvr32 arguments dll what
    ClearErrors
    ExecWait '"${regsvr32}" /s ${arguments} "${dll}"' $0
    ${If} ${Errors}
        !insertmacro Failure "${what}: ${regsvr32} could not be started"
    ${ElseIf} $0 != 0
        !insertmacro Failure "${what}: ${regsvr32} ended with code $0"
    ${Else}
        !insertmacro Log "${what}: done"
        StrCpy $0 "ok"
    ${EndIf}
!macroend

; Registers one DLL, and notes in the uninstall entry that the uninstaller is to unregister
; it. A failed registration leaves the note of an earlier run as it was.
!macro Register bits regsvr32 dll what
    !insertmacro Regsvr32 "${regsvr32}" "" "${dll}" "${what}"
    ${If} $0 == "ok"
        WriteRegDWORD HKCU "${UNINSTALL_KEY}" "Registered${bits}" 1
    ${EndIf}
!macroend

; Copies one DLL; an old copy in use (Outlook still running) is a failure, not skipped.
!macro CopyDll source folder
    SetOutPath "$INSTDIR\${folder}"
    ClearErrors
    SetOverwrite try
    File "${source}"
    ${If} ${Errors}
        !insertmacro Failure "copying $INSTDIR\${folder}\Parcelon.dll (close Outlook and run setup again)"
    ${Else}
        !insertmacro Log "Copied $INSTDIR\${folder}\Parcelon.dll"
    ${EndIf}
!macroend

; ParcelonSend.exe and Explorer's "Send to > Parcelon" that runs it, with the program's icon.
!macro AddSendTo
    SetOutPath "$INSTDIR\x64"
    ClearErrors
    SetOverwrite try
    File "${SEND_EXE}"
    ${If} ${Errors}
        !insertmacro Failure "copying $INSTDIR\x64\ParcelonSend.exe"
    ${Else}
        !insertmacro Log "Copied $INSTDIR\x64\ParcelonSend.exe"
    ${EndIf}
    CreateDirectory "$APPDATA\Microsoft\Windows\SendTo"
    ClearErrors
    CreateShortcut "${SEND_TO_SHORTCUT}" "$INSTDIR\x64\ParcelonSend.exe" "" "$INSTDIR\x64\ParcelonSend.exe" 0
    ${If} ${Errors}
        !insertmacro Failure "making the Send To shortcut ${SEND_TO_SHORTCUT}"
    ${Else}
        !insertmacro Log "Made the Send To shortcut ${SEND_TO_SHORTCUT}"
    ${EndIf}
!macroend

Function WelcomeShow
    GetDlgItem $0 $HWNDPARENT 1
    SendMessage $0 ${WM_SETTEXT} 0 "STR:&Install"
FunctionEnd

Section "Parcelon"
    StrCpy $Failed ""
    CreateDirectory "$INSTDIR"
    FileOpen $Log "$INSTDIR\Setup.log" w
    FileWriteUTF16LE /BOM $Log ""
    !insertmacro Log "${PRODUCT} ${VERSION} setup into $INSTDIR"

    !insertmacro CopyDll "${X86_DLL}" "x86"
    !insertmacro CopyDll "${X64_DLL}" "x64"
    !insertmacro AddSendTo
    SetOutPath "$INSTDIR"
    WriteUninstaller "$INSTDIR\Uninstall.exe"

    ; Each Outlook loads the DLL of its own bitness: register both, each by its own regsvr32.
    !insertmacro Register 32 "${REGSVR32_32}" "$INSTDIR\x86\Parcelon.dll" "Registering the 32-bit DLL (32-bit Outlook)"
    !insertmacro Register 64 "${REGSVR32_64}" "$INSTDIR\x64\Parcelon.dll" "Registering the 64-bit DLL (64-bit Outlook)"

    ClearErrors
    WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\Uninstall.exe"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\Uninstall.exe"'
    WriteRegStr HKCU "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\Uninstall.exe" /S'
    WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoModify" 1
    WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoRepair" 1
    ${If} ${Errors}
        !insertmacro Failure "writing the uninstall entry"
    ${EndIf}

    ${If} $Failed == ""
        StrCpy $FinishTitle "${PRODUCT} is installed"
        StrCpy $FinishText "${PRODUCT} is ready for Outlook.$\r$\n$\r$\nRestart Outlook: close it and open it again. Then the window of a new mail message has the button $\"Parcelon$\".$\r$\n$\r$\nTo remove it, use $\"Parcelon$\" in Settings, Apps."
        !insertmacro Log "Done. Restart Outlook to use ${PRODUCT}."
    ${Else}
        StrCpy $FinishTitle "${PRODUCT} is not fully installed"
        StrCpy $FinishText "Setup could not finish these steps:$\r$\n$Failed$\r$\nThe log is $INSTDIR\Setup.log."
        !insertmacro Log "Setup finished with failures."
        SetErrorLevel 2
        MessageBox MB_ICONEXCLAMATION "Setup could not finish these steps:$\r$\n$\r$\n$Failed$\r$\nThe log is $INSTDIR\Setup.log." /SD IDOK
    ${EndIf}
    FileClose $Log
SectionEnd

; Unregisters the DLL of one bitness when setup registered it.
!macro UnregisterIfRegistered bits regsvr32 dll what
    ReadRegDWORD $1 HKCU "${UNINSTALL_KEY}" "Registered${bits}"
    ${If} $1 == 1
        !insertmacro Regsvr32 "${regsvr32}" "/u" "${dll}" "${what}"
    ${Else}
        !insertmacro Log "${what}: setup had not registered it"
    ${EndIf}
!macroend

Section "Uninstall"
    StrCpy $Failed ""
    FileOpen $Log "$TEMP\Parcelon-Uninstall.log" w
    FileWriteUTF16LE /BOM $Log ""
    !insertmacro Log "Removing ${PRODUCT} from $INSTDIR"
    !insertmacro UnregisterIfRegistered 32 "${REGSVR32_32}" "$INSTDIR\x86\Parcelon.dll" "Unregistering the 32-bit DLL"
    !insertmacro UnregisterIfRegistered 64 "${REGSVR32_64}" "$INSTDIR\x64\Parcelon.dll" "Unregistering the 64-bit DLL"

    ClearErrors
    Delete "${SEND_TO_SHORTCUT}"
    Delete "$INSTDIR\x86\Parcelon.dll"
    Delete "$INSTDIR\x64\Parcelon.dll"
    Delete "$INSTDIR\x64\ParcelonSend.exe"
    Delete "$INSTDIR\Setup.log"
    Delete "$INSTDIR\Uninstall.exe"
    RMDir "$INSTDIR\x86"
    RMDir "$INSTDIR\x64"
    RMDir "$INSTDIR"
    ${If} ${Errors}
    ${OrIf} ${FileExists} "$INSTDIR\*.*"
        !insertmacro Failure "removing $INSTDIR (close Outlook and run the uninstaller again)"
    ${EndIf}
    DeleteRegKey HKCU "${UNINSTALL_KEY}"

    ${If} $Failed == ""
        !insertmacro Log "Done."
        FileClose $Log
        Delete "$TEMP\Parcelon-Uninstall.log"
    ${Else}
        !insertmacro Log "Uninstalling finished with failures."
        FileClose $Log
        SetErrorLevel 2
        MessageBox MB_ICONEXCLAMATION "These steps failed:$\r$\n$\r$\n$Failed$\r$\nThe log is $TEMP\Parcelon-Uninstall.log." /SD IDOK
    ${EndIf}
SectionEnd
