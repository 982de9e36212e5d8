// Resource ids of Uninstall.exe, shared by the resource scripts and the code.
#pragma once

// Dialog templates.
#define IDD_CONFIRM 145         // the confirmation dialog
#define IDD_PROGRESS 137        // the progress dialog
#define IDD_PROGRESS_SMALL 136  // the progress dialog's small alternative

// Bitmaps and icons.
#define IDB_SIDE 131       // the dialogs' side picture
#define IDB_CLOSE_HOT 140  // the skinned close button while the mouse is over it
#define IDB_CLOSE 141      // the skinned close button otherwise
#define IDB_CLOSE_HOT_150 160  // IDB_CLOSE_HOT drawn for 150 % (144 DPI)
#define IDB_CLOSE_HOT_200 161  // IDB_CLOSE_HOT drawn for 200 % (192 DPI)
#define IDB_CLOSE_150 162      // IDB_CLOSE drawn for 150 %
#define IDB_CLOSE_200 163      // IDB_CLOSE drawn for 200 %
#define IDB_SKIN 147       // the background of the skinned dialogs, 451 x 260, 24 bits
#define IDI_SMALL 138      // the icon of the small progress dialog
#define IDI_MAIN 139       // the program's icon

// Controls of the confirmation dialog.
#define IDC_QUESTION 1016           // "do you really want to uninstall?"
#define IDC_RADIO_ALL 1028          // hidden: uninstall the client and all drivers
#define IDC_RADIO_CLIENT_ONLY 1029  // hidden: uninstall only the client
#define IDC_CLOSE_NOTICE 1043       // hidden: close the browsers before uninstalling
#define IDC_KEEP_USER_DATA 1046     // checked: the user's data folder stays
#define IDC_KEEP_CARD_DRIVER 1047   // checked: the data-card driver stays

// Controls of the progress dialog.
#define IDC_STEP_BAR 1025      // percent bar of the current step
#define IDC_STATUS_TEXT 1027   // the status line
#define IDC_TOTAL_LABEL 1028   // "total progress" above the total bar
#define IDC_TOTAL_BAR 1033     // percent bar of the whole uninstall

#ifndef IDC_STATIC
#define IDC_STATIC (-1)
#endif

// Texts the program shows of its own, which its language pack does not give: each in simplified
// Chinese, and in English at the id after it (ui/program_text.h).
#define IDS_LEFT_FOR_SAFETY 300     // part of the client was left for safety: why, and what to do
#define IDS_LEFT_FOR_SAFETY_EN 301
#define IDS_RESTART_TOO 302         // a restart is needed as well
#define IDS_RESTART_TOO_EN 303
#define IDS_LEFT_IN_USE 304         // part of the client was in use by other programs and left
#define IDS_LEFT_IN_USE_EN 305
// The account of what stays: its opening, each reason, the rest counted, the driver kept.
#define IDS_STAYS_INTRO 306
#define IDS_STAYS_INTRO_EN 307
#define IDS_STAYS_AT_RESTART 308
#define IDS_STAYS_AT_RESTART_EN 309
#define IDS_STAYS_FOR_SAFETY 310
#define IDS_STAYS_FOR_SAFETY_EN 311
#define IDS_STAYS_USERS_CHOICE 312
#define IDS_STAYS_USERS_CHOICE_EN 313
#define IDS_STAYS_SHARED 314
#define IDS_STAYS_SHARED_EN 315
#define IDS_STAYS_NOT_REMOVED 316
#define IDS_STAYS_NOT_REMOVED_EN 317
#define IDS_STAYS_MORE 318          // "%d": how many more
#define IDS_STAYS_MORE_EN 319
#define IDS_STAYS_CARD_DRIVER 320
#define IDS_STAYS_CARD_DRIVER_EN 321
#define IDS_STAYS_END 322           // the sentence's full stop
#define IDS_STAYS_END_EN 323
#define IDS_STAYS_WHY 324           // between a thing that stays and why
#define IDS_STAYS_WHY_EN 325
#define IDS_STAYS_NEXT 326          // between two things that stay
#define IDS_STAYS_NEXT_EN 327
