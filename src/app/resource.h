// Resource and control identifiers, shared by kestrin.rc and the windows.
#pragma once

#define IDI_KESTRIN 1

#define IDR_MAINMENU 100
#define IDR_POPUPMENU 101
#define IDM_EXIT 1001
#define IDM_ABOUT 1002
#define IDM_EXIT2 1003
#define IDM_STARTWITHWINDOWS 1004
#define IDM_PAUSE 1005
// The window of several services: its menu bar, and the shortcut menu of a row.
#define IDR_SEVERALMENU 102
#define IDR_ROWMENU 103
#define IDM_ROW_STOP 1011
#define IDM_ROW_START 1012
#define IDM_ROW_PAUSE 1013

// FrmSrvMan's controls.
#define IDC_COMMAND1 101
#define IDC_COMMAND2 102
#define IDC_LBLSTATUS 103
#define IDC_LBLSTSTTL 104
#define IDC_LBLTIME 105
#define IDC_PICHOOK 106
#define IDC_SERVICELIST 107

// The start-up prompt.
#define IDD_PROMPT 200
#define IDC_PROMPT_TEXT 201
#define IDC_PROMPT_EDIT 202

// frmAbout.
#define IDD_ABOUT 300
#define IDC_PICICON 301
#define IDC_CMDSYSINFO 302
#define IDC_LBLDESCRIPTION 303
#define IDC_LBLTITLE 304
#define IDC_LBLVERSION 305
#define IDC_LBLDISCLAIMER 306
#define IDC_LINE1_0 307
#define IDC_LINE1_1 308
