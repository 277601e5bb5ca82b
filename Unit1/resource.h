// Resource identifiers shared by rq27.rc and the Win32 front end.
#pragma once

// The application icon: the lowest icon id, so Explorer shows it for rq27.exe.
#define IDI_RQ27 1
// The dialog frame; its controls are created in code at their exact pixel positions.
#define IDD_FORM1 100

// Control ids. Button1 and Button2 take IDOK and IDCANCEL, so that the dialog manager maps
// Enter and Esc onto them.
#define IDC_CHECKBOX1 1001
#define IDC_LABEL1 1011
#define IDC_LABEL2 1012
#define IDC_LABEL3 1013
#define IDC_LABEL4 1014
#define IDC_LABEL5 1015
#define IDC_LABEL6 1016
#define IDC_LABEL7 1017
#define IDC_LABEL8 1018
#define IDC_LABEL9 1019
#define IDC_LABELA1 1020
