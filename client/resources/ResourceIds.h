// Resource ids of Parcelon.dll shared by the resource script and the code.
#pragma once

#define IDS_PROJNAME 100
#define IDR_OUTLOOKADDIN 101

// The attachment dialog, its pictures and its help text.
#define IDD_ATTACHMENT 201
#define IDB_FILE_ICONS 202
#define IDB_BUTTON_FACE 203
#define IDB_BANNER 206
#define IDB_RIBBON_FACE 207
// Each picture is also drawn for 125, 150 and 200 percent, under its id plus these steps.
#define IDB_STEP_125 1000
#define IDB_STEP_150 2000
#define IDB_STEP_200 3000
#define IDB_FILE_ICONS_125 1202
#define IDB_FILE_ICONS_150 2202
#define IDB_FILE_ICONS_200 3202
#define IDB_BUTTON_FACE_125 1203
#define IDB_BUTTON_FACE_150 2203
#define IDB_BUTTON_FACE_200 3203
#define IDB_BANNER_125 1206
#define IDB_BANNER_150 2206
#define IDB_BANNER_200 3206
#define IDB_RIBBON_FACE_125 1207
#define IDB_RIBBON_FACE_150 2207
#define IDB_RIBBON_FACE_200 3207
#define IDR_HELP_TEXT 301

// The ribbon markup of the compose window (UTF-8).
#define IDR_RIBBON_MARKUP 302
// The ribbon markup of the main window, for its inline replies (UTF-8).
#define IDR_EXPLORER_RIBBON_MARKUP 303

// Controls of the attachment dialog.
#define IDC_BROWSER_LIST 201
#define IDC_CHOSEN_LIST 202
#define IDC_HELP_BUTTON 203
#define IDC_ADD 204
#define IDC_REMOVE 205
#define IDC_BROWSE_EDIT 206
#define IDC_BROWSE 207
#define IDC_ARCHIVE_NAME 208
#define IDC_COMPRESS 209
#define IDC_SUB_FOLDERS 210

// Controls the attachment dialog adds below the others while it packs.
#define IDC_PACK_STATUS 211
#define IDC_PACK_PROGRESS 212
#define IDC_PACK_FILE 213

// The report window: a line, a list of rows, and the buttons its user gives it.
#define IDD_REPORT 220
#define IDC_REPORT_TEXT 221
#define IDC_REPORT_LIST 222
#define IDC_REPORT_COPY 223
// ParcelonSend.exe: its icon and its progress window (a line and Cancel, the progress
// panel added below).
#define IDI_PARCELON_SEND 230
#define IDD_SEND_PROGRESS 231
#define IDC_SEND_TEXT 232
